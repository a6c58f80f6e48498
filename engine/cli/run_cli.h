#pragma once
// `ardentis run [--ini FILE]`: one headless test run on the first free adapter. Attaches
// the adapter and starts the station up, loads the station configuration (FILE, else the
// program's own .ini), the settings and the golden image, runs the test to its end and
// prints each status line as it comes, then the completion report as one JSON line.
//
// Serial numbers: the run proposes NextSerialNumber of the station file and writes it as
// it stands; once a run has written a number, NextSerialNumber in the file is moved past
// it, so the next run on this station file writes the next number.
#include <ostream>
#include <string>

#include "platform/event_pump.h"
#include "common/gauge_control.h"

namespace tester {

struct RunVerbArgs {
  std::string ini;       // station file; empty = the program's own .ini
  std::string exe_name;  // the program's name, for the default .ini
};

// Exit status: 0 the pack passed, 1 it failed, 2 the run could not start (no adapter, a
// station file that is not there or cannot be read, golden image check failed).
int RunRunVerb(EventPump& pump, GaugeControl& control, const std::string& program_folder,
               const RunVerbArgs& args, std::ostream& out, std::ostream& err);

}  // namespace tester
