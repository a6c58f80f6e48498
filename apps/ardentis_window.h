#pragma once
// `ardentis` with no verb: the single-station tester in its window (frmMainS).
#include <string>

namespace tester {

// Makes the Qt application, opens the station window on the first free adapter and runs
// until the window closes. `program_folder`: the application folder. The process's exit
// status.
int RunStationWindow(int& argc, char** argv, const std::string& program_folder);

}  // namespace tester
