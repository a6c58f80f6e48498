#include "gauge/rom_programming.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <vector>

#include "common/register_map.h"
#include "gauge/rom_mode.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

using InstructionRow = std::array<uint8_t, kInstructionRowSize>;
using InstructionRows = std::array<InstructionRow, 2>;

// --- SMBus ROM loader at 0x17 ---
constexpr uint8_t kSmbRowSelect = 0x00;     // block [r, 0, 0]: select instruction row r
constexpr uint8_t kSmbRowRead = 0x02;       // block read: the selected instruction row
constexpr uint8_t kSmbRowWrite = 0x05;      // block [r, 0, 96 bytes]: write instruction row r
constexpr uint8_t kSmbEraseRow0 = 0x06;     // word 0x0000: erase instruction row 0
constexpr uint8_t kSmbProgramRow = 0x10;    // block [r, row bytes]: program data-flash row r
constexpr uint8_t kSmbMassErase = 0x12;     // word 0x83DE: erase the whole data flash
constexpr uint8_t kSmbChecksum = 0x0E;      // read word: 16-bit sum of the checksum span
constexpr uint16_t kMassEraseKey = 0x83DE;  // key word that arms the mass erase
constexpr int kChecksumReads = 9;           // reads of the checksum before giving up
constexpr int kChecksumRetryMs = 100;       // spacing of those reads
constexpr int kRowReadBufferSize = 97;      // a 96-byte row plus room for one more

// --- register-style ROM loader at 0x16 ---
constexpr int kRestoreChunk = 32;           // instruction-row bytes per register block write
constexpr uint8_t kRestoreRegs[3] = {0x04, 0x24, 0x44};  // where the three chunks go

uint8_t Low(uint32_t value) { return static_cast<uint8_t>(value & 0xFF); }
uint8_t High(uint32_t value) { return static_cast<uint8_t>((value >> 8) & 0xFF); }
int16_t AsWord(uint16_t pattern) { return static_cast<int16_t>(pattern); }

Status CheckGeometry(int32_t span, int32_t row_size, int32_t max_rows,
                     ProgramGeometry& geometry) {
  if (row_size <= 0 || span < 0) return kStatusImageGeometryInvalid;
  const int32_t rows = span / row_size;
  if (static_cast<int64_t>(rows) * row_size > static_cast<int64_t>(kImageDataSize) ||
      rows > max_rows) {
    return kStatusImageGeometryInvalid;
  }
  geometry.rows = rows;
  geometry.row_size = row_size;
  return 0;
}

std::span<const uint8_t> RowOf(const ImageRecord& image, const ProgramGeometry& g, int32_t r) {
  return std::span<const uint8_t>(image.data).subspan(static_cast<std::size_t>(r * g.row_size),
                                                      static_cast<std::size_t>(g.row_size));
}

// ---------------------------------------------------------------- SMBus loader steps

// Reads instruction row r; `complete` tells whether the loader sent all 96 bytes.
Status ReadRowSMBus(GaugeLink& link, int r, InstructionRow& row, bool& complete) {
  const uint8_t select[3] = {static_cast<uint8_t>(r), 0x00, 0x00};
  Status status = link.WriteBlock(kSmbRowSelect, select, 3, kAddrSmbusGauge);
  if (status != 0) return status;
  std::array<uint8_t, kRowReadBufferSize> buffer{};
  int16_t length = 0;
  status = link.ReadBlock(kSmbRowRead, buffer, length, kAddrSmbusGauge);
  if (status != 0) return status;
  std::copy_n(buffer.begin(), kInstructionRowSize, row.begin());
  complete = length == kInstructionRowSize;
  return 0;
}

// Step 1. A short row would be restored with zeros in its tail, so it fails here,
// before anything is erased.
Status SaveRowsSMBus(GaugeLink& link, InstructionRows& rows) {
  for (int r = 0; r < 2; ++r) {
    bool complete = false;
    const Status status = ReadRowSMBus(link, r, rows[r], complete);
    if (status != 0) return status;
    if (!complete) return kStatusChecksumMismatch;
  }
  return 0;
}

Status WriteWordThenWaitReady(GaugeLink& link, uint8_t cmd, uint16_t word) {
  const Status status = link.WriteWord(cmd, AsWord(word), kAddrSmbusGauge);
  if (status != 0) return status;
  int32_t probes = 0;
  return WaitROMReady(link, probes);
}

