#pragma once
// Data-flash access of the gauge firmware (gauge mode): blocks of a class and absolute
// blocks of the data flash. The firmware erases and reprograms internally, so a write
// replaces the bytes; it lands in the same data flash the ROM loaders see.
#include <cstdint>
#include <span>
#include <vector>

#include "sim/gauge_core.h"

namespace tester {

inline constexpr int kSimClassBlockBytes = 32;  // block of a class in gauge mode

class GaugeModeFlash {
public:
  explicit GaugeModeFlash(GaugeCore& core) : core_(core) {}

  // Block `block` (32 bytes) of class `class_id`; false when the class is unknown or
  // the block starts past its end.
  bool ReadClassBlock(int class_id, int block, std::vector<uint8_t>& bytes) const;
  bool WriteClassBlock(int class_id, int block, std::span<const uint8_t> bytes);
  // Same with the class given as its low byte (register-style gauges).
  bool ReadClassBlockLow(uint8_t class_id, int block, std::vector<uint8_t>& bytes) const;
  bool WriteClassBlockLow(uint8_t class_id, int block, std::span<const uint8_t> bytes);

  // Absolute block `block` of `size` bytes of the data flash (size 32 or 64).
  bool ReadAbsolute(int block, int size, std::vector<uint8_t>& bytes) const;
  bool WriteAbsolute(int block, int size, std::span<const uint8_t> bytes);

private:
  bool ReadAt(int address, int limit, std::vector<uint8_t>& bytes) const;
  // Stores `bytes` at `address` (at most `limit` bytes); a pack with the read-back
  // defect gets the first changed byte altered.
  bool WriteAt(int address, int limit, std::span<const uint8_t> bytes);

  GaugeCore& core_;
};

}  // namespace tester
