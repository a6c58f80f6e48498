#include "sim/memory_builder.h"

namespace tester {
namespace {

// Identity bytes of a pack that carries the wrong firmware: every byte changed.
constexpr uint32_t kMismatchPattern = 0x010101;

// Deterministic pseudo-random sequence (xorshift32); never seeded with 0.
class Pattern {
public:
  explicit Pattern(uint32_t seed) : state_(seed == 0 ? 0x9E3779B9u : seed) {}
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  // Bytes that look like configuration data: many zeros, small counts, some full bytes.
  uint8_t ConfigByte() {
    uint32_t r = Next();
    switch (r % 5) {
      case 0:
      case 1:
        return 0x00;
      case 2:
        return static_cast<uint8_t>((r >> 8) & 0x0F);
      default:
        return static_cast<uint8_t>(r >> 16);
    }
  }

private:
  uint32_t state_;
};

void FillDataFlash(const PackDescription& pack, GaugeMemory& memory) {
  const DataFlashRule& rule = pack.data_flash;
  if (rule.seed != 0) {
    Pattern pattern(rule.seed);
    std::vector<uint8_t> bytes(LoaderSpan(pack));
    for (uint8_t& b : bytes) b = pattern.ConfigByte();
    for (int row : rule.blank_rows) {
      for (int i = row * pack.row_size; i < (row + 1) * pack.row_size; ++i) {
        if (i < static_cast<int>(bytes.size())) bytes[i] = kSimErased;
      }
    }
    memory.StoreDataFlash(0, bytes);
  }
  for (const BytePatch& patch : rule.patches) memory.StoreDataFlash(patch.offset, patch.bytes);
}

void FillInstructionRows(const PackDescription& pack, GaugeMemory& memory) {
  uint32_t seed = pack.irow_seed != 0 ? pack.irow_seed
                                      : (pack.identity * 2654435761u) ^ pack.device_type;
  Pattern pattern(seed);
  for (int row = 0; row < kSimInstructionRows; ++row) {
    std::vector<uint8_t> bytes(kSimRowBytes);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(pattern.Next() >> 24);
    memory.StoreRow(row, 0, bytes);
  }
  uint32_t id = EffectiveIdentity(pack);
  const uint8_t identity[3] = {static_cast<uint8_t>(id >> 16), static_cast<uint8_t>(id >> 8),
                               static_cast<uint8_t>(id)};
  memory.StoreRow(0, kSimIdentityOffset, identity);
  for (int row = 0; row < kSimInstructionRows; ++row) {
    for (const BytePatch& patch : pack.irow_patches[row]) {
      memory.StoreRow(row, patch.offset, patch.bytes);
    }
  }
}

}  // namespace

bool UsesRegisterLoader(int family) { return family == 5 || family == 6 || family == 7; }

int LoaderSpan(const PackDescription& pack) {
  return UsesRegisterLoader(pack.family) ? pack.image_span : pack.checksum_span;
}

uint32_t EffectiveIdentity(const PackDescription& pack) {
  return pack.defects.identity_mismatch ? pack.identity ^ kMismatchPattern : pack.identity;
}

GaugeMemory BuildPackMemory(const PackDescription& pack) {
  GaugeMemory memory;
  FillDataFlash(pack, memory);
  FillInstructionRows(pack, memory);
  return memory;
}

}  // namespace tester
