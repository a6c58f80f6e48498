// Controller benchmark: the controller logic with twelve
// real `ardentis --automation` engines on a virtual jig of twelve 800.1.02 stations,
// everything on the real clock, the demo's station settings, reference values from the
// station files.
//
// 1. Start-up: the controller's load (twelve engines started, adapters claimed, stations
//    named and initialised; the 250 ms splash is not part of it), once with the engines on
//    the real clock and once on the virtual clock (TESTER_CLOCK=virtual: the boards'
//    mandated start-up waits take no time). The figure beyond the waits is the
//    virtual-clock load. Target: at most 0.5 s.
// 2. Side by side: one start with only the first station testing (DoTesting=0 elsewhere),
//    then, in a fresh session, one start of all twelve: wall time from the start button to
//    the last completion. Target: twelve / one at most 1.01.
// 3. Controller CPU (this process) during the twelve runs as a share of one core; target
//    at most 2 %.
// 4. Status latency: for every status of every station, the time from the engine's step
//    start (its record's step times, on its own clock) to the controller's row holding it
//    and its view told (the window's painting, a few hundred microseconds, is not in it),
//    counted from the run's first status (the transit of that first one is not seen); 99th
//    percentile, target at most 20 ms.
// 5. Resident memory (VmRSS) of the controller and of each engine after the runs; targets
//    80 MB and 15 MB.
// Every run must pass; a failed run or a failed start-up makes the exit status 1. A missed
// target is reported, not an error.
//
// Usage: controller_bench [DEMO_FOLDER]   (default: the repository's demo/, copied)
#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controller/controller.h"
#include "controller/stored_references.h"
#include "platform/automation/client_engine_factory.h"
#include "platform/qt/qt_event_pump.h"
#include "platform/scripted_dialogs.h"
#include "testing/bench_clock.h"
#include "testing/demo_home.h"

namespace tester {
namespace {

constexpr int kStations = 12;
constexpr int kPacks = 3;
constexpr double kStartupTargetMs = 500;
constexpr double kSideBySideTarget = 1.01;
constexpr double kCpuTargetPercent = 2;
constexpr double kLatencyTargetMs = 20;
constexpr double kControllerRssTargetMb = 80;
constexpr double kEngineRssTargetMb = 15;
constexpr int64_t kRunLimitMs = 180'000;

std::string Identifier(int slot) {
  char id[33];
  std::snprintf(id, sizeof id, "C0B1E7A3D95F4C28B6E1%012X", 0x2000 + slot);
  return id;
}

std::string JigText() {
  std::string text = "# Twelve stations with calibration boards, 800.1.02 packs.\n\n";
  for (int slot = 0; slot < kStations; ++slot) {
    text += "[adapter " + Identifier(slot) + "]\ncal_board = yes\nsensors = 0x90 0x94\n\n";
    for (int p = 0; p < kPacks; ++p) {
      const double shift = ((slot * kPacks + p) % 7 - 3) * 1.3;
      char pack[600];
      std::snprintf(pack, sizeof pack,
                    "[pack production-%d 800.1.02]\nfamily = 1\ndevice_type = 0x0800\n"
                    "firmware = 0x0102\nidentity = 0x08A102\ndf_seed = %d\nmass_erase_ms = 40\n"
                    "true_cell_mv = %.1f %.1f %.1f\n"
                    "true_cell_gain_error = 0.0008 -0.0005 0.0003\ntrue_sense_mohm = 10.02\n"
                    "true_cc_offset_uv = 1.5\ntrue_temp_error_c = 0.2 -0.3\n\n",
                    p + 1, 300 + slot * kPacks + p, 3700.0 + shift, 3698.0 - shift,
                    3702.0 + shift / 2);
      text += pack;
    }
  }
  return text;
}

// JigSetup.ini: Bay01..Bay12, only the first testing when `one`.
std::string JigSetup(bool one) {
  std::string text = "[BoardMapping]\n";
  char name[8];
  for (int i = 0; i < kStations; ++i) {
    std::snprintf(name, sizeof name, "Bay%02d", i + 1);
    text += Identifier(i) + "=" + name + "\n";
  }
  for (int i = 0; i < kStations; ++i) {
    std::snprintf(name, sizeof name, "Bay%02d", i + 1);
    text += std::string("[") + name + "]\nITS=1\nDoTesting=" + (one && i > 0 ? "0" : "1") + "\n";
  }
  return text;
}

double RssMb(long long pid) {
  std::ifstream in("/proc/" + (pid ? std::to_string(pid) : std::string("self")) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10) / 1024.0;
  }
  return -1;
}

// What the controller needs besides engines, kept in memory.
class Serials final : public SerialCounter {
public:
  void SetStart(int32_t n) override { next_ = n; }
  void NextSerial(int32_t& n) override { n = next_++; }
  std::string SerialConfigError() override { return {}; }
  void SetRequester(const std::string&, const std::string&) override {}
  std::string RecordFate(int32_t, SerialFate) override { return {}; }

private:
  int32_t next_ = 9000;
};
class Log final : public TesterLog {
public:
  void InitStations(std::span<const std::string>, int16_t) override {}
  std::string AddToLog(const std::string&, const std::string&, Status, Status,
                       const std::string&, const std::string&, const RunRecord*) override {
    return {};
  }
};
class Reminder final : public clsReminder {
public:
  void SetListener(ReminderListener*) override {}
  void EnableReminder(bool) override {}
  void ResetReminder() override {}
  bool ReminderDue() override { return false; }
};

// Times each status as the controller's row takes it, against the engine's step times.
class TimingView final : public ControllerView {
public:
  void StationStatus(int station, const std::string&) override {
    shown_us[station].push_back(test::WallMicros());
  }
  void StationCompleted(int station, const CompletionReport&, const RunRecord& record) override {
    records[station] = record;
    last_completion_us = test::WallMicros();
  }
  void Note(const std::string& text) override { std::fprintf(stderr, "note: %s\n", text.c_str()); }