// Step 5: rows that are all 0xFF stay erased.
Status ProgramRowsSMBus(GaugeLink& link, const ImageRecord& image, const ProgramGeometry& g) {
  std::vector<uint8_t> block(static_cast<std::size_t>(g.row_size) + 1);
  for (int32_t r = 0; r < g.rows; ++r) {
    const auto row = RowOf(image, g, r);
    if (IsBlankRow(row)) continue;
    block[0] = static_cast<uint8_t>(r);
    std::copy(row.begin(), row.end(), block.begin() + 1);
    const Status status = link.WriteBlock(kSmbProgramRow, block,
                                          static_cast<int16_t>(block.size()), kAddrSmbusGauge);
    if (status != 0) return status;
    int32_t probes = 0;
    const Status ready = WaitROMReady(link, probes);
    if (ready != 0) return ready;
  }
  return 0;
}

// Step 6: the loader may still be summing; a failed read is repeated 100 ms later, nine
// reads in all. No wait follows the last failure: nothing is read after it.
Status ConfirmChecksumSMBus(GaugeLink& link, uint16_t expected) {
  Status status = 0;
  for (int attempt = 1; attempt <= kChecksumReads; ++attempt) {
    int16_t value = 0;
    status = link.ReadWord(kSmbChecksum, value, kAddrSmbusGauge);
    if (status == 0) {
      return static_cast<uint16_t>(value) == expected ? 0 : kStatusChecksumMismatch;
    }
    if (attempt < kChecksumReads) link.WaitMs(kChecksumRetryMs);
  }
  return status;
}

// Step 7: write each saved row back and read it again to be sure it took.
Status RestoreRowsSMBus(GaugeLink& link, const InstructionRows& rows) {
  std::array<uint8_t, kInstructionRowSize + 2> block{};
  for (int r = 0; r < 2; ++r) {
    block[0] = static_cast<uint8_t>(r);
    block[1] = 0x00;
    std::copy(rows[r].begin(), rows[r].end(), block.begin() + 2);
    Status status = link.WriteBlock(kSmbRowWrite, block, static_cast<int16_t>(block.size()),
                                    kAddrSmbusGauge);
    if (status != 0) return status;
    int32_t probes = 0;
    status = WaitROMReady(link, probes);
    if (status != 0) return status;
    InstructionRow read_back{};
    bool complete = false;
    status = ReadRowSMBus(link, r, read_back, complete);
    if (status != 0) return status;
    if (!complete || read_back != rows[r]) return kStatusRomNotReady;
  }
  return 0;
}

// ------------------------------------------------------- register-style loader steps

Status SendCommandBlock(GaugeLink& link, uint8_t cmd, uint16_t row) {
  const uint8_t block[3] = {cmd, Low(row), High(row)};
  return link.WriteRegBlock(regmap::kLoaderCommand, block, 3, kAddrRegLoader);
}

Status SendChecksum(GaugeLink& link, uint16_t sum) {
  return link.WriteRegWord(regmap::kLoaderChecksum, AsWord(sum), kAddrRegLoader);
}

Status ReadResult(GaugeLink& link, uint8_t& result) {
  result = 0;
  return link.ReadRegByte(regmap::kLoaderResult, result, kAddrRegLoader);
}

// Step 2: row r, with the loader's own sum of it as a check of the transfer.
Status SaveRowI2C(GaugeLink& link, int r, InstructionRow& row) {
  Status status = SendCommandBlock(link, regmap::kLoaderReadRow, static_cast<uint16_t>(r));
  if (status == 0) status = SendChecksum(link, static_cast<uint16_t>(regmap::kLoaderReadRow + r));
  uint8_t result = 0;
  if (status == 0) status = ReadResult(link, result);  // only the transfer counts here
  if (status != 0) return status;
  std::array<uint8_t, kInstructionRowSize> buffer{};
  int16_t length = kInstructionRowSize;
  status = link.ReadRegBlock(regmap::kLoaderData, buffer, length, kAddrRegLoader);
  if (status == 0) status = link.CheckBusStatus();
  if (status != 0) return status;
  row = buffer;
  status = link.CheckBusStatus();
  uint8_t b1 = 0;
  uint8_t b0 = 0;
  if (status == 0) status = link.ReadRegBytes(regmap::kLoaderChecksum, b1, b0, kAddrRegLoader);
  if (status != 0) return status;
  // A short row would be restored with zeros in its tail: refuse it like a bad sum.
  if (length != kInstructionRowSize) return kStatusChecksumMismatch;
  return (b1 * 256 + b0) == Sum16(row) ? 0 : kStatusChecksumMismatch;
}

