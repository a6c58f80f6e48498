// ardentis: the single-station engine. Console verbs for now; the station window and the
// automation server come later.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "apps/ardentis_automation.h"
#include "engine/cli/batch_cli.h"
#include "engine/cli/run_cli.h"
#include "engine/cli/station_cli.h"
#include "gauge/gauge_link.h"
#include "gauge/station_settings.h"
#include "platform/bus/station_runtime.h"
#include "platform/paths.h"
#include "platform/trace_control.h"
#include "sim/sim_control.h"

namespace {

constexpr const char* kUsage = R"(usage: ardentis <verb> [options]
       ardentis --automation

Single-station engine of the battery-pack tester.

  --automation           serve one station to the controller: JSON-RPC 2.0, one
                         object per line, on stdin/stdout (docs/automation-protocol.md);
                         ends when stdin closes or after Quit

verbs:
  run [--ini FILE]       one test run on the first free adapter with the station
                         settings FILE (default: ardentis.ini of the application
                         folder); prints each status line, then the completion
                         report as one JSON line; exit 0 pass, 1 fail, 2 no start
  settings TARGET        print the station settings Config.ini gives for TARGET
                         (e.g. 800.1.02), as KEY=value lines in table order
  identify [--target T]  open the first free adapter and print the gauge's version
                         text; with --target, read it the way a run for T does
  survey                 for every adapter of the jig: open it, read the gauge's
                         version text, check the golden image Tester_<version>.rom
                         of the application folder and print the station settings
  batch [--runs N]       a production batch: every adapter of the jig is a station
                         with its station file StationK.ini (K = its place on the
                         jig; none: skipped); each tests N packs (default: its queue
                         on the virtual jig), serial numbers from one counter;
                         prints a line per run, then the results table; station
                         files are not changed; exit 0 when the batch ran

options:
  -h, --help             this text

environment:
  TESTER_HOME   application folder holding Config.ini (default: the program's folder)
  TESTER_BUS    sim (default), sim:<jig file>, replay:<trace file> (run: a run
                that leaves the trace or stops short of its end exits 1)
  TESTER_TRACE  write every gauge operation to this file ({pid} = process id);
                batch: one file per station, the file name followed by .1, .2, ...
  TESTER_CLOCK  virtual: waits take no real time

exit status: 0 success (run: the pack passed; batch: it ran, whatever the verdicts),
1 the gauge or bus failed (run: the pack failed), 2 could not start
)";

int Usage(std::ostream& stream, int status) {
  stream << kUsage;
  return status;
}

// Clock and backend from `bus`; what is wrong is printed when they cannot be made.
std::optional<tester::StationRuntime> OpenRuntime(const tester::BusConfig& bus) {
  std::string error;
  std::optional<tester::StationRuntime> runtime = tester::MakeStationRuntime(bus, error);
  if (!runtime) std::cerr << "ardentis: " << error << "\n";
  return runtime;
}

// Runs a verb that talks to gauges: sets up clock and backend, binds the link.
template <typename Verb>
int WithGaugeLink(const std::string& folder, Verb verb) {
  std::optional<tester::StationRuntime> runtime = OpenRuntime(tester::BusConfigFromEnvironment());
  if (!runtime) return tester::kExitCannotStart;
  tester::StationSettings settings;
  tester::GaugeLink link(*runtime->pump, settings);
  link.BindGaugeControl(runtime->control.get());
  const int status = verb(link, settings, folder);
  link.ReleaseGaugeControl();
  return status;
}

// The virtual jig's word on the adapter a batch station has open (through a trace).
std::optional<tester::JigPlace> DescribeSimPlace(tester::GaugeControl& control) {
  tester::GaugeControl* inner = &control;
  if (auto* traced = dynamic_cast<tester::TracingControl*>(inner)) inner = &traced->Inner();
  auto* sim = dynamic_cast<tester::SimControl*>(inner);
  tester::SimStation* station = sim ? sim->OpenStation() : nullptr;
  if (!station) return std::nullopt;
  const auto& adapters = sim->Jig().adapters;
  for (size_t i = 0; i < adapters.size(); ++i) {
    if (adapters[i].identifier != station->Adapter().identifier) continue;
    tester::JigPlace place;
    place.adapter_index = static_cast<int>(i);
    place.queue_length = static_cast<int>(adapters[i].packs.size());
    place.pack_index = static_cast<int>(station->PackIndex());
    if (station->PackIndex() < adapters[i].packs.size()) {
      place.pack_label = adapters[i].packs[station->PackIndex()].label;
    }
    return place;
  }
  return std::nullopt;
}

int RunBatch(const std::string& folder, const std::vector<std::string>& words) {
  std::string error;
  std::optional<tester::BatchVerbArgs> args = tester::ParseBatchArgs(words, error);
  if (!args) {
    std::cerr << "ardentis: " << error << "\n";
    return Usage(std::cerr, tester::kExitCannotStart);
  }
  const tester::BusConfig bus = tester::BusConfigFromEnvironment();
  tester::BusConfig untraced = bus;  // this control only checks the environment
  untraced.trace.clear();
  std::optional<tester::StationRuntime> runtime = OpenRuntime(untraced);
  if (!runtime) return tester::kExitCannotStart;
  runtime->control.reset();  // each station gets its own control below
  args->virtual_clock = bus.clock == "virtual";
  QElapsedTimer real_time;
  real_time.start();
  tester::BatchBackend backend;
  backend.make_control = [&](int ordinal, std::string& why) {
    tester::BusConfig own = bus;
    if (!own.trace.empty()) own.trace += "." + std::to_string(ordinal);
    return tester::MakeGaugeControl(own, *runtime->pump, why);
  };
  backend.describe = DescribeSimPlace;
  backend.real_ms = [&] { return static_cast<int64_t>(real_time.elapsed()); };
  return tester::RunBatchVerb(*runtime->pump, backend, folder, *args, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--automation") {
    return tester::RunAutomationServer(tester::ProgramFolder(argv[0]));
  }
  for (const std::string& arg : args) {
    if (arg == "-h" || arg == "--help") return Usage(std::cout, tester::kExitOk);
  }
  if (args.empty()) return Usage(std::cerr, tester::kExitCannotStart);

  const std::string folder = tester::ProgramFolder(argv[0]);
  const std::string& verb = args[0];

  if (verb == "settings") {
    if (args.size() != 2) return Usage(std::cerr, tester::kExitCannotStart);
    return tester::RunSettingsVerb(folder, args[1], std::cout, std::cerr);
  }
  if (verb == "identify") {
    std::string target;
    if (args.size() == 3 && args[1] == "--target") {
      target = args[2];
    } else if (args.size() != 1) {
      return Usage(std::cerr, tester::kExitCannotStart);
    }
    return WithGaugeLink(folder, [&](auto& link, auto& settings, const std::string& home) {
      return tester::RunIdentifyVerb(link, settings, home, target, std::cout, std::cerr);
    });
  }
  if (verb == "run") {
    tester::RunVerbArgs run_args{"", "ardentis"};
    if (args.size() == 3 && args[1] == "--ini") {
      run_args.ini = args[2];
    } else if (args.size() != 1) {
      return Usage(std::cerr, tester::kExitCannotStart);
    }
    std::optional<tester::StationRuntime> runtime =
        OpenRuntime(tester::BusConfigFromEnvironment());
    if (!runtime) return tester::kExitCannotStart;
    return tester::RunRunVerb(*runtime->pump, *runtime->control, folder, run_args, std::cout,
                              std::cerr);
  }
  if (verb == "batch") {
    return RunBatch(folder, std::vector<std::string>(args.begin() + 1, args.end()));
  }
  if (verb == "survey") {
    if (args.size() != 1) return Usage(std::cerr, tester::kExitCannotStart);
    return WithGaugeLink(folder, [](auto& link, auto& settings, const std::string& home) {
      return tester::RunSurveyVerb(link, settings, home, std::cout, std::cerr);
    });
  }
  std::cerr << "ardentis: unknown verb \"" << verb << "\"\n";
  return Usage(std::cerr, tester::kExitCannotStart);
}
