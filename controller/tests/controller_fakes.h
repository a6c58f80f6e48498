#pragma once
// In-memory stand-ins for what the controller works with: engines that do what a test
// tells them, a serial counter, a result log and a reminder, and an application folder
// with global.ini, Config.ini and JigSetup.ini written by the test. Everything runs on a
// virtual clock in the test's own process. No test framework: the window tests use it too.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/component_error.h"
#include "common/reminder.h"
#include "common/serial_counter.h"
#include "common/tester_log.h"
#include "controller/controller.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_clock.h"
#include "testing/scratch_folder.h"

namespace tester::test {

class FakeEngine final : public SingleSiteMembers {
public:
  explicit FakeEngine(StationEvents& events) : events_(events) {}

  // Script.
  std::string adapter;          // empty: AttachLinkpod finds no adapter (-1)
  int32_t init_result = 0;
  std::string setup_message;
  int32_t execute_result = 0;
  bool execute_throws = false;
  int16_t int_tenths = 250, ext_tenths = 240;
  int32_t int_read_result = 0, ext_read_result = 0;
  int32_t set_temp_result = 0;
  std::string vti_result;
  // When set, a started run goes by itself on this clock: a status, a serial number, and
  // a completion with auto_err 100 ms later.
  EventPump* clock = nullptr;
  int32_t auto_err = 0;
  // Record.
  std::string ini_file;
  int executes = 0, quits = 0, inits = 0;
  std::vector<int16_t> temperatures_set;
  std::vector<std::vector<double>> vti_calls;
  std::vector<bool> flashes;

  // What a run reports.
  void Status(const std::string& text) { events_.CurrentStatus(text, vb_cbbusy); }
  int32_t AskSerial(int32_t proposal = 99) {
    events_.RequestSerialNo(proposal);
    return proposal;
  }
  void Complete(int32_t err = 0, int32_t ext = 0, const std::string& serial = "0") {
    CompletionReport report{serial, err, ext, "log.txt", ""};
    RunRecord record;
    record.serial = serial;
    record.err_code = err;
    record.ext_err_code = ext;
    record.completed = true;
    record.outcome = err == 0 ? RunOutcome::kPass : RunOutcome::kFail;
    record.message = err == 0 ? "" : "pack failed";
    events_.Completed(report, record);
  }
  void End(const std::string& reason) { events_.EngineEnded(reason); }
  void Title(const std::string& text) { events_.SetWindowTitle(text); }

  int32_t AttachLinkpod(std::string& sLinkpodID) override {
    if (adapter.empty()) return -1;
    sLinkpodID = adapter;
    return 0;
  }
  int32_t DetachLinkpod(const std::string&) override { return 0; }
  int32_t Execute(std::optional<bool>) override {
    ++executes;
    if (execute_throws) throw ComponentError("engine gone");
    if (clock && execute_result == 0) {
      clock->StartTimer(100, [this] {
        Status("Power Up...");
        const int32_t serial = AskSerial();
        Complete(auto_err, 0, auto_err == 0 ? std::to_string(serial) : "0");
      }, TimerKind::kOneShot);
    }
    return execute_result;
  }
  void SetIniFile(const std::string& sIniFileToUse) override { ini_file = sIniFileToUse; }
  int32_t InitCacheFromSetup() override {
    ++inits;
    return init_result;
  }
  std::string SetupMessage() override { return setup_message; }
  std::string UpdateVTIConfig(int32_t nV, int32_t nV2, int32_t nV3, int32_t nV4, float nT,
                              float nIT, float nET, int32_t nI) override {
    vti_calls.push_back({double(nV), double(nV2), double(nV3), double(nV4), nT, nIT, nET,
                         double(nI)});
    return vti_result;
  }
  int32_t CBFlashLEDs(bool bFlash) override {
    flashes.push_back(bFlash);
    return 0;
  }
  int32_t CBReadTemperature(bool bInternal, int16_t& nTempx10) override {
    nTempx10 = bInternal ? int_tenths : ext_tenths;
    return bInternal ? int_read_result : ext_read_result;
  }
  int32_t SetTemperatureForCalibration(int16_t nTempx10) override {
    temperatures_set.push_back(nTempx10);
    return set_temp_result;
  }
  void Quit() override { ++quits; }
  std::string VersionSS() override { return "2.2.7"; }
  bool m_bCalEnabled() override { return false; }
  void set_m_bCalEnabled(bool) override {}
  int32_t SetToMonowireMode(int16_t) override { return 0; }

private:
  StationEvents& events_;
};

// Makes FakeEngines; the first adapters.size() of them claim those adapters. The fakes
// stay here, so the test can look at them after the controller released its handles.
class FakeEngineFactory final : public EngineFactory {
public:
  std::vector<std::string> adapters;
  int fail_at = -1;  // CreateEngine of this index throws
  std::function<void(FakeEngine&, int)> on_create;  // scripts each engine as it is made
  std::vector<FakeEngine*> engines;
  std::vector<int> released;  // indices whose handle the controller let go