// Step 3.
Status EraseRow0I2C(GaugeLink& link) {
  Status status = SendCommandBlock(link, regmap::kLoaderEraseRow0, 0);
  if (status == 0) status = SendChecksum(link, regmap::kLoaderEraseRow0);
  if (status != 0) return status;
  link.PauseBoth(link.Settings().DF_ERASEROW);
  uint8_t result = 0;
  status = ReadResult(link, result);
  if (status != 0) return status;
  return result == 0 ? 0 : kStatusLoaderRejected;
}

// Step 5: the key bytes 0x83, 0xDE go little-endian as one word.
Status MassEraseI2C(GaugeLink& link) {
  Status status = link.WriteRegByte(regmap::kLoaderCommand, regmap::kLoaderMassErase, kAddrRegLoader);
  if (status == 0) status = link.WriteRegWord(regmap::kLoaderData, AsWord(0xDE83), kAddrRegLoader);
  if (status == 0) status = SendChecksum(link, regmap::kLoaderMassErase + Low(0xDE83) + High(0xDE83));
  if (status != 0) return status;
  link.PauseBoth(link.Settings().DF_MASSERASE);
  uint8_t result = 0;
  status = ReadResult(link, result);
  if (status != 0) return status;
  return result;
}

// Step 6: every row counts in `total`, blank rows are not sent. A row's checksum is the
// sum of every byte sent with the command: 0x0A, row number low and high byte, data.
// For rows 0 to 255 that is 0x0A + r + the row's sum. From row 256 on (possible only with
// rows of 7 bytes or less) the row number itself would not be the sum of its two bytes;
// the loader checks the bytes it received, so the byte sum is sent.
Status ProgramRowsI2C(GaugeLink& link, const ImageRecord& image, const ProgramGeometry& g,
                      uint16_t& total) {
  Status status = link.WaitBusIdle(link.Settings().USB_RESP_TIME);
  if (status != 0) return status;
  total = 0;
  for (int32_t r = 0; r < g.rows; ++r) {
    const auto row = RowOf(image, g, r);
    const uint16_t row_sum = Sum16(row);
    total = static_cast<uint16_t>(total + row_sum);
    if (IsBlankRow(row)) continue;
    const uint16_t number = static_cast<uint16_t>(r);
    status = SendCommandBlock(link, regmap::kLoaderProgramRow, number);
    if (status == 0) {
      status = link.WriteRegBlock(regmap::kLoaderData, row, static_cast<int16_t>(g.row_size),
                                  kAddrRegLoader);
    }
    if (status == 0) {
      status = SendChecksum(link, static_cast<uint16_t>(regmap::kLoaderProgramRow + Low(number) +
                                                        High(number) + row_sum));
    }
    if (status != 0) return status;
    link.AdapterPause(link.Settings().DF_PROGROW);
    uint8_t result = 0;
    status = ReadResult(link, result);
    if (status != 0) return status;
    if (result != 0) return result;
  }
  return 0;
}

// Step 7.
Status ConfirmChecksumI2C(GaugeLink& link, uint16_t expected) {
  Status status = link.WriteRegByte(regmap::kLoaderCommand, regmap::kLoaderSumFlash, kAddrRegLoader);
  if (status == 0) status = SendChecksum(link, regmap::kLoaderSumFlash);
  if (status != 0) return status;
  link.PauseBoth(link.Settings().DF_CHECKSUM_COMPUTE_DELAY);
  uint8_t result = 0;
  status = ReadResult(link, result);
  if (status != 0) return status;
  if (result != 0) return kStatusChecksumMismatch;
  uint8_t b1 = 0;
  uint8_t b0 = 0;
  status = link.ReadRegBytes(regmap::kLoaderData, b1, b0, kAddrRegLoader);
  if (status != 0) return status;
  if (b1 * 256 + b0 != expected) return kStatusChecksumMismatch;
  return link.CheckBusStatus();
}

