#include "gauge/df_access.h"

#include <algorithm>
#include <vector>

#include "gauge/station_settings.h"

namespace tester {
namespace {

constexpr uint8_t kClassSelect = 0x77;      // word: class whose blocks 0x78 + k address
constexpr uint8_t kClassBlockBase = 0x78;   // block command of class block 0
constexpr uint8_t kAbsBlock = 0x2F;         // block command of the selected 32-byte block
constexpr uint8_t kAbsSelectHigh = 0x01;    // high byte of the select word 0x0100 + k
constexpr uint8_t kPageBlockBase = 0x58;    // block command of 64-byte block 0 (set 2)
constexpr int kAbsAfterReadMs = 70;         // the gauge settles after a block read
constexpr int kAbsAfterWriteMs = 350;       // a 32-byte block write takes this long
constexpr int kAbsAfterPageWriteMs = 80;    // a 64-byte block write takes this long
constexpr int kAbsAfterVerifyReadMs = 80;   // settle after the verifying read
constexpr int kMaxCommandByte = 0xFF;

// Block command 0x78 + o ÷ 32 for a value at `offset`, when it fits a command byte.
bool ClassBlockCommand(int32_t offset, uint8_t& command) {
  if (offset < 0 || kClassBlockBase + offset / kDFBlockSize > kMaxCommandByte) return false;
  command = static_cast<uint8_t>(kClassBlockBase + offset / kDFBlockSize);
  return true;
}

// A value of `bytes` bytes at `offset` fits inside its class block.
bool FitsClassBlock(int32_t offset, int bytes) {
  uint8_t command = 0;
  return ClassBlockCommand(offset, command) && offset % kDFBlockSize + bytes <= kDFBlockSize;
}

bool SameBytes(std::span<const uint8_t> a, std::span<const uint8_t> b, int16_t length) {
  const auto count = static_cast<std::size_t>(std::max<int16_t>(length, 0));
  return std::equal(a.begin(), a.begin() + count, b.begin());
}

// Reads the class block back until it equals what was written or 2 s have passed. No
// wait between reads: each block read already gives the gauge 120 ms.
Status ConfirmClassBlock(GaugeLink& link, std::span<const uint8_t> written, int16_t cls,
                         int32_t offset, int16_t length, int32_t& attempts) {
  return ConfirmBlockWrite(link, written, length, attempts,
                           [&](std::span<uint8_t> buffer, int16_t& got) {
                             return ReadDFBlock(link, buffer, cls, offset, got);
                           });
}

// ------------------------------------------------------------------ absolute blocks

// One absolute block: 32 bytes through the manufacturer-access select and 0x2F, or 64
// bytes under 0x58 + k for command set 2.
struct AbsoluteBlocks {
  GaugeLink& link;
  int size;  // 32 or 64

  Status Select(int32_t k) {
    return link.WriteWordBytes(static_cast<uint8_t>(link.Settings().QZMAC), kAbsSelectHigh,
                               static_cast<uint8_t>(k), kAddrSmbusGauge);
  }

  uint8_t Command(int32_t k) const {
    return size == kDFPageSize ? static_cast<uint8_t>(kPageBlockBase + k) : kAbsBlock;
  }

  std::span<uint8_t> View(std::array<uint8_t, kDFPageBufferSize>& buffer) const {
    return std::span<uint8_t>(buffer).first(size == kDFPageSize ? kDFPageBufferSize
                                                                : kDFBlockBufferSize);
  }

  // Block k exists for a command byte (0x58 + k) or a select byte (k).
  bool Addressable(int32_t k) const {
    return k >= 0 && (size == kDFPageSize ? kPageBlockBase + k : k) <= kMaxCommandByte;
  }

  Status Read(int32_t k, std::array<uint8_t, kDFPageBufferSize>& buffer, int16_t& length) {
    if (size != kDFPageSize) {
      const Status status = Select(k);
      if (status != 0) return status;
    }
    const Status status = link.ReadBlock(Command(k), View(buffer), length, kAddrSmbusGauge);
    if (status != 0) return status;
    link.WaitMs(kAbsAfterReadMs);
    return 0;
  }

