// Run benchmark: one full production run per station of the default virtual jig, on the
// real clock (the Qt event pump), with the demo settings. A run's time is the waits it
// asks for (settle times, GG_FWEXEC, USB_RESP_TIME bus-idle waits, pauses, poll
// intervals), the wire time of its transfers, and the computation between them.
// Measured per run:
//  - wall time of RunMainProcess;
//  - the sum of the milliseconds of every WaitMs the run made (a counting decorator
//    between the station and the Qt pump), and how late those waits came back;
//  - overhead = (wall - waits - wire) / waits, target at most 2 %; the raw figure
//    (wall - waits) / waits is printed beside it;
//  - CPU time of the process during the run as a share of wall, target at most 5 %:
//    waits sleep in the event loop, they must not spin.
// Every run must pass; a run that does not makes the exit status 1.
//
// Wire time. The virtual jig charges every transfer its wire time at 100 kHz through
// EventPump::Elapse; on the real clock the Qt pump sleeps it away (no events served, no
// spin), as a real adapter's blocking transfer takes it. Wire time is shown apart, as it
// is the bus's time, not the programs'. --virtual runs the same on the virtual clock (no
// real time passes: only verdicts and counts mean anything), to tell a fault of the real
// clock from one of the settings.
//
// Usage: run_bench [-v] [--virtual] [DEMO_FOLDER]
//   -v adds a line per step of each run; DEMO_FOLDER defaults to the repository's demo/,
//   which is copied to a scratch folder and never written.
#include <time.h>

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/component_error.h"
#include "components/tester_config_store.h"
#include "common/automation_contract.h"
#include "engine/station.h"
#include "engine/station_setup.h"
#include "engine/run_sequence.h"
#include "platform/headless_dialogs.h"
#include "platform/profile.h"
#include "platform/qt/qt_event_pump.h"
#include "platform/virtual_clock.h"
#include "sim/default_jig.h"
#include "sim/jig.h"
#include "testing/demo_home.h"
#include "testing/jig_station.h"
#include "testing/bench_clock.h"

namespace tester {
namespace {

// Share of the waited time a run may spend beyond its waits.
constexpr double kOverheadTargetPercent = 2.0;
// Share of the wall time a run may keep the CPU busy.
constexpr double kCpuTargetPercent = 5.0;
// Sensor address of the advanced calibration board's own sensor (the normal board: 148).
constexpr int kAdvancedBoardSensor = 146;

// One target of the default jig and the station settings it passes with: the pack's sense
// resistor to the nearest mOhm (the 2.5 mOhm pack needs a wider tolerance), the sensors its
// gauge has, and how its voltage is calibrated. The gauge-assisted target (main process)
// calibrates per tap in the separate K-factor step (VoltageCalMode 1), whose window is in
// mV. The host-computed targets (new-main process, which has no such step) calibrate per
// tap inside the calibration (mode 2): in mode 1 their voltage would not be calibrated at
// all, and the voltage check, gated by VoltageCalEnabled alone, would refuse the zero
// gains. Their window is the nominal pack gain / 10.
struct BenchTarget {
  std::size_t adapter;     // index in the default jig
  const char* target;      // TargetName
  int commandset;          // family of the gauge, for the table
  int cells;
  int sense_mohm;
  int sense_tolerance;     // %
  bool internal_sensor;    // IntTSCalEnabled
  bool board_offset;       // CalBoardOffset
  int voltage_mode;        // VoltageCalMode
  int voltage_window;
};

constexpr BenchTarget kTargets[] = {
    {0, "800.1.02", 1, 3, 10, 5, true, false, 1, 3},
    {1, "450.2.01", 5, 2, 5, 5, false, true, 2, 3000},
    {2, "100.1.09", 7, 1, 20, 5, false, false, 2, 3000},
    {3, "700.1.05", 2, 4, 3, 20, true, true, 2, 3000},
};

// Forwards everything to the real pump and counts what the run asked of it: the
// milliseconds of every wait, the real time those waits took, and the events served.
// The wire time of the transfers is counted with the real time the pump took for it.
class CountingPump final : public EventPump {
public:
  explicit CountingPump(EventPump& inner) : inner_(inner) {}

