// Engines benchmark: twelve station engines (`ardentis --automation`, one process each)
// driven through SingleSiteClient as the controller drives them, on the real clock, on a
// virtual jig of twelve adapters with calibration boards and queues of 800.1.02 packs.
//
// 1. Start-up: start twelve engines, then in slot order AttachLinkpod, SetIniFile (a copy
//    of the demo station file per station) and InitCacheFromSetup on each. Wall time of the
//    whole start-up against the time the engines spent in their calibration-board start-up
//    (the only waits the start-up asks for: the bus-status polls of the board start-up),
//    measured on each engine's own clock from its gauge-operation trace (TESTER_TRACE).
//    Target: the rest below 1 s. Resident memory of each engine after init (VmRSS);
//    target below 20 MB.
// 2. Side by side: one full run (Execute(false), wait for Completed) on the first station
//    alone, then one run on all twelve at once. Target: wall(twelve) / wall(one) <= 1.05.
//    CPU time of the engines during the twelve runs (utime + stime of /proc/<pid>/stat) as
//    a share of wall x 12, and the busy share of the whole machine meanwhile (other work on
//    the machine shows there).
//
// Every run must pass; a run that does not, or an engine that does not start, makes the
// exit status 1. A missed target is reported, not an error.
//
// Usage: engines_bench [--keep] [DEMO_FOLDER]
//   DEMO_FOLDER defaults to the repository's demo/; it is copied to a scratch folder and
//   never written. --keep leaves the scratch folder (jig file, station files, traces).
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/automation/automation_error.h"
#include "platform/automation/single_site_client.h"
#include "testing/demo_home.h"
#include "testing/bench_clock.h"

