#pragma once
// Data-flash classes of a gauge model: where each class (subclass id) lives in the data
// flash. Gauge-mode class access (SMBus 0x77/0x78.., register-style 0x3E/0x3F/0x40..)
// goes through this table.
#include <cstdint>
#include <optional>
#include <vector>

namespace tester {

struct DataFlashClass {
  int id = 0;       // class id as the SMBus gauge receives it (16-bit)
  int address = 0;  // offset of the class's first byte in the data flash
  int length = 0;   // bytes in the class
};

using ClassTable = std::vector<DataFlashClass>;

// The classes the default station settings use: 48 (manufacture date), 56 (manufacturer
// data), 104 (calibration), 168 (serial number), 556 (register settings). All lie clear
// of the data-flash addresses 48 and 56 that absolute access uses.
ClassTable DefaultClassTable();

// Adds or replaces the class with `entry.id`.
void SetClass(ClassTable& table, const DataFlashClass& entry);

// Class with this 16-bit id.
std::optional<DataFlashClass> FindClass(const ClassTable& table, int id);
// Class whose id has this low byte: register-style gauges receive the class as one byte.
std::optional<DataFlashClass> FindClassByLowByte(const ClassTable& table, uint8_t id);

}  // namespace tester
