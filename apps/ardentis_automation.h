#pragma once
// `ardentis --automation`: the engine as automation server for the controller.
#include <string>

namespace tester {

// Serves one SingleSite object over JSON-RPC on stdin/stdout until the controller closes
// the connection or calls Quit. `program_folder`: the application folder. Needs a
// QCoreApplication. Returns the process's exit status.
int RunAutomationServer(const std::string& program_folder);

}  // namespace tester