namespace tester {
namespace {

// Stations of a full jig: one engine process each.
constexpr int kStations = 12;
// Packs queued per adapter: one run alone plus one side-by-side run need two.
constexpr int kPacksPerAdapter = 4;
// Start-up wall time allowed beyond the engines' board start-up waits.
constexpr double kStartupTargetMs = 1000.0;
// Resident memory allowed per engine after InitCacheFromSetup.
constexpr double kRssTargetMb = 20.0;
// Twelve runs side by side may take this much longer than one run alone.
constexpr double kSideBySideTarget = 1.05;
// Longest a full run may take before the bench gives up on it (a run takes about 15 s).
constexpr int kRunTimeoutMs = 120'000;
// Time given to a station after its pass report: the run still sends the gauge to ROM
// mode, pauses 100 ms and switches the station off.
constexpr int kRunTailMs = 500;
// First serial number the bench hands out.
constexpr int32_t kFirstSerial = 5000;

double Percent(double part, double whole) { return whole > 0 ? 100.0 * part / whole : 0.0; }

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// --- the jig ---------------------------------------------------------------------------

// Adapter identifier of slot `slot` (0-based): 32 hexadecimal digits, unique per slot.
std::string AdapterIdentifier(int slot) {
  char id[33];
  std::snprintf(id, sizeof id, "B3E6C0A95D1F4E27A8C4%012X", 0x1000 + slot);
  return id;
}

// One 800.1.02 pack of the production kind (the first adapter of the default jig): a
// three-cell pack whose values vary a little with `seed`, so stations do not run twins.
std::string PackText(int slot, int index) {
  const int seed = 100 + slot * kPacksPerAdapter + index;
  const double shift = ((seed % 7) - 3) * 1.3;  // mV, a different pack on every station
  char text[640];
  std::snprintf(text, sizeof text,
                "[pack production-%d 800.1.02]\n"
                "family = 1\n"
                "device_type = 0x0800\n"
                "firmware = 0x0102\n"
                "identity = 0x08A102\n"
                "df_seed = %d\n"
                "mass_erase_ms = 40\n"
                "true_cell_mv = %.1f %.1f %.1f\n"
                "true_cell_gain_error = 0.0008 -0.0005 0.0003\n"
                "true_sense_mohm = 10.02\n"
                "true_cc_offset_uv = 1.5\n"
                "true_temp_error_c = 0.2 -0.3\n\n",
                index + 1, seed, 3700.0 + shift, 3698.0 - shift, 3702.0 + shift / 2);
  return text;
}

std::string JigText() {
  std::string text = "# Twelve stations with calibration boards, 800.1.02 packs queued.\n\n";
  for (int slot = 0; slot < kStations; ++slot) {
    text += "[adapter " + AdapterIdentifier(slot) + "]\ncal_board = yes\nsensors = 0x90 0x94\n\n";
    for (int index = 0; index < kPacksPerAdapter; ++index) text += PackText(slot, index);
  }
  return text;
}

// --- what /proc tells about an engine ---------------------------------------------------

struct MemoryFigures {
  long rss_kb = -1;       // VmRSS: resident, shared library pages counted in full
  long anon_kb = -1;      // RssAnon: the process's own heap and stacks
  long file_kb = -1;      // RssFile: mapped files, mostly shared libraries
  long pss_kb = -1;       // Pss: shared pages divided among the processes sharing them
};

// The value in kB of `key` ("VmRSS:") in a /proc status-like text, or -1.
long KbField(const std::string& text, const std::string& key) {
  const std::size_t at = text.find(key);
  if (at == std::string::npos) return -1;
  return std::strtol(text.c_str() + at + key.size(), nullptr, 10);
}

MemoryFigures ReadMemory(long long pid) {
  const std::string base = "/proc/" + std::to_string(pid);
  const std::string status = ReadWholeFile(base + "/status");
  MemoryFigures m;
  m.rss_kb = KbField(status, "VmRSS:");
  m.anon_kb = KbField(status, "RssAnon:");
  m.file_kb = KbField(status, "RssFile:");
  m.pss_kb = KbField(ReadWholeFile(base + "/smaps_rollup"), "\nPss:");
  return m;
}

// utime + stime of a process in milliseconds, or -1 when it cannot be read.
double ProcessCpuMs(long long pid) {
  const std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
  const std::size_t name_end = stat.rfind(')');  // the command name may hold blanks
  if (name_end == std::string::npos) return -1;
  std::istringstream fields(stat.substr(name_end + 2));
  std::string field;
  // After the name: state is field 3; utime and stime are fields 14 and 15.
  long long utime = 0, stime = 0;
  for (int number = 3; number <= 15 && fields >> field; ++number) {
    if (number == 14) utime = std::atoll(field.c_str());
    if (number == 15) stime = std::atoll(field.c_str());
  }
  return 1000.0 * static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Busy and total jiffies of the whole machine (all cores), from /proc/stat.
struct MachineTicks {
  long long busy = 0;
  long long total = 0;
};

MachineTicks ReadMachineTicks() {
  std::istringstream line(ReadWholeFile("/proc/stat"));
  std::string cpu;
  line >> cpu;
  MachineTicks t;
  long long value = 0;
  for (int column = 0; column < 8 && line >> value; ++column) {
    t.total += value;
    if (column != 3 && column != 4) t.busy += value;  // idle and iowait are not busy
  }
  return t;
}

// --- the engine's own record of its start-up --------------------------------------------

// What an engine's gauge-operation trace shows of its start-up: every line written before
// the end of InitCacheFromSetup (which does no bus work) belongs to AttachLinkpod.
struct StartupTrace {
  bool read = false;
  int lines = 0;
  int board_ops = 0;      // operations of the calibration-board start-up
  int bus_polls = 0;      // BusStatus lines: each follows the bus-idle wait USB_RESP_TIME
  int64_t pause_ms = 0;   // adapter pauses asked for
  int64_t board_ms = -1;  // the board start-up on the engine's clock: first to last line
};

StartupTrace ReadStartupTrace(const std::string& path) {
  std::ifstream in(path);
  StartupTrace t;
  if (!in) return t;
  t.read = true;
  std::string line;
  int64_t first_ms = -1, last_ms = -1;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    int64_t ms = 0;
    std::string op;
    if (!(fields >> ms >> op)) continue;
    ++t.lines;
    // Adapter claim and identification take no bus time; the board start-up begins with
    // the probe of the board's output port.
    if (op == "ListAdapters" || op == "OpenAdapter" || op == "ReadAdapterId") continue;
    ++t.board_ops;
    if (first_ms < 0) first_ms = ms;
    last_ms = ms;
    if (op == "BusStatus") ++t.bus_polls;
    if (op == "Pause") {
      std::string arg;
      fields >> arg;
      if (arg.rfind("ms=", 0) == 0) t.pause_ms += std::atoll(arg.c_str() + 3);
    }
  }
  if (first_ms >= 0) t.board_ms = last_ms - first_ms;
  return t;
}

// --- one station ------------------------------------------------------------------------

struct Completion {
  int64_t at_us = 0;
  std::string serial;
  int32_t code = 0;
  int32_t ext = 0;
  std::string ended;  // why the engine went away instead, if it did
};

// Hears one engine's events: hands out serial numbers and notes the completion.
class StationEvents final : public SingleSiteClientEvents {
public:
  StationEvents(int32_t& next_serial, std::function<void()> on_done)
      : next_serial_(next_serial), on_done_(std::move(on_done)) {}

