#pragma once
// A station of the virtual jig driven the way the engine drives it: a jig given as text
// (or the default jig), one adapter opened through a tracing control so a test can read
// the bus conversation, the station brought up and its cache loaded from a program folder
// (the demo folder, or a scratch copy a test may change), a station configuration like
// demo/Station1.ini for the target of the pack, and reports that record everything a run
// tells the world.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/component_error.h"
#include "components/tester_config_store.h"
#include "common/automation_contract.h"
#include "engine/station.h"
#include "engine/station_setup.h"
#include "engine/run_sequence.h"
#include "platform/scripted_dialogs.h"
#include "platform/trace_control.h"
#include "platform/virtual_clock.h"
#include "sim/sim_control.h"
#include "testing/demo_home.h"
#include "testing/gauge_bench.h"
#include "testing/i2c_jig_station.h"
#include "testing/jig_checks.h"
#include "testing/jig_station.h"
#include "testing/memory_tester_config.h"
#include "testing/replay_fixtures.h"
#include "testing/scratch_folder.h"
#include "testing/trace_lines.h"

namespace tester::runtest {

using test::DemoFolder;
using test::OneStationJig;
using TempDir = test::ScratchFolder;

// Records every report of a run. Serial requests are answered with `answer` when set
// (the proposal stands otherwise), or refused by throwing when `refuse_serial` is set.
class RecordingReports final : public SingleSiteEvents {
public:
  struct Report {
    std::string text;
    int32_t status = 0;
  };

  void CurrentStatus(const std::string& text, int32_t status) override {
    statuses.push_back({text, status});
  }
  void RequestSerialNo(int32_t& nSerial) override {
    proposals.push_back(nSerial);
    if (refuse_serial) throw ComponentError("serial counter unavailable");
    if (answer) nSerial = *answer;
  }
  void Completed(const CompletionReport& report, const RunRecord&) override {
    completions.push_back(report);
    if (on_completed) on_completed();
  }
  void SetWindowTitle(const std::string& title) override { titles.push_back(title); }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const Report& r : statuses) texts.push_back(r.text);
    return texts;
  }
  bool Reported(const std::string& text) const {
    for (const Report& r : statuses) {
      if (r.text == text) return true;
    }
    return false;
  }

  std::vector<Report> statuses;
  std::vector<int32_t> proposals;
  std::vector<CompletionReport> completions;
  std::vector<std::string> titles;
  std::optional<int32_t> answer;
  bool refuse_serial = false;
  std::function<void()> on_completed;
};

// A station configuration held in memory: InitCacheFromSetup's load keeps what the test
// set. FromFile fills it from a station file once.
class RunConfig final : public MemoryTesterConfig {
public:

  void FromFile(const std::string& path) {
    TesterConfigStore store;
    store.IniFile = path;
    store.LoadConfig();
    static_cast<TesterConfigProperties&>(*this) = store;
  }
};

inline JigDescription JigOf(const std::string& text) { return test::MustParse(text); }

// Pack keys of the demo targets' production packs (default jig), with `extra` keys added.
inline std::string Pack800(const std::string& extra = "") {
  return "[pack 800]\nfamily = 1\ndevice_type = 0x0800\nfirmware = 0x0102\n"
         "identity = 0x08A102\ndf_seed = 17\nmass_erase_ms = 40\n"
         "true_cell_mv = 3690.0 3695.2 3688.7\ntrue_sense_mohm = 9.97\n" + extra + "\n";
}
inline std::string Pack450(const std::string& extra = "") {
  return "[pack 450]\nfamily = 5\ndevice_type = 0x0450\nfirmware = 0x0201\n"
         "identity = 0x045201\ndf_seed = 31\ntrue_cell_mv = 3795.5 3803.2\n"
         "true_sense_mohm = 4.98\n" + extra + "\n";
}
inline std::string Pack100(const std::string& extra = "") {
  return "[pack 100]\nfamily = 7\ndevice_type = 0x0100\nfirmware = 0x0109\n"
         "identity = 0x01C109\ndf_seed = 47\nrom_startup_ms = 20\ntrue_cell_mv = 3662.3\n"
         "true_sense_mohm = 19.96\n" + extra + "\n";
}
inline std::string Pack700(const std::string& extra = "") {
  return "[pack 700]\nfamily = 2\ndevice_type = 0x0700\nfirmware = 0x0105\n"
         "identity = 0x07B105\ndf_seed = 59\nmass_erase_ms = 40\n"
         "true_cell_mv = 3995.3 4002.6 3997.1 4000.4\ntrue_sense_mohm = 2.49\n" + extra + "\n";
}

// The backend a station run talks through: the virtual jig's own control, or the
// i2c-dev backend on the fake kernel over the same jig.
enum class Backend { kSim, kI2cDev };