  std::unique_ptr<SingleSiteMembers> CreateEngine(int index, StationEvents& events) override {
    if (index == fail_at) throw ComponentError("cannot start the engine");
    kept_.push_back(std::make_unique<FakeEngine>(events));
    FakeEngine& engine = *kept_.back();
    if (static_cast<size_t>(index) < adapters.size()) engine.adapter = adapters[index];
    engines.push_back(&engine);
    if (on_create) on_create(engine, index);
    return std::make_unique<Handle>(engine, released, index);
  }
  FakeEngine& At(int i) { return *engines.at(i); }

private:
  // The controller's handle on a fake: forwards every member, notes its release.
  class Handle final : public SingleSiteMembers {
  public:
    Handle(FakeEngine& engine, std::vector<int>& released, int index)
        : e_(engine), released_(released), index_(index) {}
    ~Handle() override { released_.push_back(index_); }
    int32_t AttachLinkpod(std::string& id) override { return e_.AttachLinkpod(id); }
    int32_t DetachLinkpod(const std::string& n) override { return e_.DetachLinkpod(n); }
    int32_t Execute(std::optional<bool> w) override { return e_.Execute(w); }
    void SetIniFile(const std::string& f) override { e_.SetIniFile(f); }
    int32_t InitCacheFromSetup() override { return e_.InitCacheFromSetup(); }
    std::string SetupMessage() override { return e_.SetupMessage(); }
    std::string UpdateVTIConfig(int32_t a, int32_t b, int32_t c, int32_t d, float t, float it,
                                float et, int32_t i) override {
      return e_.UpdateVTIConfig(a, b, c, d, t, it, et, i);
    }
    int32_t CBFlashLEDs(bool f) override { return e_.CBFlashLEDs(f); }
    int32_t CBReadTemperature(bool in, int16_t& t) override { return e_.CBReadTemperature(in, t); }
    int32_t SetTemperatureForCalibration(int16_t t) override {
      return e_.SetTemperatureForCalibration(t);
    }
    void Quit() override { e_.Quit(); }
    std::string VersionSS() override { return e_.VersionSS(); }
    bool m_bCalEnabled() override { return false; }
    void set_m_bCalEnabled(bool) override {}
    int32_t SetToMonowireMode(int16_t m) override { return e_.SetToMonowireMode(m); }

  private:
    FakeEngine& e_;
    std::vector<int>& released_;
    int index_;
  };

  std::vector<std::unique_ptr<FakeEngine>> kept_;
};

class MemorySerialCounter final : public SerialCounter {
public:
  int32_t next = 1;
  std::string config_error;
  bool fail = false;
  std::vector<std::pair<std::string, std::string>> requesters;
  std::map<int32_t, SerialFate> fates;

  void SetStart(int32_t n) override { next = n; }
  void NextSerial(int32_t& n) override {
    if (fail) throw ComponentError("serial store unavailable");
    n = next++;
    fates[n] = SerialFate::kIssued;
  }
  std::string SerialConfigError() override { return config_error; }
  void SetRequester(const std::string& station, const std::string& run) override {
    requesters.emplace_back(station, run);
  }
  std::string RecordFate(int32_t n, SerialFate fate) override {
    fates[n] = fate;
    return {};
  }
};

struct LogEntry {
  std::string station, serial;
  Status err = 0, ext = 0;
  bool had_record = false;
};

class MemoryTesterLog final : public TesterLog {
public:
  std::vector<std::string> stations;
  std::vector<LogEntry> entries;
  std::string add_error;

  void InitStations(std::span<const std::string> names, int16_t count) override {
    stations.assign(names.begin(), names.begin() + count);
  }
  std::string AddToLog(const std::string& station, const std::string& serial, Status err,
                       Status ext, const std::string&, const std::string&,
                       const RunRecord* record) override {
    entries.push_back({station, serial, err, ext, record != nullptr});
    return add_error;
  }
};

class MemoryReminder final : public clsReminder {
public:
  bool due = false;
  bool enabled = true;
  int resets = 0;
  ReminderListener* listener = nullptr;

  void SetListener(ReminderListener* l) override { listener = l; }
  void EnableReminder(bool enable) override { enabled = enable; }
  void ResetReminder() override {
    ++resets;
    due = false;
  }
  bool ReminderDue() override { return enabled && due; }
};

// An application folder: global.ini with the calibration switches, Config.ini with the
// tolerance, JigSetup.ini as the test writes it.
class ControllerHome {
public:
  ControllerHome() { Calibration(true); }
  void Calibration(bool on) {
    const char* v = on ? "1" : "0";
    folder_.Write("global.ini", std::string("[Calibration]\nVoltageCalEnabled=") + v +
                                    "\nCurrentCalEnabled=" + v + "\nTemperatureCalEnabled=" +
                                    v + "\n");
  }
  void Tolerance(int tol) { folder_.Write("Config.ini", "[Temper]\nTol=" + std::to_string(tol) + "\n"); }
  void Jig(const std::string& text) { folder_.Write("JigSetup.ini", text); }
  std::string Path() const { return folder_.Path(); }

private:
  ScratchFolder folder_{"controller-home"};
};

// The adapter identifiers of a jig with `n` boards.
inline std::vector<std::string> Adapters(int n) {
  std::vector<std::string> ids;
  for (int i = 0; i < n; ++i) ids.push_back("ADAPTER" + std::to_string(i));
  return ids;
}

// JigSetup.ini naming adapter i "Bay<i>" with `keys` in every station section.
inline std::string JigFor(int n, const std::string& keys = "ITS=1\n") {
  std::string text = "[BoardMapping]\n";
  for (int i = 0; i < n; ++i) text += "ADAPTER" + std::to_string(i) + "=Bay" + std::to_string(i) + "\n";
  for (int i = 0; i < n; ++i) text += "[Bay" + std::to_string(i) + "]\n" + keys;
  return text;
}

// A controller over the fakes, with a view that counts what it heard.
class RecordingView final : public ControllerView {
public:
  int changes = 0, failed = 0, close_requests = 0;
  std::vector<std::string> notes;
  std::vector<int> completed;
  void StateChanged() override { ++changes; }
  void StationCompleted(int i, const CompletionReport&, const RunRecord&) override {
    completed.push_back(i);
  }
  void Note(const std::string& text) override { notes.push_back(text); }
  void StartupFailed() override { ++failed; }
  void CloseRequested() override { ++close_requests; }
};

}  // namespace tester::test