  Status WriteVerified(int32_t k, const std::array<uint8_t, kDFPageBufferSize>& buffer,
                       int16_t length) {
    Status status = 0;
    if (size != kDFPageSize) status = Select(k);
    if (status == 0) status = link.WriteBlock(Command(k), buffer, length, kAddrSmbusGauge);
    if (status != 0) return status;
    link.WaitMs(size == kDFPageSize ? kAbsAfterPageWriteMs : kAbsAfterWriteMs);
    if (size != kDFPageSize) {
      status = Select(k);
      if (status != 0) return status;
    }
    std::array<uint8_t, kDFPageBufferSize> read{};
    int16_t got = 0;
    status = link.ReadBlock(Command(k), View(read), got, kAddrSmbusGauge);
    if (status != 0) return status;
    link.WaitMs(kAbsAfterVerifyReadMs);
    return SameBytes(buffer, read, length) ? 0 : kStatusDfWriteUnconfirmed;
  }

  // Reads block k, stores `bytes` from `position` on, writes and verifies it. A block
  // read too short to hold them is refused before the write.
  Status Patch(int32_t k, int32_t position, std::span<const uint8_t> bytes) {
    std::array<uint8_t, kDFPageBufferSize> buffer{};
    int16_t length = 0;
    const Status status = Read(k, buffer, length);
    if (status != 0) return status;
    if (position + static_cast<int32_t>(bytes.size()) > length) {
      return kStatusDfPositionOutOfBlock;
    }
    std::copy(bytes.begin(), bytes.end(), buffer.begin() + position);
    return WriteVerified(k, buffer, length);
  }
};

}  // namespace

Status ConfirmBlockWrite(GaugeLink& link, std::span<const uint8_t> written, int16_t length,
                         int32_t& attempts, const DFBlockReader& read, int retry_wait_ms) {
  // The read-back lands in a block buffer: a longer comparison would read past it.
  if (length > kDFBlockBufferSize || static_cast<std::size_t>(std::max<int16_t>(length, 0)) >
                                         written.size()) {
    return kStatusDfPositionOutOfBlock;
  }
  const double start = link.TimerNow();
  for (;;) {
    ++attempts;
    DFBlockBuffer buffer{};
    int16_t got = 0;
    const Status status = read(buffer, got);
    if (status != 0) return status;
    if (SameBytes(written, buffer, length)) return 0;
    if (link.ElapsedSeconds(start) >= kReadBackTimeoutS) return kStatusDfWriteUnconfirmed;
    if (retry_wait_ms > 0) link.WaitMs(retry_wait_ms);
  }
}

bool PutWordBE(std::span<uint8_t> buffer, int32_t offset, int16_t value) {
  if (offset < 0) return false;
  const auto position = static_cast<std::size_t>(offset % kDFBlockSize);
  const auto pattern = static_cast<uint16_t>(value);
  bool stored = false;
  if (position < buffer.size()) buffer[position] = static_cast<uint8_t>(pattern >> 8);
  if (position + 1 < buffer.size()) {
    buffer[position + 1] = static_cast<uint8_t>(pattern & 0xFF);
    stored = true;
  }
  return stored;
}

Status ReadDFBlock(GaugeLink& link, std::span<uint8_t> buffer, int16_t cls, int32_t offset,
                   int16_t& length) {
  uint8_t command = 0;
  if (!ClassBlockCommand(offset, command)) return kStatusDfPositionOutOfBlock;
  const Status status = link.WriteWord(kClassSelect, cls, kAddrSmbusGauge);
  if (status != 0) return status;
  return link.ReadBlock(command, buffer, length, kAddrSmbusGauge);
}

Status WriteDFBlock(GaugeLink& link, std::span<const uint8_t> buffer, int16_t cls,
                    int32_t offset, int16_t length) {
  uint8_t command = 0;
  if (!ClassBlockCommand(offset, command)) return kStatusDfPositionOutOfBlock;
  if (length < 0 || static_cast<std::size_t>(length) > buffer.size()) {
    return kStatusDfPositionOutOfBlock;
  }
  const Status status = link.WriteWord(kClassSelect, cls, kAddrSmbusGauge);
  if (status != 0) return status;
  return link.WriteBlock(command, buffer, length, kAddrSmbusGauge);
}

Status ReadDFValue(GaugeLink& link, int16_t cls, int32_t offset, DFValue& value) {
  const int bytes = value.type == DFValueType::Int16 ? 2 : 1;
  if (!FitsClassBlock(offset, bytes)) return kStatusDfPositionOutOfBlock;
  DFBlockBuffer buffer{};
  int16_t length = 0;
  const Status status = ReadDFBlock(link, buffer, cls, offset, length);
  if (status != 0) return status;
  const int position = offset % kDFBlockSize;
  if (value.type == DFValueType::Other) return kStatusBadValueType;
  if (position + bytes > length) return kStatusDfPositionOutOfBlock;
  if (value.type == DFValueType::Byte) {
    value.value = buffer[position];
  } else {
    value.value = static_cast<int16_t>((buffer[position] << 8) | buffer[position + 1]);
  }
  return 0;
}

Status WriteDFWordClass(GaugeLink& link, int16_t cls, int32_t offset, int16_t value,
                        int32_t& attempts) {
  DFBlockBuffer buffer{};
  int16_t length = 0;
  return WriteDFWordClass(link, cls, offset, value, attempts, buffer, length);
}

Status WriteDFWordClass(GaugeLink& link, int16_t cls, int32_t offset, int16_t value,
                        int32_t& attempts, DFBlockBuffer& buffer, int16_t& length) {
  if (!FitsClassBlock(offset, 2)) return kStatusDfPositionOutOfBlock;
  Status status = ReadDFBlock(link, buffer, cls, offset, length);
  if (status != 0) return status;
  if (offset % kDFBlockSize + 2 > length) return kStatusDfPositionOutOfBlock;
  PutWordBE(buffer, offset, value);
  status = WriteDFBlock(link, buffer, cls, offset, length);
  if (status != 0) return status;
  return ConfirmClassBlock(link, buffer, cls, offset, length, attempts);
}

Status WriteDFBlockVerified(GaugeLink& link, std::span<const uint8_t> buffer, int16_t cls,
                            int32_t offset, int16_t length, int32_t& attempts) {
  // The read-back lands in a block buffer: a longer block could never be confirmed, and
  // comparing it would read past that buffer. Refused before the write.
  if (length > kDFBlockBufferSize) return kStatusDfPositionOutOfBlock;
  Status status = WriteDFBlock(link, buffer, cls, offset, length);
  if (status != 0) return status;
  status = ConfirmClassBlock(link, buffer, cls, offset, length, attempts);
  if (status != 0) return status;
  DFBlockBuffer again{};
  int16_t got = 0;
  return ReadDFBlock(link, again, cls, offset, got);
}

Status WriteDFWordAbsolute(GaugeLink& link, int32_t address, int32_t offset, int16_t value) {
  AbsoluteBlocks blocks{link, link.Settings().COMMANDSET == 2 ? kDFPageSize : kDFBlockSize};
  if (address < 0) return kStatusDfPositionOutOfBlock;
  const int32_t k = address / blocks.size;
  const int32_t position = address + offset - k * blocks.size;
  const bool spills = position + 2 > blocks.size;
  if (position < 0 || position >= blocks.size || !blocks.Addressable(k) ||
      (spills && !blocks.Addressable(k + 1))) {
    return kStatusDfPositionOutOfBlock;
  }
  const auto pattern = static_cast<uint16_t>(value);
  const uint8_t word[2] = {static_cast<uint8_t>(pattern >> 8),
                           static_cast<uint8_t>(pattern & 0xFF)};
  const Status status =
      blocks.Patch(k, position, std::span<const uint8_t>(word).first(spills ? 1 : 2));
  if (status != 0 || !spills) return status;
  return blocks.Patch(k + 1, 0, std::span<const uint8_t>(word).last(1));
}

Status WriteManufactureDate(GaugeLink& link, int16_t value, int16_t absolute) {
  const StationSettings& settings = link.Settings();
  if (absolute != 0) {
    return WriteDFWordAbsolute(link, settings.DateClsID, settings.DateOffset, value);
  }
  int32_t attempts = 0;
  return WriteDFWordClass(link, settings.DateClsID, settings.DateOffset, value, attempts);
}

Status WriteMfData(GaugeLink& link, const MfDataValues& values) {
  const StationSettings& settings = link.Settings();
  const bool any = std::any_of(values.begin(), values.end(),
                               [](const auto& v) { return v.has_value(); });
  if (settings.PkLotValid == 0 || !any) return 0;
  // Every given word must lie in the block that holds PkLotOffset: the words are put
  // at their position mod 32, so one past the block end would land at its start.
  const int32_t first = settings.PkLotOffset;
  int32_t end = first;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i]) end = first + 2 * static_cast<int32_t>(i) + 2;
  }
  if (!FitsClassBlock(first, end - first)) return kStatusDfPositionOutOfBlock;
  DFBlockBuffer buffer{};
  int16_t length = 0;
  Status status = ReadDFBlock(link, buffer, settings.MfDataClsID, first, length);
  if (status != 0) return status;
  if (first % kDFBlockSize + (end - first) > length) return kStatusDfPositionOutOfBlock;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i]) PutWordBE(buffer, first + 2 * static_cast<int32_t>(i), *values[i]);
  }
  int32_t attempts = 0;
  return WriteDFBlockVerified(link, buffer, settings.MfDataClsID, first, length, attempts);
}

}  // namespace tester
