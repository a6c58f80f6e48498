#include "gauge/image_read.h"

#include <cstdlib>
#include <span>
#include <string>

#include "common/register_map.h"
#include "gauge/rom_mode.h"
#include "gauge/rom_programming.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

// --- SMBus ROM loader at 0x17 ---
constexpr uint8_t kSmbSelect = 0x00;       // block [0, 0, 0x10]: select the identity bytes
constexpr uint8_t kSmbSelectRead = 0x01;   // block read of what was selected
constexpr uint8_t kSmbAddress = 0x09;      // word: data-flash address of the next row read
constexpr uint8_t kSmbReadRow = 0x0C;      // block read: the row at that address
constexpr int kSmbRowBuffer = 65;

// --- register-style ROM loader at 0x16 ---
constexpr int kMaxRegReadCount = 0xFF;     // the count byte of a data-flash read


int32_t RowsToRead(const StationSettings& s) {
  return s.DF_PROGROW_SZ > 0 ? s.DF_IMAGE_SZ / s.DF_PROGROW_SZ : 0;
}

// A row must fit the buffer its read lands in (SMBus) or the count byte that asks for it
// (register loader).
bool RowSizeFits(const StationSettings& s, int limit) {
  return s.DF_PROGROW_SZ > 0 && s.DF_PROGROW_SZ <= limit;
}

Status LoaderResult(GaugeLink& link) {
  uint8_t result = 0;
  const Status status = link.ReadRegByte(regmap::kLoaderResult, result, kAddrRegLoader);
  return status != 0 ? status : (result == 0 ? 0 : kStatusChecksumMismatch);
}

// The firmware identity from instruction row 0 of the register-style loader.
Status ReadIdentityI2C(GaugeLink& link, int32_t& identity) {
  const uint8_t row_cmd[3] = {regmap::kLoaderReadRow, 0, 0};
  Status status = link.WriteRegBlock(regmap::kLoaderCommand, row_cmd, 3, kAddrRegLoader);
  if (status == 0) status = link.WriteRegByte(regmap::kLoaderChecksum, regmap::kLoaderReadRow, kAddrRegLoader);
  if (status == 0) status = LoaderResult(link);
  std::vector<uint8_t> row(kInstructionRowSize);
  int16_t length = kInstructionRowSize;
  if (status == 0) status = link.ReadRegBlock(regmap::kLoaderData, row, length, kAddrRegLoader);
  uint8_t after = 0;  // the loader's result once more; only the transfer counts
  if (status == 0) status = link.ReadRegByte(regmap::kLoaderResult, after, kAddrRegLoader);
  if (status == 0) identity = FirmwareIdentityOfRow(row);
  return status;
}

// One data-flash row through the register-style loader, checked against its sum.
Status ReadRowI2C(GaugeLink& link, int address, uint8_t count, std::vector<uint8_t>& data) {
  const uint8_t lo = static_cast<uint8_t>(address & 0xFF);
  const uint8_t hi = static_cast<uint8_t>(address >> 8);
  const uint8_t command[3] = {regmap::kLoaderReadFlash, lo, hi};
  Status status = link.WriteRegBlock(regmap::kLoaderCommand, command, 3, kAddrRegLoader);
  if (status == 0) status = link.WriteRegByte(regmap::kLoaderData, count, kAddrRegLoader);
  if (status == 0) {
    const auto checksum = static_cast<int16_t>(regmap::kLoaderReadFlash + lo + hi + count);
    status = link.WriteRegWord(regmap::kLoaderChecksum, checksum, kAddrRegLoader);
  }
  std::vector<uint8_t> bytes(count);
  int16_t got = count;
  if (status == 0) status = link.ReadRegBlock(regmap::kLoaderReadData, bytes, got, kAddrRegLoader);
  if (status == 0) status = LoaderResult(link);
  int16_t check = 0;
  if (status == 0) status = link.ReadRegWord(regmap::kLoaderChecksum, check, kAddrRegLoader);
  if (status != 0) return status;
  // The loader sums the count byte with the bytes it gave.
  if (static_cast<uint16_t>(count + Sum16(bytes)) != static_cast<uint16_t>(check)) {
    return kStatusChecksumMismatch;
  }
  data.insert(data.end(), bytes.begin(), bytes.end());
  return 0;
}

}  // namespace

Status ReadImageSMBus(GaugeLink& link, int32_t& identity, std::vector<uint8_t>& data) {
  const StationSettings& s = link.Settings();
  data.clear();
  int16_t probe = 0;
  Status status = ReadROMProbe(link, probe);
  if (status != 0) return status;
  if (probe <= kProbeInRomMode) return kStatusNotInRomMode;
  if (!RowSizeFits(s, kSmbRowBuffer)) return kStatusImageGeometryInvalid;
  const uint8_t select[3] = {0x00, 0x00, 0x10};
  status = link.WriteBlock(kSmbSelect, select, 3, kAddrSmbusGauge);
  std::string text;
  if (status == 0) status = link.ReadBlockText(kSmbSelectRead, text, kAddrSmbusGauge, 0);
  if (status != 0) return status;
  identity = static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 16));
  for (int32_t i = 0; i < RowsToRead(s); ++i) {
    const int address = s.DF_BASE_ADDR + i * s.DF_PROGROW_SZ;
    status = link.WriteWord(kSmbAddress, static_cast<int16_t>(address), kAddrSmbusGauge);
    std::vector<uint8_t> row(kSmbRowBuffer);
    int16_t length = 0;
    if (status == 0) status = link.ReadBlock(kSmbReadRow, row, length, kAddrSmbusGauge);
    if (status != 0) return status;
    data.insert(data.end(), row.begin(), row.begin() + s.DF_PROGROW_SZ);
  }
  return 0;
}

Status ReadImageI2C(GaugeLink& link, int32_t& identity, std::vector<uint8_t>& data) {
  const StationSettings& s = link.Settings();
  data.clear();
  if (!RowSizeFits(s, kMaxRegReadCount)) return kStatusImageGeometryInvalid;
  Status status = ReadIdentityI2C(link, identity);
  const auto count = static_cast<uint8_t>(s.DF_PROGROW_SZ);
  for (int32_t i = 0; status == 0 && i < RowsToRead(s); ++i) {
    status = ReadRowI2C(link, s.DF_BASE_ADDR + i * s.DF_PROGROW_SZ, count, data);
  }
  return status;
}

Status ReadReferenceImage(GaugeLink& link, int32_t& identity, std::vector<uint8_t>& data) {
  const StationSettings& s = link.Settings();
  const auto cmd = static_cast<uint8_t>(s.RetROMCmd);
  const int family = s.COMMANDSET;
  if (IsRegisterGauge(family)) {
    Status status = EnterROMModeI2C(link, cmd, s.RetROMWd);
    if (status == 0) status = ReadImageI2C(link, identity, data);
    if (status == 0 && ExitROMModeI2C(link) != kTrue) status = kStatusRomExitFailed;
    return status;
  }
  if (EnterROMMode(link, cmd, s.RetROMWd) != kTrue) return kStatusRomLoaderTimeout;
  if (family != kCommandSetSwitchedLoader) {
    Status status = ReadImageSMBus(link, identity, data);
    if (status == 0) status = ExitROMMode(link);
    return status;
  }
  Status status = link.SelectBusMode(kBusModeRegister);
  if (status != 0) return status;
  status = ReadImageI2C(link, identity, data);
  if (status == 0 && ExitROMModeI2C(link) != kTrue) status = kStatusRomExitFailed;
  const Status back = link.SelectBusMode(kBusModeSmbus);
  return status != 0 ? status : back;
}

}  // namespace tester
