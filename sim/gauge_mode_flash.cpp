#include "sim/gauge_mode_flash.h"

#include <algorithm>

namespace tester {
namespace {

// Bit pattern by which the read-back defect alters a stored byte.
constexpr uint8_t kCorruptionMask = 0x01;

std::optional<DataFlashClass> BlockOf(const std::optional<DataFlashClass>& c, int block) {
  if (!c || block < 0 || block * kSimClassBlockBytes >= c->length) return std::nullopt;
  return c;
}

}  // namespace

bool GaugeModeFlash::ReadAt(int address, int limit, std::vector<uint8_t>& bytes) const {
  if (address < 0 || address >= kSimDataFlashSize) return false;
  int count = std::min(limit, kSimDataFlashSize - address);
  auto flash = core_.Memory().DataFlash();
  bytes.assign(flash.begin() + address, flash.begin() + address + count);
  return true;
}

bool GaugeModeFlash::WriteAt(int address, int limit, std::span<const uint8_t> bytes) {
  if (address < 0 || address >= kSimDataFlashSize) return false;
  size_t count = std::min<size_t>({bytes.size(), static_cast<size_t>(limit),
                                   static_cast<size_t>(kSimDataFlashSize - address)});
  std::vector<uint8_t> stored(bytes.begin(), bytes.begin() + count);
  if (core_.Pack().defects.readback_corrupt && !stored.empty()) {
    auto flash = core_.Memory().DataFlash();
    size_t changed = 0;
    while (changed < count && stored[changed] == flash[address + changed]) ++changed;
    if (changed == count) changed = 0;
    stored[changed] ^= kCorruptionMask;
  }
  core_.Memory().StoreDataFlash(address, stored);
  ++core_.Counters().gauge_mode_writes;
  return true;
}

bool GaugeModeFlash::ReadClassBlock(int class_id, int block, std::vector<uint8_t>& bytes) const {
  auto c = BlockOf(FindClass(core_.Pack().classes, class_id), block);
  return c && ReadAt(c->address + block * kSimClassBlockBytes, kSimClassBlockBytes, bytes);
}

bool GaugeModeFlash::WriteClassBlock(int class_id, int block, std::span<const uint8_t> bytes) {
  auto c = BlockOf(FindClass(core_.Pack().classes, class_id), block);
  return c && WriteAt(c->address + block * kSimClassBlockBytes, kSimClassBlockBytes, bytes);
}

bool GaugeModeFlash::ReadClassBlockLow(uint8_t class_id, int block,
                                       std::vector<uint8_t>& bytes) const {
  auto c = BlockOf(FindClassByLowByte(core_.Pack().classes, class_id), block);
  return c && ReadAt(c->address + block * kSimClassBlockBytes, kSimClassBlockBytes, bytes);
}

bool GaugeModeFlash::WriteClassBlockLow(uint8_t class_id, int block,
                                        std::span<const uint8_t> bytes) {
  auto c = BlockOf(FindClassByLowByte(core_.Pack().classes, class_id), block);
  return c && WriteAt(c->address + block * kSimClassBlockBytes, kSimClassBlockBytes, bytes);
}

bool GaugeModeFlash::ReadAbsolute(int block, int size, std::vector<uint8_t>& bytes) const {
  return block >= 0 && ReadAt(block * size, size, bytes);
}

bool GaugeModeFlash::WriteAbsolute(int block, int size, std::span<const uint8_t> bytes) {
  return block >= 0 && WriteAt(block * size, size, bytes);
}

}  // namespace tester