// One station of `jig` (adapter `adapter`), ready to run once Init() has loaded its cache.
class StationRun {
public:
  explicit StationRun(const JigDescription& jig, std::size_t adapter = 0,
                      std::string program_folder = DemoFolder(),
                      Backend backend = Backend::kSim)
      : station(clock, dialogs, std::move(program_folder)) {
    if (backend == Backend::kSim) {
      jig_station_ = std::make_unique<test::JigStation>(clock, jig, adapter,
                                                        test::JigStation::Trace::kOn);
    } else {
      i2c_station_ = std::make_unique<test::I2cJigStation>(clock, jig, adapter,
                                                           test::JigStation::Trace::kOn);
    }
    EXPECT_TRUE(Ok()) << (jig_station_ ? jig_station_->Error() : i2c_station_->Error());
    if (!Ok()) return;
    station.link.BindGaugeControl(jig_station_ ? &jig_station_->Control()
                                               : &i2c_station_->Control());
    ConfigureLikeDemo(jig.adapters.at(adapter).packs.at(0));
  }
  bool Ok() const { return jig_station_ ? jig_station_->Ok() : i2c_station_->Ok(); }
  explicit StationRun(const std::string& jig_text, std::size_t adapter = 0,
                      std::string program_folder = DemoFolder())
      : StationRun(JigOf(jig_text), adapter, std::move(program_folder)) {}
  ~StationRun() { station.link.ReleaseGaugeControl(); }
  StationRun(const StationRun&) = delete;
  StationRun& operator=(const StationRun&) = delete;

  // demo/Station1.ini with `target` and its golden image.
  void ConfigureLikeDemo(const std::string& target) {
    config.FromFile(DemoFolder() + "/Station1.ini");
    config.TargetName = target;
    config.DataFlashImageFile = "Tester_" + target + ".rom";
  }
  // The same for the pack's target, with the limits a station of that target has: the
  // pack's cell count, its sense resistor to the nearest mOhm as the nominal (30 % wide
  // below 5 mOhm, where whole mOhm are coarse), and for targets calibrated on the host
  // (the new-main process) the nominal gains of host-computed calibration.
  void ConfigureLikeDemo(const PackDescription& pack) {
    ConfigureLikeDemo(TargetOf(pack));
    const std::size_t cells = pack.truth.cell_mv.empty() ? 3 : pack.truth.cell_mv.size();
    config.CellCount = static_cast<int16_t>(cells);
    config.NominalSenseResistor = static_cast<int16_t>(std::lround(pack.truth.sense_mohm));
    config.SenseResistorTolerance = pack.truth.sense_mohm < 5.0 ? 30 : 10;
    if (pack.family == 1) return;
    config.NominalCellGain = 16384;
    config.CellGainTolerance = 2;
    config.VoltageWindow = 3000;  // x 10 = the nominal pack gain
  }
  // Nothing but the version check and the workaround routine.
  void AllStepsOff() {
    config.ProgramDataFlash = 0;
    config.CalCCOffset = 0;
    config.VoltageCalEnabled = 0;
    config.TemperatureCalEnabled = 0;
    config.CurrentCalEnabled = 0;
    config.CalBoardOffset = 0;
    config.WriteMfrData = 0;
    config.WriteMfrDate = 0;
    config.WriteSerialNumber = 0;
  }

  // The engine's start-up and cache load; the status of the image check.
  Status Init() {
    // An advanced board's own sensor sits at 0x92, where the start-up does not look: its
    // status is reported, the station works regardless.
    startup_status = StartUpStation(station);
    return InitCacheFromSetup(station, config, reports, "");
  }

  // One run of the main process; the trace from here on is the run's.
  void Run() {
    trace_mark_ = TraceLines().size();
    sequence = std::make_unique<RunSequence>(station, config, reports);
    int32_t result = -1;
    sequence->RunMainProcess(result);
    EXPECT_EQ(result, 0);
  }
  // Init, run, and the one completion the run raised.
  CompletionReport InitAndRun() {
    EXPECT_EQ(Init(), 0);
    Run();
    EXPECT_EQ(reports.completions.size(), 1u);
    return reports.completions.empty() ? CompletionReport{} : reports.completions.back();
  }

  // Every traced operation so far, without its time stamp.
  std::vector<std::string> TraceLines() const {
    return jig_station_ ? jig_station_->TraceLines() : i2c_station_->TraceLines();
  }
  // The operations of the last run.
  std::vector<std::string> RunTrace() const {
    std::vector<std::string> lines = TraceLines();
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(
                                                   std::min(trace_mark_, lines.size())));
    return lines;
  }
  // Lines of the last run that start with `prefix`.
  std::vector<std::string> RunTraceOf(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : RunTrace()) {
      if (line.rfind(prefix, 0) == 0) found.push_back(line);
    }
    return found;
  }

  // The virtual jig's control (sim backend only).
  SimControl& Sim() { return jig_station_->Sim(); }
  // The station on the jig, whichever backend reaches it.
  SimStation& OnStation() {
    return jig_station_ ? *jig_station_->Sim().OpenStation() : i2c_station_->Station();
  }
  PackModel& Pack() { return *OnStation().Pack(); }
  const CalBoardPort& Port() { return OnStation().CalBoard().Port(); }
  ImageRecord& Image() { return station.CacheFor(station.settings.COMMANDSET); }

  VirtualClock clock;
  ScriptedDialogs dialogs;
  RecordingReports reports;
  RunConfig config;
  Status startup_status = 0;

private:
  std::unique_ptr<test::JigStation> jig_station_;
  std::unique_ptr<test::I2cJigStation> i2c_station_;
  std::size_t trace_mark_ = 0;

public:
  Station station;
  std::unique_ptr<RunSequence> sequence;
};

}  // namespace tester::runtest
