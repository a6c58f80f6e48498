#include "sim/gauge_memory.h"

#include <algorithm>

namespace tester {

GaugeMemory::GaugeMemory() {
  data_flash_.fill(kSimErased);
  for (InstructionRow& row : rows_) row.fill(kSimErased);
}

void GaugeMemory::StoreDataFlash(int offset, std::span<const uint8_t> bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    size_t at = static_cast<size_t>(offset) + i;
    if (offset >= 0 && at < data_flash_.size()) data_flash_[at] = bytes[i];
  }
}

void GaugeMemory::StoreRow(int row, int offset, std::span<const uint8_t> bytes) {
  InstructionRow& target = rows_.at(row);
  for (size_t i = 0; i < bytes.size(); ++i) {
    size_t at = static_cast<size_t>(offset) + i;
    if (offset >= 0 && at < target.size()) target[at] = bytes[i];
  }
}

void GaugeMemory::EraseDataFlash() { data_flash_.fill(kSimErased); }

void GaugeMemory::EraseRow(int row) { rows_.at(row).fill(kSimErased); }

bool GaugeMemory::ProgramDataFlash(int offset, std::span<const uint8_t> bytes) {
  if (offset < 0 || offset + bytes.size() > data_flash_.size()) return false;
  for (size_t i = 0; i < bytes.size(); ++i) data_flash_[offset + i] &= bytes[i];
  return true;
}

bool GaugeMemory::ProgramRow(int row, std::span<const uint8_t> bytes) {
  if (row < 0 || row >= kSimInstructionRows || bytes.size() != kSimRowBytes) return false;
  for (size_t i = 0; i < bytes.size(); ++i) rows_[row][i] &= bytes[i];
  return true;
}

uint16_t GaugeMemory::Checksum(int span) const {
  uint32_t sum = 0;
  int end = std::clamp(span, 0, kSimDataFlashSize);
  for (int i = 0; i < end; ++i) sum += data_flash_[i];
  return static_cast<uint16_t>(sum);
}

uint32_t GaugeMemory::FirmwareIdentity() const {
  const InstructionRow& row = rows_[0];
  return (uint32_t{row[kSimIdentityOffset]} << 16) | (uint32_t{row[kSimIdentityOffset + 1]} << 8) |
         row[kSimIdentityOffset + 2];
}

bool GaugeMemory::RowErased(int row) const {
  const InstructionRow& r = rows_.at(row);
  return std::all_of(r.begin(), r.end(), [](uint8_t b) { return b == kSimErased; });
}

}  // namespace tester
