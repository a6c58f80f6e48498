#include "apps/ardentis_automation.h"

#include <iostream>
#include <optional>

#include "common/component_error.h"
#include "common/station_state.h"
#include "components/adapter_identity.h"
#include "engine/single_site.h"
#include "engine/version.h"
#include "engine/cli/exit_codes.h"
#include "platform/automation/automation_server.h"
#include "platform/automation/single_site_binding.h"
#include "platform/bus/station_runtime.h"
#include "platform/headless_dialogs.h"

namespace tester {

int RunAutomationServer(const std::string& program_folder) {
  // First: from here on stdout carries the protocol only.
  std::string error;
  std::unique_ptr<AutomationServer> server = AutomationServer::OnStdio(error);
  if (!server) {
    std::cerr << "ardentis: " << error << "\n";
    return kExitCannotStart;
  }
  std::optional<StationRuntime> runtime =
      MakeStationRuntime(BusConfigFromEnvironment(), error);
  if (!runtime) {
    std::cerr << "ardentis: " << error << "\n";
    return kExitCannotStart;
  }
  // No window in automation mode: boxes go to the diagnostics stream with their defaults.
  HeadlessDialogs dialogs(std::cerr, kProgramTitle);
  AdapterIdentity linkpod;
  // The run's reports keep the station's state and go on as the server's events; a serial
  // number the controller does not give throws out of the request, and the run then writes
  // none.
  StationState state(server.get());
  SingleSite site(SingleSiteParts{*runtime->pump, dialogs, *runtime->control, linkpod, state,
                                  program_folder, "ardentis", {}});
  BindSingleSite(*server, site);
  return server->Run();
}

}  // namespace tester
