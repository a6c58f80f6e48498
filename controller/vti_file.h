#pragma once
// `gangwright --headless --vti FILE`: every station's reference values from an INI file,
// for lines that measure them with a script. One section per station name (as INI
// sections go, the name compares without regard to letter case) with the keys RefVoltage1
// to RefVoltage4 (mV), RefCurrent (mA), RefTemperature (degC) and, optionally,
// IntTemperature and ExtTemperature (degC, sent as nIT and nET). The values go through the
// VTI grid exactly as the window's "Update VTI & Close" sends them: the grid is filled from
// the station files, the file's values replace what it gives, and every row is sent with
// the same conversions, messages and effects (reminder, drift stop, temperature
// references). A station without a section, or a key the section lacks, keeps the value
// of its station file; IntTemperature and ExtTemperature, when given, are sent for every
// station, and otherwise follow the window (the reading shown, or nT).
#include <string>
#include <vector>

#include "controller/vti_grid.h"

namespace tester {

struct VtiFileOutcome {
  bool read = false;     // the file could be read; otherwise nothing was sent
  bool applied = false;  // every row was sent and taken (the window would close)
  // What the operator should read besides the message boxes: a file that cannot be read,
  // sections that name no station, keys nobody knows.
  std::vector<std::string> notes;
};

VtiFileOutcome ApplyVtiFile(const VtiGridParts& parts, const std::string& file);

}  // namespace tester