  void CurrentStatus(const std::string&, int32_t) override {}
  void RequestSerialNo(int32_t& nSerial) override { nSerial = next_serial_++; }
  void Completed(const CompletionReport& r, const RunRecord&) override {
    completion = Completion{test::WallMicros(), r.sSerial, r.nErrCode, r.nExtErrCode, {}};
    on_done_();
  }
  void SetWindowTitle(const std::string&) override {}
  void EngineEnded(const std::string& reason) override {
    if (!completion) completion = Completion{test::WallMicros(), "", -1, -1, reason};
    on_done_();
  }

  std::optional<Completion> completion;

private:
  int32_t& next_serial_;
  std::function<void()> on_done_;
};

struct Engine {
  std::unique_ptr<StationEvents> events;
  std::unique_ptr<SingleSiteClient> client;
  long long pid = 0;
  std::string adapter;
  int32_t attach = 0;
  int32_t init = -1;
  double attach_ms = 0;
  double init_ms = 0;  // SetIniFile and InitCacheFromSetup
  MemoryFigures memory;
  StartupTrace trace;
  double run_ms = 0;   // its own run of the side-by-side round
  std::string verdict;
};

std::string Verdict(const std::optional<Completion>& c) {
  if (!c) return "no verdict";
  if (!c->ended.empty()) return "engine ended: " + c->ended;
  if (c->code == 0) return "pass";
  return "fail " + std::to_string(c->code) + "/" + std::to_string(c->ext);
}

struct Scratch {
  std::string root;
  std::string home;
  std::string locks;
  std::string traces;
  std::string jig;
};

// The bench's folders in `home`, a scratch copy of the demo folder: a station file per
// slot beside the demo's, a traces/ folder and the jig file.
std::optional<Scratch> MakeScratch(test::DemoHome& home) {
  if (!home.Ok()) {
    std::fprintf(stderr, "scratch folder: %s\n", home.Error().c_str());
    return std::nullopt;
  }
  Scratch s{home.Root(), home.Home(), home.Locks(), home.Scratch().Folder("traces"),
            home.Root() + "/jig.txt"};
  std::error_code error;
  if (s.traces.empty()) error = std::make_error_code(std::errc::io_error);
  for (int slot = 0; slot < kStations && !error; ++slot) {
    std::filesystem::copy_file(s.home + "/Station1.ini",
                               s.home + "/BenchStation" + std::to_string(slot + 1) + ".ini",
                               error);
  }
  if (!error) {
    std::ofstream jig(s.jig);
    jig << JigText();
    if (!jig) error = std::make_error_code(std::errc::io_error);
  }
  if (error) {
    std::fprintf(stderr, "scratch folder %s: %s\n", s.root.c_str(), error.message().c_str());
    return std::nullopt;
  }
  return s;
}

// Runs the event loop until `done()` holds or `timeout_ms` passes; events of every engine
// are served meanwhile.
void ServeUntil(QEventLoop& loop, const std::function<bool()>& done, int timeout_ms) {
  if (done()) return;
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
  limit.start(timeout_ms);
  loop.exec();
}

class Bench {
public:
  Bench(const Scratch& scratch, const std::string& ardentis)
      : scratch_(scratch), ardentis_(ardentis) {}

  bool StartUp();
  bool RunAlone();
  bool RunSideBySide();
  void Print() const;
  void QuitAll();

private:
  void Done() {
    if (waiting_ && waiting_()) loop_.quit();
  }
  bool StartRun(Engine& e);
  void ProbeAfterCompleted(Engine& e);

  const Scratch& scratch_;
  std::string ardentis_;
  std::vector<Engine> engines_;
  int32_t next_serial_ = kFirstSerial;
  QEventLoop loop_;
  std::function<bool()> waiting_;

