#include "apps/ardentis_automation.h"

#include <iostream>
#include <optional>

#include "common/component_error.h"
#include "components/adapter_identity.h"
#include "engine/run_reports.h"
#include "engine/single_site.h"
#include "engine/station_cli.h"
#include "platform/automation/automation_server.h"
#include "platform/automation/single_site_api.h"
#include "platform/automation/single_site_binding.h"
#include "platform/bus/station_runtime.h"
#include "platform/headless_dialogs.h"

namespace tester {
namespace {

// The run's reports as the events of the automation object. A serial number the
// controller does not give is an error of the request: the run then writes none.
class ServerReports final : public RunReports {
public:
  explicit ServerReports(AutomationServer& server) : server_(server) {}
  void CurrentStatus(const std::string& text, int32_t) override { server_.CurrentStatus(text); }
  void RequestSerialNo(int32_t& nSerial) override {
    std::string error;
    if (!server_.RequestSerialNo(nSerial, error)) throw ComponentError(error);
  }
  void Completed(const CompletionReport& r) override {
    server_.Completed(r.sSerial, r.nErrCode, r.nExtErrCode, r.sLogFile, r.sCustomLogStr);
  }
  void SetWindowTitle(const std::string& title) override { server_.SetWindowTitle(title); }

private:
  AutomationServer& server_;
};

}  // namespace

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
  HeadlessDialogs dialogs(std::cerr, "Ardentis");
  AdapterIdentity linkpod;
  ServerReports reports(*server);
  SingleSite site(SingleSiteParts{*runtime->pump, dialogs, *runtime->control, linkpod, reports,
                                  program_folder, "ardentis", {}});
  SingleSiteForwarder<SingleSite> api(site);
  BindSingleSite(*server, api);
  return server->Run();
}

}  // namespace tester
