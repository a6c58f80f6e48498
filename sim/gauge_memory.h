#pragma once
// The gauge's non-volatile memory: 2048 bytes of data flash and the two instruction
// rows the ROM loaders save and restore. Flash semantics: erase sets bytes to 0xFF,
// programming can only clear bits (new = old AND data).
#include <array>
#include <cstdint>
#include <span>

namespace tester {

inline constexpr int kSimDataFlashSize = 2048;    // bytes of data flash
inline constexpr int kSimRowBytes = 96;           // bytes of one instruction row
inline constexpr int kSimInstructionRows = 2;     // rows the loaders save and restore
inline constexpr int kSimIdentityOffset = 48;     // firmware identity: bytes 48..50 of row 0
inline constexpr uint16_t kSimDataFlashBase = 0x4000;  // data-flash bus address of byte 0
inline constexpr uint8_t kSimErased = 0xFF;       // value of an erased flash byte

using InstructionRow = std::array<uint8_t, kSimRowBytes>;

class GaugeMemory {
public:
  GaugeMemory();

  std::span<const uint8_t> DataFlash() const { return data_flash_; }
  const InstructionRow& Row(int row) const { return rows_.at(row); }

  // Direct writes (building a pack, gauge-mode writes that the firmware erases first).
  void StoreDataFlash(int offset, std::span<const uint8_t> bytes);
  void StoreRow(int row, int offset, std::span<const uint8_t> bytes);

  // Flash operations of the ROM loaders.
  void EraseDataFlash();
  void EraseRow(int row);
  // Programs bytes at `offset` (bits can only be cleared). False when out of range.
  bool ProgramDataFlash(int offset, std::span<const uint8_t> bytes);
  bool ProgramRow(int row, std::span<const uint8_t> bytes);

  // 16-bit sum of data-flash bytes 0 .. span - 1.
  uint16_t Checksum(int span) const;
  // Bytes 48, 49, 50 of instruction row 0 as one 24-bit number.
  uint32_t FirmwareIdentity() const;
  bool RowErased(int row) const;

private:
  std::array<uint8_t, kSimDataFlashSize> data_flash_;
  std::array<InstructionRow, kSimInstructionRows> rows_;
};

}  // namespace tester