  std::map<int, std::vector<int64_t>> shown_us;
  std::map<int, RunRecord> records;
  int64_t last_completion_us = 0;
};

struct Session {
  double load_ms = 0;
  double start_to_last_ms = 0;
  double cpu_percent = 0;
  std::vector<double> latencies_ms;
  double controller_rss_mb = 0;
  std::vector<double> engine_rss_mb;
  bool ok = true;
};

// One controller session on `home`: load, VTI from the files, and (when `run`) one start.
Session RunSession(const std::string& home, const std::vector<std::string>& environment,
                   bool run) {
  Session result;
  QtEventPump pump;
  ScriptedDialogs dialogs;
  EngineStart start;
  start.executable = ARDENTIS_PATH;  // the engine as built, not beside this program
  start.environment = environment;
  ClientEngineFactory engines(start);
  Serials serials;
  Log log;
  Reminder reminder;
  TimingView view;
  ControllerSettings settings;
  settings.run_time_limit_ms = kRunLimitMs;
  Controller controller({pump, dialogs, engines, serials, log, reminder, home, settings}, &view);
  const int64_t load_start = test::WallMicros();
  if (!controller.Load()) {
    std::fprintf(stderr, "start-up failed: %s\n", controller.StartupMessage().c_str());
    result.ok = false;
    return result;
  }
  result.load_ms = (test::WallMicros() - load_start) / 1000.0;
  if (run) {
    for (const std::string& failure : PushStoredReferences(controller, home)) {
      std::fprintf(stderr, "%s\n", failure.c_str());
      result.ok = false;
    }
    const int64_t cpu_start = test::CpuMicros();
    const int64_t wall_start = test::WallMicros();
    controller.Start();
    while (controller.StationsBusy() > 0) pump.WaitMs(20);
    const int64_t wall = view.last_completion_us - wall_start;
    result.start_to_last_ms = wall / 1000.0;
    result.cpu_percent = 100.0 * (test::CpuMicros() - cpu_start) / std::max<int64_t>(wall, 1);
    for (const auto& [station, record] : view.records) {
      if (record.outcome != RunOutcome::kPass) {
        std::fprintf(stderr, "station %d: %s\n", station + 1, record.message.c_str());
        result.ok = false;
      }
      const std::vector<int64_t>& shown = view.shown_us[station];
      const std::size_t n = std::min(shown.size(), record.steps.size());
      for (std::size_t k = 1; k < n; ++k) {
        const double engine_ms = static_cast<double>(record.steps[k].start_ms - record.steps[0].start_ms);
        const double shown_ms = (shown[k] - shown[0]) / 1000.0;
        result.latencies_ms.push_back(std::max(0.0, shown_ms - engine_ms));
      }
    }
    result.controller_rss_mb = RssMb(0);
    for (long long pid : engines.ProcessIds()) {
      const double mb = RssMb(pid);
      if (mb > 0) result.engine_rss_mb.push_back(mb);
    }
  }
  controller.Shutdown();
  return result;
}

void Row(const char* what, double value, double target, bool lower_is_better = true) {
  const bool met = lower_is_better ? value <= target : value >= target;
  std::printf("  %-52s %10.3f   target %8.2f   %s\n", what, value, target, met ? "met" : "MISSED");
}

}  // namespace
}  // namespace tester

