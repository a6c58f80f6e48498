#pragma once
// Whole-image programming of the data flash through the gauge's ROM loader: save the
// instruction rows, check the firmware identity, erase, program the rows that are not
// blank, confirm the loader's checksum, restore the instruction rows.
//
// Both procedures expect the gauge already in ROM mode (and, for command set 5, the
// adapter in bus mode 1). The first failing step ends the sequence with its status; a
// failure after the erase leaves the gauge in ROM mode with its rows not restored.
#include <cstdint>
#include <span>

#include "gauge/gauge_link.h"
#include "gauge/image_file.h"
#include "common/status_codes.h"

namespace tester {

// Bytes of one instruction row of the gauge's instruction memory.
inline constexpr int kInstructionRowSize = 96;
// The firmware identity lies in bytes 48, 49, 50 of instruction row 0 (high byte first).
inline constexpr int kIdentityByteOffset = 48;

// Rows and bytes of an image a loader programs, from the station's geometry.
struct ProgramGeometry {
  int32_t rows = 0;      // span ÷ DF_PROGROW_SZ
  int32_t row_size = 0;  // DF_PROGROW_SZ
  int32_t Bytes() const { return rows * row_size; }
};

// The SMBus loader covers DF_CHKSUM_SZ, the register loader DF_IMAGE_SZ. Returns
// kStatusImageGeometryInvalid when the row size is not positive, the span is negative,
// the rows reach past the image's 2049 data bytes, or (SMBus) a row number would not fit
// the byte that carries it.
Status SMBusProgramGeometry(const StationSettings& settings, ProgramGeometry& geometry);
Status RegisterProgramGeometry(const StationSettings& settings, ProgramGeometry& geometry);

// Firmware identity held in a saved instruction row 0.
int32_t FirmwareIdentityOfRow(std::span<const uint8_t> row0);

// 16-bit sum (modulo 65536) of the bytes: the checksum both loaders compute.
uint16_t Sum16(std::span<const uint8_t> bytes);

// True when every byte is 0xFF: such a row is left erased, not programmed.
bool IsBlankRow(std::span<const uint8_t> row);

// SMBus loader at 0x17 (every command set except 5, 6, 7).
Status ProgramImageSMBus(GaugeLink& link, const ImageRecord& image);
// Register-style loader at 0x16 (command sets 5, 6, 7).
Status ProgramImageI2C(GaugeLink& link, const ImageRecord& image);

}  // namespace tester