// Step 8.
Status RestoreRowsI2C(GaugeLink& link, const InstructionRows& rows) {
  for (int r = 0; r < 2; ++r) {
    const std::span<const uint8_t> row(rows[r]);
    Status status = SendCommandBlock(link, regmap::kLoaderWriteRow, static_cast<uint16_t>(r));
    for (int chunk = 0; chunk < 3 && status == 0; ++chunk) {
      status = link.WriteRegBlock(kRestoreRegs[chunk], row.subspan(chunk * kRestoreChunk,
                                                                    kRestoreChunk),
                                  kRestoreChunk, kAddrRegLoader);
    }
    if (status == 0) status = SendChecksum(link, static_cast<uint16_t>(regmap::kLoaderWriteRow + r +
                                                                        Sum16(row)));
    if (status != 0) return status;
    link.PauseBoth(link.Settings().DF_PROGROW);
    status = link.CheckBusStatus();
    uint8_t result = 0;
    if (status == 0) status = ReadResult(link, result);
    if (status != 0) return status;
    if (result != 0) return kStatusLoaderRejected;
  }
  return 0;
}

}  // namespace

Status SMBusProgramGeometry(const StationSettings& settings, ProgramGeometry& geometry) {
  // The row number travels as the first byte of the program block.
  return CheckGeometry(settings.DF_CHKSUM_SZ, settings.DF_PROGROW_SZ, 256, geometry);
}

Status RegisterProgramGeometry(const StationSettings& settings, ProgramGeometry& geometry) {
  return CheckGeometry(settings.DF_IMAGE_SZ, settings.DF_PROGROW_SZ,
                       static_cast<int32_t>(kImageDataSize), geometry);
}

int32_t FirmwareIdentityOfRow(std::span<const uint8_t> row0) {
  return (row0[kIdentityByteOffset] << 16) | (row0[kIdentityByteOffset + 1] << 8) |
         row0[kIdentityByteOffset + 2];
}

uint16_t Sum16(std::span<const uint8_t> bytes) {
  return static_cast<uint16_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

bool IsBlankRow(std::span<const uint8_t> row) {
  return std::all_of(row.begin(), row.end(), [](uint8_t b) { return b == kImageBlankByte; });
}

Status ProgramImageSMBus(GaugeLink& link, const ImageRecord& image) {
  ProgramGeometry geometry;
  Status status = SMBusProgramGeometry(link.Settings(), geometry);
  if (status != 0) return status;
  InstructionRows rows{};
  status = SaveRowsSMBus(link, rows);
  if (status != 0) return status;
  if (FirmwareIdentityOfRow(rows[0]) != image.identity) return kStatusIdentityMismatch;
  status = WriteWordThenWaitReady(link, kSmbEraseRow0, 0x0000);
  if (status == 0) status = WriteWordThenWaitReady(link, kSmbMassErase, kMassEraseKey);
  if (status == 0) status = ProgramRowsSMBus(link, image, geometry);
  if (status == 0) {
    const auto span = std::span<const uint8_t>(image.data).first(
        static_cast<std::size_t>(geometry.Bytes()));
    status = ConfirmChecksumSMBus(link, Sum16(span));
  }
  if (status != 0) return status;
  return RestoreRowsSMBus(link, rows);
}

Status ProgramImageI2C(GaugeLink& link, const ImageRecord& image) {
  ProgramGeometry geometry;
  Status status = RegisterProgramGeometry(link.Settings(), geometry);
  if (status != 0) return status;
  status = link.WaitBusIdle(link.Settings().USB_RESP_TIME);
  if (status != 0) return status;
  InstructionRows rows{};
  for (int r = 0; r < 2 && status == 0; ++r) status = SaveRowI2C(link, r, rows[r]);
  if (status == 0) status = EraseRow0I2C(link);
  if (status != 0) return status;
  if (FirmwareIdentityOfRow(rows[0]) != image.identity) {
    // Row 0 is already erased: put both rows back, then report the mismatch whatever
    // the restore returned.
    RestoreRowsI2C(link, rows);
    return kStatusIdentityMismatch;
  }
  uint16_t total = 0;
  status = MassEraseI2C(link);
  if (status == 0) status = ProgramRowsI2C(link, image, geometry, total);
  if (status == 0) status = ConfirmChecksumI2C(link, total);
  if (status != 0) return status;
  return RestoreRowsI2C(link, rows);
}

}  // namespace tester
