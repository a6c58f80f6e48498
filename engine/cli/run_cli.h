#pragma once
// `ardentis run [--ini FILE]`: one headless test run on the first free adapter. Attaches
// the adapter and starts the station up, loads the station configuration (FILE, else the
// program's own .ini), the settings and the golden image, runs the test to its end and
// prints each status line as it comes, then the completion report as one JSON line.
//
// Serial numbers come from the application folder's serial counter (`stores.serials`),
// committed before the gauge holds them: a run killed at any point, or two runs at once,
// never hand one number to two packs. The station file's NextSerialNumber seeds a fresh
// counter only; after a run that wrote a number it is moved past it (as a seed should the
// counter's database ever be lost), never beyond the largest 32-bit number. The fate of
// each number (written or void) is recorded at the completion, and the completion with
// its record goes into the result log (`stores.log`).
#include <ostream>
#include <string>

#include "common/gauge_control.h"
#include "engine/cli/run_stores.h"
#include "platform/event_pump.h"

namespace tester {

struct RunVerbArgs {
  std::string ini;       // station file; empty = the program's own .ini
  std::string exe_name;  // the program's name, for the default .ini
};

// Exit status: 0 the pack passed, 1 it failed or its result could not be logged, 2 the run
// could not start (no adapter, a station file that is not there or cannot be read, golden
// image check failed, a serial counter that cannot hand out numbers when the station
// writes serial numbers).
int RunRunVerb(EventPump& pump, GaugeControl& control, const std::string& program_folder,
               const RunVerbArgs& args, const RunStores& stores, std::ostream& out,
               std::ostream& err);

}  // namespace tester