int main(int argc, char** argv) {
  using namespace tester;
  QCoreApplication app(argc, argv);
  test::DemoHome home(argc > 1 ? argv[1] : test::DemoFolder(), "controller-bench");
  if (!home.Ok()) {
    std::fprintf(stderr, "%s\n", home.Error().c_str());
    return 1;
  }
  const std::string jig = home.Root() + "/jig.txt";
  std::ofstream(jig) << JigText();
  for (int i = 0; i < kStations; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "Bay%02d", i + 1);
    std::filesystem::copy_file(home.File("Station1.ini"), home.File(name),
                               std::filesystem::copy_options::overwrite_existing);
  }
  auto environment = [&](const std::string& clock, const std::string& locks) {
    std::filesystem::create_directories(locks);
    return std::vector<std::string>{"TESTER_HOME=" + home.Home(), "TESTER_BUS=sim:" + jig,
                                    "TESTER_CLOCK=" + clock, "TESTER_SIM_LOCKS=" + locks,
                                    "TESTER_TRACE="};
  };

  home.Write("JigSetup.ini", JigSetup(false));
  const Session virtual_load = RunSession(home.Home(), environment("virtual", home.Root() + "/l1"), false);
  const Session real_load = RunSession(home.Home(), environment("", home.Root() + "/l2"), false);
  home.Write("JigSetup.ini", JigSetup(true));
  const Session one = RunSession(home.Home(), environment("", home.Root() + "/l3"), true);
  home.Write("JigSetup.ini", JigSetup(false));
  const Session twelve = RunSession(home.Home(), environment("", home.Root() + "/l4"), true);
  if (!virtual_load.ok || !real_load.ok || !one.ok || !twelve.ok) return 1;

  std::vector<double> latencies = twelve.latencies_ms;
  std::sort(latencies.begin(), latencies.end());
  const double p99 = latencies.empty() ? 0 : latencies[latencies.size() * 99 / 100];
  const double engine_rss =
      twelve.engine_rss_mb.empty() ? -1 : *std::max_element(twelve.engine_rss_mb.begin(),
                                                            twelve.engine_rss_mb.end());
  std::printf("Controller benchmark: twelve engines on the real clock\n");
  std::printf("  start-up with real-clock engines (waits included): %.1f ms; with "
              "virtual-clock engines (no waits): %.1f ms\n",
              real_load.load_ms, virtual_load.load_ms);
  Row("start-up beyond the waits (ms)", virtual_load.load_ms, kStartupTargetMs);
  std::printf("  one station alone: %.0f ms; twelve side by side: %.0f ms\n",
              one.start_to_last_ms, twelve.start_to_last_ms);
  Row("twelve / one", twelve.start_to_last_ms / one.start_to_last_ms, kSideBySideTarget);
  Row("controller CPU during the twelve runs (% of a core)", twelve.cpu_percent,
      kCpuTargetPercent);
  std::printf("  status latencies measured: %zu\n", latencies.size());
  Row("status to row shown, 99th percentile (ms)", p99, kLatencyTargetMs);
  Row("controller VmRSS (MB)", twelve.controller_rss_mb, kControllerRssTargetMb);
  Row("largest engine VmRSS (MB)", engine_rss, kEngineRssTargetMb);
  return 0;
}
