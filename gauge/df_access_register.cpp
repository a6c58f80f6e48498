#include "gauge/df_access_register.h"

#include <charconv>
#include <numeric>

#include "common/register_map.h"
#include "gauge/df_access.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

constexpr uint8_t kRegControl = 0x00; // answers again once the commit is done
constexpr int kMaxByte = 0xFF;
// Between read-backs of a committed block that still differs: the pace the SMBus
// read-back keeps through its block reads (ReadBlock gives the gauge 120 ms).
constexpr int kReadBackRetryMs = 120;

// Class and block index each travel as one byte.
bool Addressable(int16_t cls, int32_t offset) {
  return cls >= 0 && cls <= kMaxByte && offset >= 0 && offset / kDFBlockSize <= kMaxByte;
}

Status SelectBlock(GaugeLink& link, int16_t cls, int32_t offset) {
  // WriteRegBytes sends b0 then b1: class to 0x3E, block index to 0x3F.
  return link.WriteRegBytes(regmap::kGaugeClass, static_cast<uint8_t>(offset / kDFBlockSize),
                            static_cast<uint8_t>(cls), kAddrRegGauge);
}

// Waits for the gauge to finish the commit: it does not answer while it writes.
Status AwaitCommit(GaugeLink& link) {
  const double start = link.TimerNow();
  Status status = 0;
  do {
    link.PauseBoth(link.Settings().GGModeDFDelay);
    uint8_t control = 0;
    status = link.ReadRegByte(kRegControl, control, kAddrRegGauge);
  } while (status != 0 && link.ElapsedSeconds(start) < kCommitProbeTimeoutS);
  return status;
}

// Read-modify-write of the word at `offset` of class `cls`.
Status WriteWordI2C(GaugeLink& link, int16_t cls, int32_t offset, uint16_t pattern) {
  if (!Addressable(cls, offset) || offset % kDFBlockSize + 2 > kDFBlockSize) {
    return kStatusDfPositionOutOfBlock;
  }
  DFBlockBuffer buffer{};
  int16_t length = 0;
  const Status status = ReadDFBlockI2C(link, buffer, cls, offset, length);
  if (status != 0) return status;
  if (offset % kDFBlockSize + 2 > length) return kStatusDfPositionOutOfBlock;
  PutWordBE(buffer, offset, static_cast<int16_t>(pattern));
  return WriteDFBlockI2C(link, buffer, cls, offset, length);
}

bool ParseWholeNumber(const std::string& text, int32_t& value) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return false;
  const auto last = text.find_last_not_of(" \t");
  const char* begin = text.data() + first;
  const char* end = text.data() + last + 1;
  if (*begin == '+' && begin + 1 != end && begin[1] != '-') ++begin;  // "+5", never "+-5"
  const auto result = std::from_chars(begin, end, value);
  return result.ec == std::errc() && result.ptr == end;
}

}  // namespace

uint8_t BlockCommitChecksum(std::span<const uint8_t> bytes) {
  const unsigned sum = std::accumulate(bytes.begin(), bytes.end(), 0u);
  return static_cast<uint8_t>(0xFF - (sum & 0xFF));
}

Status ReadDFBlockI2C(GaugeLink& link, std::span<uint8_t> buffer, int16_t cls, int32_t offset,
                      int16_t& length) {
  if (!Addressable(cls, offset)) return kStatusDfPositionOutOfBlock;
  const Status status = SelectBlock(link, cls, offset);
  if (status != 0) return status;
  length = kDFBlockSize;
  return link.ReadRegBlock(regmap::kGaugeBlockData, buffer, length, kAddrRegGauge);
}

Status WriteDFBlockI2C(GaugeLink& link, std::span<const uint8_t> buffer, int16_t cls,
                       int32_t offset, int16_t length) {
  // More than 32 bytes would run on into the commit register.
  if (!Addressable(cls, offset) || length < 0 || length > kDFBlockSize ||
      static_cast<std::size_t>(length) > buffer.size()) {
    return kStatusDfPositionOutOfBlock;
  }
  Status status = SelectBlock(link, cls, offset);
  if (status == 0) status = link.WriteRegBlock(regmap::kGaugeBlockData, buffer, length, kAddrRegGauge);
  if (status == 0) {
    const uint8_t checksum = BlockCommitChecksum(buffer.first(static_cast<std::size_t>(length)));
    status = link.WriteRegByte(regmap::kGaugeBlockCommit, checksum, kAddrRegGauge);
  }
  if (status == 0) status = AwaitCommit(link);
  if (status != 0) return status;
  // A gauge may accept the commit and still store other bytes: only the block read back
  // shows what the data flash holds.
  int32_t attempts = 0;
  return ConfirmBlockWrite(
      link, buffer, length, attempts,
      [&](std::span<uint8_t> read, int16_t& got) {
        return ReadDFBlockI2C(link, read, cls, offset, got);
      },
      kReadBackRetryMs);
}

Status WriteManufactureDateI2C(GaugeLink& link, int16_t value) {
  const StationSettings& settings = link.Settings();
  return WriteWordI2C(link, settings.DateClsID, settings.DateOffset,
                      static_cast<uint16_t>(value));
}

Status WriteSerialI2C(GaugeLink& link, int32_t value) {
  const StationSettings& settings = link.Settings();
  return WriteWordI2C(link, settings.SerialClsID, settings.SerialOffset,
                      static_cast<uint16_t>(value & 0xFFFF));
}

Status WriteMfDataI2C(GaugeLink& link, const std::string& text) {
  int32_t value = 0;
  if (!ParseWholeNumber(text, value)) return kStatusBadValueType;
  const StationSettings& settings = link.Settings();
  return WriteWordI2C(link, settings.MfDataClsID, settings.PkLotOffset,
                      static_cast<uint16_t>(value & 0xFFFF));
}

}  // namespace tester