  int64_t Now() const override { return inner_.Now(); }
  void WaitMs(int64_t ms) override {
    ++waits;
    asked_ms += std::max<int64_t>(ms, 0);
    const int64_t start = test::WallMicros();
    inner_.WaitMs(ms);
    waited_us += test::WallMicros() - start;
  }
  void PumpOnce() override {
    ++pumps;
    inner_.PumpOnce();
  }
  void Elapse(int64_t micros) override {
    wire_us += micros;
    const int64_t start = test::WallMicros();
    inner_.Elapse(micros);
    wire_real_us += test::WallMicros() - start;
  }
  CivilDate Today() const override { return inner_.Today(); }
  TimerId StartTimer(int64_t ms, std::function<void()> call, TimerKind kind) override {
    return inner_.StartTimer(ms, std::move(call), kind);
  }
  void StopTimer(TimerId id) override { inner_.StopTimer(id); }

  int64_t waits = 0;
  int64_t asked_ms = 0;      // sum of the waits asked for
  int64_t waited_us = 0;     // real time spent inside those waits
  int64_t pumps = 0;         // yields
  int64_t wire_us = 0;       // wire time the virtual jig charged for its transfers
  int64_t wire_real_us = 0;  // real time the pump took to let that wire time pass

private:
  EventPump& inner_;
};

// Counters at one moment of a run, to split it into steps.
struct Snapshot {
  int64_t wall_us = 0;
  int64_t cpu_us = 0;
  int64_t asked_ms = 0;
  int64_t waited_us = 0;
  int64_t waits = 0;
  int64_t wire_us = 0;       // wire time of the transfers
  int64_t wire_real_us = 0;  // real time slept for it

  static Snapshot Take(const CountingPump& pump) {
    return Snapshot{test::WallMicros(), test::CpuMicros(), pump.asked_ms,     pump.waited_us,
                    pump.waits,   pump.wire_us, pump.wire_real_us};
  }
};

struct StepFigures {
  std::string text;
  Snapshot start;
};

// Keeps the completion and the moment each step began.
class BenchReports final : public SingleSiteEvents {
public:
  explicit BenchReports(const CountingPump& pump) : pump_(pump) {}
  void CurrentStatus(const std::string& text, int32_t) override {
    steps.push_back(StepFigures{text, Snapshot::Take(pump_)});
  }
  void RequestSerialNo(int32_t&) override {}
  void Completed(const CompletionReport& report, const RunRecord&) override { completion = report; }
  void SetWindowTitle(const std::string&) override {}