  double startup_wall_ms_ = 0;
  double spawn_ms_ = 0;
  double alone_ms_ = 0;
  std::string alone_verdict_;
  double engine_cpu_alone_ms_ = 0;
  std::optional<int32_t> probe_result_;  // Execute(false) sent as the pass report arrived
  double together_ms_ = 0;
  double stagger_ms_ = 0;  // from the first Execute to the last one returning
  double engine_cpu_ms_ = 0;
  double own_cpu_ms_ = 0;
  double machine_busy_percent_ = 0;
};

bool Bench::StartUp() {
  const std::vector<std::string> environment = {
      "TESTER_HOME=" + scratch_.home,
      "TESTER_SIM_LOCKS=" + scratch_.locks,
      "TESTER_BUS=sim:" + scratch_.jig,
      "TESTER_TRACE=" + scratch_.traces + "/t{pid}",
  };
  const int64_t begin = test::WallMicros();
  try {
    for (int slot = 0; slot < kStations; ++slot) {
      Engine e;
      e.events = std::make_unique<StationEvents>(next_serial_, [this] { Done(); });
      EngineStart start;
      start.executable = ardentis_;
      start.environment = environment;
      e.client = std::make_unique<SingleSiteClient>(start, e.events.get());
      e.pid = e.client->ProcessId();
      engines_.push_back(std::move(e));
    }
    spawn_ms_ = (test::WallMicros() - begin) / 1000.0;
    for (int slot = 0; slot < kStations; ++slot) {
      Engine& e = engines_[slot];
      int64_t t0 = test::WallMicros();
      e.attach = e.client->AttachLinkpod(e.adapter);
      e.attach_ms = (test::WallMicros() - t0) / 1000.0;
      t0 = test::WallMicros();
      e.client->SetIniFile(scratch_.home + "/BenchStation" + std::to_string(slot + 1) + ".ini");
      e.init = e.client->InitCacheFromSetup();
      e.init_ms = (test::WallMicros() - t0) / 1000.0;
    }
  } catch (const AutomationError& error) {
    std::fprintf(stderr, "start-up: %s\n", error.what());
    return false;
  }
  startup_wall_ms_ = (test::WallMicros() - begin) / 1000.0;
  bool ok = true;
  for (Engine& e : engines_) {
    e.memory = ReadMemory(e.pid);
    e.trace = ReadStartupTrace(scratch_.traces + "/t" + std::to_string(e.pid));
    if (e.attach != 0 || e.init != 0) {
      std::fprintf(stderr, "engine %lld: AttachLinkpod %d, InitCacheFromSetup %d\n", e.pid,
                   e.attach, e.init);
      ok = false;
    }
  }
  return ok;
}

bool Bench::StartRun(Engine& e) {
  e.events->completion.reset();
  try {
    const int32_t result = e.client->Execute(false);
    if (result != 0) std::fprintf(stderr, "Execute on engine %lld: %d\n", e.pid, result);
    return result == 0;
  } catch (const AutomationError& error) {
    std::fprintf(stderr, "Execute on engine %lld: %s\n", e.pid, error.what());
    return false;
  }
}

bool Bench::RunAlone() {
  Engine& e = engines_.front();
  const double cpu0 = ProcessCpuMs(e.pid);
  const int64_t begin = test::WallMicros();
  if (!StartRun(e)) return false;
  waiting_ = [&e] { return e.events->completion.has_value(); };
  ServeUntil(loop_, waiting_, kRunTimeoutMs);
  waiting_ = nullptr;
  engine_cpu_alone_ms_ = ProcessCpuMs(e.pid) - cpu0;
  alone_verdict_ = Verdict(e.events->completion);
  if (e.events->completion) alone_ms_ = (e.events->completion->at_us - begin) / 1000.0;
  if (alone_verdict_ != "pass") return false;
  ProbeAfterCompleted(e);
  // Let the station finish its run (ROM entry, final pause, power-off) before the round.
  ServeUntil(loop_, [] { return false; }, kRunTailMs);
  return true;
}

// A pass is reported before the run's tail; a controller that starts the next run the
// moment the report arrives meets a station that is still busy.
void Bench::ProbeAfterCompleted(Engine& e) {
  try {
    probe_result_ = e.client->Execute(false);
  } catch (const AutomationError& error) {
    std::fprintf(stderr, "Execute on engine %lld: %s\n", e.pid, error.what());
    return;
  }
  if (probe_result_ != 0) return;
  // Accepted after all: that run must end before the round (the next pack is queued).
  e.events->completion.reset();
  waiting_ = [&e] { return e.events->completion.has_value(); };
  ServeUntil(loop_, waiting_, kRunTimeoutMs);
  waiting_ = nullptr;
}

bool Bench::RunSideBySide() {
  std::vector<double> cpu0;
  for (const Engine& e : engines_) cpu0.push_back(ProcessCpuMs(e.pid));
  const MachineTicks machine0 = ReadMachineTicks();
  const int64_t own0 = test::CpuMicros();
  const int64_t begin = test::WallMicros();
  std::vector<int64_t> started(engines_.size(), 0);
  bool ok = true;
  for (std::size_t i = 0; i < engines_.size(); ++i) {
    ok = StartRun(engines_[i]) && ok;
    started[i] = test::WallMicros();
  }
  stagger_ms_ = (test::WallMicros() - begin) / 1000.0;
  waiting_ = [this] {
    return std::all_of(engines_.begin(), engines_.end(),
                       [](const Engine& e) { return e.events->completion.has_value(); });
  };
  ServeUntil(loop_, waiting_, kRunTimeoutMs);
  waiting_ = nullptr;
  int64_t last = begin;
  for (std::size_t i = 0; i < engines_.size(); ++i) {
    Engine& e = engines_[i];
    e.verdict = Verdict(e.events->completion);
    ok = ok && e.verdict == "pass";
    if (e.events->completion) {
      last = std::max(last, e.events->completion->at_us);
      e.run_ms = (e.events->completion->at_us - started[i]) / 1000.0;
    }
    engine_cpu_ms_ += ProcessCpuMs(e.pid) - cpu0[i];
  }
  together_ms_ = (last - begin) / 1000.0;
  own_cpu_ms_ = (test::CpuMicros() - own0) / 1000.0;
  const MachineTicks machine1 = ReadMachineTicks();
  machine_busy_percent_ =
      Percent(static_cast<double>(machine1.busy - machine0.busy),
              static_cast<double>(machine1.total - machine0.total));
  return ok;
}

void Bench::Print() const {
  std::printf("\n1. Start-up of %d engines (real clock, virtual jig of %d adapters)\n",
              kStations, kStations);
  std::printf("%4s %8s %-10s %9s %8s %8s %6s %8s %8s %8s %8s %8s\n", "slot", "pid", "adapter",
              "attach ms", "init ms", "board ms", "polls", "pauses", "RSS MB", "anon MB",
              "file MB", "PSS MB");
  double board_sum_ms = 0;
  double rss_max_mb = 0;
  bool traces_read = true;
  for (std::size_t i = 0; i < engines_.size(); ++i) {
    const Engine& e = engines_[i];
    const StartupTrace& t = e.trace;
    traces_read = traces_read && t.read && t.board_ms >= 0;
    board_sum_ms += std::max<int64_t>(t.board_ms, 0);
    const double rss_mb = e.memory.rss_kb / 1024.0;
    rss_max_mb = std::max(rss_max_mb, rss_mb);
    std::printf("%4zu %8lld %-10s %9.1f %8.1f %8lld %6d %8lld %8.1f %8.1f %8.1f %8.1f\n", i + 1,
                e.pid, e.adapter.substr(e.adapter.size() > 8 ? e.adapter.size() - 8 : 0).c_str(),
                e.attach_ms, e.init_ms, static_cast<long long>(t.board_ms), t.bus_polls,
                static_cast<long long>(t.pause_ms), rss_mb, e.memory.anon_kb / 1024.0,
                e.memory.file_kb / 1024.0, e.memory.pss_kb / 1024.0);
  }
  const double rest_ms = startup_wall_ms_ - board_sum_ms;
  std::printf("board ms: the calibration-board start-up on the engine's own clock (first to last"
              " bus operation of\n  its trace: bus-idle waits before each poll, wire time, the"
              " work between); polls: BusStatus reads;\n  pauses: adapter pauses asked for\n");
  std::printf("start-up wall %.1f ms (engines started in %.1f ms); board start-ups %.1f ms in "
              "all; rest %.1f ms\n",
              startup_wall_ms_, spawn_ms_, board_sum_ms, rest_ms);

  std::printf("\n2. Side by side (real clock, full run, Execute(false) until Completed)\n");
  std::printf("one station alone:   wall %9.1f ms  %s  engine CPU %7.1f ms (%.2f %% of wall)\n",
              alone_ms_, alone_verdict_.c_str(), engine_cpu_alone_ms_,
              Percent(engine_cpu_alone_ms_, alone_ms_));
  if (probe_result_) {
    std::printf("  Execute(false) sent as its pass report arrived: %s\n",
                *probe_result_ == 0 ? "accepted (a run started)"
                                    : ("refused with " + std::to_string(*probe_result_) +
                                       ": the run's tail (ROM entry, 100 ms, power-off) still "
                                       "ran; no run, no report")
                                          .c_str());
  }
  std::printf("twelve at once:      wall %9.1f ms  (the twelve Execute calls took %.1f ms)\n",
              together_ms_, stagger_ms_);
  double fastest = 1e300, slowest = 0;
  for (const Engine& e : engines_) {
    if (!e.events || !e.events->completion) continue;
    fastest = std::min(fastest, e.run_ms);
    slowest = std::max(slowest, e.run_ms);
  }
  std::printf("  each station's own run: %.1f .. %.1f ms; verdicts:", fastest, slowest);
  for (const Engine& e : engines_) std::printf(" %s", e.verdict.c_str());
  std::printf("\n");
  const double ratio = alone_ms_ > 0 ? together_ms_ / alone_ms_ : 0.0;
  std::printf("  engines' CPU %.1f ms = %.2f %% of wall x %d; this controller's CPU %.1f ms; "
              "whole machine busy %.1f %% of its cores meanwhile\n",
              engine_cpu_ms_, Percent(engine_cpu_ms_, together_ms_ * kStations), kStations,
              own_cpu_ms_, machine_busy_percent_);

  std::printf("\n%-44s %12s %12s  %s\n", "target", "measured", "limit", "verdict");
  const auto row = [](const char* what, double value, double limit, bool met) {
    std::printf("%-44s %12.3f %12.3f  %s\n", what, value, limit, met ? "met" : "MISSED");
  };
  if (traces_read) {
    row("start-up beyond board waits (ms)", rest_ms, kStartupTargetMs,
        rest_ms < kStartupTargetMs);
  } else {
    std::printf("%-44s %12s %12.3f  not judged: an engine's trace was not read\n",
                "start-up beyond board waits (ms)", "?", kStartupTargetMs);
  }
  row("largest engine VmRSS after init (MB)", rss_max_mb, kRssTargetMb, rss_max_mb < kRssTargetMb);
  row("wall twelve / wall one", ratio, kSideBySideTarget, ratio > 0 && ratio <= kSideBySideTarget);
}

void Bench::QuitAll() {
  for (Engine& e : engines_) {
    try {
      e.client->Quit();
    } catch (const AutomationError& error) {
      std::fprintf(stderr, "Quit on engine %lld: %s\n", e.pid, error.what());
    }
  }
  engines_.clear();
}

}  // namespace
}  // namespace tester

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  bool keep = false;
  std::string demo = tester::test::DemoFolder();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--keep") {
      keep = true;
    } else {
      demo = arg;
    }
  }
  // The engines inherit this environment: they must run on the real clock.
  ::unsetenv("TESTER_CLOCK");
  tester::test::DemoHome home(demo, "engines-bench");
  const auto scratch = tester::MakeScratch(home);
  if (!scratch) return 1;

  bool ok = false;
  {
    tester::Bench bench(*scratch, ARDENTIS_PATH);
    ok = bench.StartUp();
    if (ok) ok = bench.RunAlone() && ok;
    if (ok) ok = bench.RunSideBySide() && ok;
    bench.Print();
    bench.QuitAll();
  }
  std::printf("runs: %s\n", ok ? "every engine started and every run passed"
                               : "an engine did not start or a run did not pass");
  if (keep) {
    home.Scratch().Keep();
    std::printf("scratch folder kept: %s\n", scratch->root.c_str());
  }
  return ok ? 0 : 1;
}
