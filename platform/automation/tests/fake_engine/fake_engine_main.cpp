// A stand-in engine for the client tests: serves a scripted automation object on stdin and
// stdout through the real server and method binding. Particular arguments make it fail in
// the ways a real engine can:
//   SetTemperatureForCalibration(-999)  the process is killed in the middle of the call
//   SetTemperatureForCalibration(-998)  the process stops answering (blocks for ever)
//   CBReadTemperature(true, 32767)      the member fails inside the engine (throws)
//   SetToMonowireMode(7)                prints to stdout, which must not reach the protocol
//   SetIniFile("die-in-run")            the next run reports one status, then the process ends
//   SetIniFile("bad-completed")         the next run sends a Completed with a number as serial
#include <unistd.h>

#include <QCoreApplication>
#include <QJsonObject>
#include <QTimer>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

#include "common/component_error.h"
#include "platform/automation/automation_server.h"
#include "platform/automation/single_site_binding.h"

namespace tester {
namespace {

class FakeSite final : public SingleSiteMembers {
public:
  explicit FakeSite(AutomationServer& server) : server_(server) {}

  int32_t AttachLinkpod(std::string& sLinkpodID) override {
    sLinkpodID = "3F2A0001";
    return 0;
  }
  int32_t DetachLinkpod(const std::string&) override { return 0; }
  int32_t Execute(std::optional<bool> bWaitTillComplete) override {
    if (bWaitTillComplete.value_or(false)) {
      Run();
    } else {
      QTimer::singleShot(10, [this] { Run(); });  // the invoker timer
    }
    return 0;
  }
  void SetIniFile(const std::string& sIniFileToUse) override { ini_ = sIniFileToUse; }
  int32_t InitCacheFromSetup() override {
    server_.SetWindowTitle("Tester_800.1.02.rom (" + ini_ + ")");
    return ini_.empty() ? 5 : 0;
  }
  std::string SetupMessage() override { return ini_.empty() ? "no station file set" : ""; }
  std::string UpdateVTIConfig(int32_t nV, int32_t nV2, int32_t nV3, int32_t nV4, float nT,
                              float nIT, float nET, int32_t nI) override {
    // Echoes what arrived, so the test sees every value crossed intact.
    return std::to_string(nV) + "," + std::to_string(nV2) + "," + std::to_string(nV3) + "," +
           std::to_string(nV4) + "," + std::to_string(nT) + "," + std::to_string(nIT) + "," +
           std::to_string(nET) + "," + std::to_string(nI);
  }
  int32_t CBFlashLEDs(bool bFlash) override { return bFlash ? 1 : 0; }
  int32_t CBReadTemperature(bool bInternal, int16_t& nTempx10) override {
    if (bInternal && nTempx10 == 32767) {
      throw ComponentError("Overflow: internal temperature does not fit a 16-bit value");
    }
    nTempx10 = static_cast<int16_t>(nTempx10 + (bInternal ? 5 : -5));
    return 0;
  }
  int32_t SetTemperatureForCalibration(int16_t nTempx10) override {
    if (nTempx10 == -999) std::raise(SIGKILL);
    if (nTempx10 == -998) {
      for (;;) pause();
    }
    return 0;
  }
  void Quit() override {}
  std::string VersionSS() override { return "1.1.0"; }
  bool m_bCalEnabled() override { return cal_enabled_; }
  void set_m_bCalEnabled(bool value) override { cal_enabled_ = value; }
  int32_t SetToMonowireMode(int16_t nMonowireMode) override {
    if (nMonowireMode == 7) std::cout << "stray text on stdout\n" << std::flush;
    return nMonowireMode == 1 ? 52 : 0;
  }

private:
  void Run() {
    server_.CurrentStatus("Programming data flash", vb_cbbusy);
    if (ini_ == "die-in-run") std::_Exit(3);
    if (ini_ == "bad-completed") {
      server_.Endpoint().Notify("Completed", {{"sSerial", 17}});
      return;
    }
    int32_t serial = 100;
    try {
      server_.RequestSerialNo(serial);
    } catch (const ComponentError& error) {
      Complete({"0", 99, 0, "fake.log", error.what()});
      return;
    }
    server_.CurrentStatus("PASS", vb_cbPASS);
    Complete({std::to_string(serial), 0, 0, "fake.log", ""});
  }

  void Complete(const CompletionReport& report) {
    RunRecord record;
    record.completed = true;
    record.serial = report.sSerial;
    record.err_code = report.nErrCode;
    record.outcome = report.nErrCode == 0 ? RunOutcome::kPass : RunOutcome::kFail;
    record.station = ini_;
    server_.Completed(report, record);
  }

  AutomationServer& server_;
  std::string ini_;
  bool cal_enabled_ = false;
};

}  // namespace
}  // namespace tester

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2 || std::string(argv[1]) != "--automation") {
    std::cerr << "usage: automation_fake_engine --automation\n";
    return 2;
  }
  std::string error;
  std::unique_ptr<tester::AutomationServer> server = tester::AutomationServer::OnStdio(error);
  if (!server) {
    std::cerr << "automation_fake_engine: " << error << "\n";
    return 2;
  }
  tester::FakeSite site(*server);
  tester::BindSingleSite(*server, site);
  return server->Run();
}