  std::vector<StepFigures> steps;
  std::optional<CompletionReport> completion;

private:
  const CountingPump& pump_;
};

struct RunFigures {
  std::string verdict;
  Snapshot begin;
  Snapshot end;
  std::vector<StepFigures> steps;
  std::optional<CalibrationResults> computed;  // host-computed coefficients, if any
};

double Percent(double part, double whole) { return whole > 0 ? 100.0 * part / whole : 0.0; }

// The station file of a target: the demo station's file with the target's own values.
bool WriteStationFile(const std::string& home, const BenchTarget& t, bool advanced_board,
                      const std::string& path) {
  std::error_code error;
  std::filesystem::copy_file(home + "/Station1.ini", path,
                             std::filesystem::copy_options::overwrite_existing, error);
  if (error) return false;
  const std::string target = t.target;
  const std::vector<std::array<std::string, 3>> values = {
      {"Target", "TargetName", "\"" + target + "\""},
      {"Target", "CellCount", std::to_string(t.cells)},
      {"Files", "DataFlashImageFile", "\"Tester_" + target + ".rom\""},
      {"Calibration", "VoltageCalEnabled", "1"},
      {"Calibration", "VoltageCalMode", std::to_string(t.voltage_mode)},
      {"Calibration", "IntTSCalEnabled", t.internal_sensor ? "1" : "0"},
      {"Calibration", "TS1CalEnabled", "1"},
      {"Calibration", "CalBoardOffset", t.board_offset ? "1" : "0"},
      {"Limits", "NominalSenseResistor", std::to_string(t.sense_mohm)},
      {"Limits", "SenseResistorTolerance", std::to_string(t.sense_tolerance)},
      {"Limits", "NominalCellGain", "16384"},
      {"Limits", "CellGainTolerance", "2"},
      {"Limits", "VoltageWindow", std::to_string(t.voltage_window)},
      {"Limits", "TempOffsetTolerance", "50"},
      {"Serial", "NoSerialOnFail", "1"},
  };
  for (const auto& [section, key, value] : values) {
    if (!profile::WriteString(path, section, key, value)) return false;
  }
  if (advanced_board) {
    return profile::WriteString(path, "Station", "IntSensorAddress",
                                std::to_string(kAdvancedBoardSensor));
  }
  return true;
}

// One production run of `t` on its own station; nullopt when the station could not start.
std::optional<RunFigures> RunTarget(EventPump& real, const JigDescription& jig,
                                    const std::string& home, const BenchTarget& t) {
  const std::string ini = home + "/Bench" + t.target;
  if (!WriteStationFile(home, t, jig.adapters.at(t.adapter).advanced_board, ini)) {
    std::fprintf(stderr, "%s: station file %s not written\n", t.target, ini.c_str());
    return std::nullopt;
  }
  CountingPump pump(real);
  test::JigStation jig_station(pump, jig, t.adapter);
  if (!jig_station.Ok()) return std::nullopt;  // the station has said why
  HeadlessDialogs dialogs(std::cerr, "run_bench");
  Station station(pump, dialogs, home);
  station.link.BindGaugeControl(&jig_station.Control());
  const Status board = StartUpStation(station);
  if (board != 0) std::fprintf(stderr, "%s: board start-up returned %d\n", t.target, board);

  BenchReports reports(pump);
  TesterConfigStore config;
  config.IniFile = ini;
  Status status = 0;
  try {
    status = InitCacheFromSetup(station, config, reports, ini);
  } catch (const ComponentError& e) {
    std::fprintf(stderr, "%s: %s\n", t.target, e.what());
    return std::nullopt;
  }
  for (const std::string& refusal : station.setup.refusals) {
    std::fprintf(stderr, "%s: %s\n", t.target, refusal.c_str());
  }
  if (status != 0) {
    std::fprintf(stderr, "%s: InitCacheFromSetup returned %d\n", t.target, status);
    return std::nullopt;
  }

  RunSequence sequence(station, config, reports);
  RunFigures figures;
  figures.begin = Snapshot::Take(pump);
  int32_t result = 0;
  sequence.RunMainProcess(result);
  figures.end = Snapshot::Take(pump);
  station.link.ReleaseGaugeControl();
  figures.steps = reports.steps;
  figures.computed = sequence.Record().computed;
  if (!reports.completion) {
    figures.verdict = "no verdict";
  } else if (reports.completion->nErrCode == 0) {
    figures.verdict = "pass";
  } else {
    figures.verdict = "fail " + std::to_string(reports.completion->nErrCode) + "/" +
                      std::to_string(reports.completion->nExtErrCode);
  }
  return figures;
}

// Per step: wall time, the waits asked for (and how many), the real time inside them,
// the wire time slept, what is left (computation), and CPU time.
void PrintSteps(const RunFigures& f) {
  for (std::size_t i = 0; i < f.steps.size(); ++i) {
    const Snapshot& a = f.steps[i].start;
    const Snapshot& b = i + 1 < f.steps.size() ? f.steps[i + 1].start : f.end;
    const double wall = (b.wall_us - a.wall_us) / 1000.0;
    const double in_waits = (b.waited_us - a.waited_us) / 1000.0;
    const double wire = (b.wire_real_us - a.wire_real_us) / 1000.0;
    std::printf("    %-36s wall %8.1f  waits %6lld x%-4lld in waits %8.1f  wire %6.1f"
                "  rest %6.1f  cpu %6.1f\n",
                f.steps[i].text.c_str(), wall, static_cast<long long>(b.asked_ms - a.asked_ms),
                static_cast<long long>(b.waits - a.waits), in_waits, wire,
                wall - in_waits - wire, (b.cpu_us - a.cpu_us) / 1000.0);
  }
  if (!f.computed) return;
  const CalibrationResults& c = *f.computed;
  std::printf("    computed: cell gains %d %d %d %d, pack gain %d, CC gain %.5f, board offset %d,"
              " TS offsets %d %d\n",
              c.CellGain[0], c.CellGain[1], c.CellGain[2], c.CellGain[3], c.PackGain, c.CCGain,
              c.BoardOffset, c.TempOffset[0], c.TempOffset[1]);
}

}  // namespace
}  // namespace tester

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  bool verbose = false;
  bool virtual_clock = false;
  std::string demo = tester::test::DemoFolder();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-v") {
      verbose = true;
    } else if (arg == "--virtual") {
      virtual_clock = true;
    } else {
      demo = arg;
    }
  }
  std::string error;
  const auto jig = tester::ParseJigText(tester::DefaultJigText(), error);
  if (!jig) {
    std::fprintf(stderr, "default jig: %s\n", error.c_str());
    return 1;
  }
  const tester::test::DemoHome scratch(demo, "run-bench");
  if (!scratch.Ok()) {
    std::fprintf(stderr, "scratch copy: %s\n", scratch.Error().c_str());
    return 1;
  }
  const std::string home = scratch.Home();

  tester::QtEventPump qt_pump;
  tester::VirtualClock virtual_pump;
  tester::EventPump& real = virtual_clock ? static_cast<tester::EventPump&>(virtual_pump)
                                          : static_cast<tester::EventPump&>(qt_pump);
  bool all_pass = true;
  bool overhead_met = true;
  bool cpu_met = true;
  std::printf("clock: %s\n", virtual_clock ? "virtual (no real time passes)"
                                          : "real; each transfer takes its wire time");
  std::printf("%-9s %3s %-11s %9s %9s %5s %8s %8s %7s %8s %8s %7s %6s\n", "target", "set",
              "verdict", "wall ms", "waits ms", "waits", "wire ms", "late ms", "calc ms",
              "overhead", "(raw)", "CPU ms", "CPU %");
  for (const tester::BenchTarget& t : tester::kTargets) {
    const auto f = tester::RunTarget(real, *jig, home, t);
    if (!f) {
      std::printf("%-9s %3d %-11s\n", t.target, t.commandset, "no start");
      all_pass = false;
      continue;
    }
    const double wall = (f->end.wall_us - f->begin.wall_us) / 1000.0;
    const double waits = static_cast<double>(f->end.asked_ms - f->begin.asked_ms);
    const double wire = (f->end.wire_real_us - f->begin.wire_real_us) / 1000.0;
    const double in_waits = (f->end.waited_us - f->begin.waited_us) / 1000.0;
    const double cpu = (f->end.cpu_us - f->begin.cpu_us) / 1000.0;
    const double overhead = tester::Percent(wall - waits - wire, waits);
    const double raw = tester::Percent(wall - waits, waits);
    const double cpu_share = tester::Percent(cpu, wall);
    std::printf("%-9s %3d %-11s %9.1f %9.0f %5lld %8.1f %8.1f %7.1f %7.2f%% %7.2f%% %7.1f"
                " %5.2f%%\n",
                t.target, t.commandset, f->verdict.c_str(), wall, waits,
                static_cast<long long>(f->end.waits - f->begin.waits),
                (f->end.wire_us - f->begin.wire_us) / 1000.0, in_waits - waits,
                wall - in_waits - wire, overhead, raw, cpu, cpu_share);
    if (verbose) tester::PrintSteps(*f);
    all_pass = all_pass && f->verdict == "pass";
    overhead_met = overhead_met && overhead <= tester::kOverheadTargetPercent;
    cpu_met = cpu_met && cpu_share <= tester::kCpuTargetPercent;
  }
  std::printf("late: real time in the waits beyond what they asked for; calc: the rest of "
              "wall besides waits and wire\n"
              "overhead = (wall - waits - wire slept) / waits; (raw) = (wall - waits) / waits\n");
  std::printf("verdicts: %s\n", all_pass ? "every run passed" : "a run did not pass");
  if (virtual_clock) {
    std::printf("targets not judged: no real time passes on the virtual clock\n");
  } else {
    std::printf("overhead target (<= %.0f %% of the waits): %s\n",
                tester::kOverheadTargetPercent, overhead_met ? "met" : "MISSED");
    std::printf("CPU target (<= %.0f %% of wall): %s\n", tester::kCpuTargetPercent,
                cpu_met ? "met" : "MISSED");
  }
  return all_pass ? 0 : 1;
}
