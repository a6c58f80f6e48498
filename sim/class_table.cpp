#include "sim/class_table.h"

#include <algorithm>

namespace tester {

ClassTable DefaultClassTable() {
  return {
      {48, 0x0100, 64},    // manufacture date at offset 10
      {56, 0x0140, 64},    // manufacturer data, pack lot at offset 0
      {104, 0x0180, 128},  // calibration values, offsets up to 99
      {168, 0x0200, 32},   // serial number at offset 14
      {556, 0x0220, 64},   // register settings
  };
}

void SetClass(ClassTable& table, const DataFlashClass& entry) {
  for (DataFlashClass& existing : table) {
    if (existing.id == entry.id) {
      existing = entry;
      return;
    }
  }
  table.push_back(entry);
}

std::optional<DataFlashClass> FindClass(const ClassTable& table, int id) {
  auto it = std::find_if(table.begin(), table.end(),
                         [id](const DataFlashClass& c) { return c.id == id; });
  if (it == table.end()) return std::nullopt;
  return *it;
}

std::optional<DataFlashClass> FindClassByLowByte(const ClassTable& table, uint8_t id) {
  auto it = std::find_if(table.begin(), table.end(),
                         [id](const DataFlashClass& c) { return (c.id & 0xFF) == id; });
  if (it == table.end()) return std::nullopt;
  return *it;
}

}  // namespace tester
