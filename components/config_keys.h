#pragma once
// The layout of a station file: which section and key hold each property of the
// station configuration, the property's default, the values it accepts, and which loads and
// saves cover it. docs/station-file.md describes the same table for people.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "common/tester_config.h"

namespace tester {

// How a property's value is written and checked.
enum class ValueKind {
  kFlag,   // 0 (off) or 1 (on)
  kInt16,  // whole number within [min, max] (inside the 16-bit range)
  kInt32,  // whole number within [min, max] (inside the 32-bit range)
  kReal,   // single-precision number within [min, max], point as decimal separator
  kText,   // one line of text, written in double quotes
};

// Which operations read and write a property besides LoadConfig and SaveConfig.
enum class KeyScope {
  kGlobal,      // the jig-wide switches and values: LoadGlobalConfig reads them
  kReference,   // the station's reference values: LoadVTIConfig / SaveVTIConfig
  kTempOffset,  // the station's sensor offsets: LoadTempConfig / SaveTempConfig
  kStation,     // other per-station values (only LoadConfig / SaveConfig)
};

using PropertyField = std::variant<int16_t TesterConfigProperties::*,
                                   int32_t TesterConfigProperties::*,
                                   float TesterConfigProperties::*,
                                   std::string TesterConfigProperties::*>;

struct ConfigKey {
  std::string_view section;
  std::string_view key;  // the property's own name
  ValueKind kind;
  KeyScope scope;
  PropertyField field;
  double def = 0;             // default of numbers
  double min = 0;             // accepted range of numbers, both ends included
  double max = 0;
  std::string_view comment;   // one line written above the key in a new file
};

// Every stored property (all but IniFile), grouped by section in file order.
std::span<const ConfigKey> ConfigKeys();

// The comment line written above a section's header in a new file.
std::string_view SectionComment(std::string_view section);

// The title of the group the global configuration editor shows a section's keys in ("Test
// steps", "Calibration switches", ...); sections in file order give the groups in order,
// and neighbouring sections may share one ([Serial] and [Manufacturer]).
std::string_view SectionGroup(std::string_view section);

}  // namespace tester
