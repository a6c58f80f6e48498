// ardentis: the single-station engine. Console verbs for now; the station window and the
// automation server come later.
#include <QCoreApplication>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "engine/run_cli.h"
#include "engine/station_cli.h"
#include "gauge/gauge_link.h"
#include "gauge/station_settings.h"
#include "platform/bus/station_runtime.h"
#include "platform/paths.h"

namespace {

constexpr const char* kUsage = R"(usage: ardentis <verb> [options]

Single-station engine of the battery-pack tester.

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

options:
  -h, --help             this text

environment:
  TESTER_HOME   application folder holding Config.ini (default: the program's folder)
  TESTER_BUS    sim (default), sim:<jig file>, replay:<trace file>
  TESTER_TRACE  write every gauge operation to this file ({pid} = process id)
  TESTER_CLOCK  virtual: waits take no real time

exit status: 0 success (run: the pack passed), 1 the gauge or bus failed (run: the
pack failed), 2 could not start
)";

int Usage(std::ostream& stream, int status) {
  stream << kUsage;
  return status;
}

// Runs a verb that talks to gauges: sets up clock and backend, binds the link.
template <typename Verb>
int WithGaugeLink(const std::string& folder, Verb verb) {
  std::string error;
  std::optional<tester::StationRuntime> runtime =
      tester::MakeStationRuntime(tester::BusConfigFromEnvironment(), error);
  if (!runtime) {
    std::cerr << "ardentis: " << error << "\n";
    return tester::kExitCannotStart;
  }
  tester::StationSettings settings;
  tester::GaugeLink link(*runtime->pump, settings);
  link.BindGaugeControl(runtime->control.get());
  const int status = verb(link, settings, folder);
  link.ReleaseGaugeControl();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::vector<std::string> args(argv + 1, argv + argc);
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
    std::string error;
    std::optional<tester::StationRuntime> runtime =
        tester::MakeStationRuntime(tester::BusConfigFromEnvironment(), error);
    if (!runtime) {
      std::cerr << "ardentis: " << error << "\n";
      return tester::kExitCannotStart;
    }
    return tester::RunRunVerb(*runtime->pump, *runtime->control, folder, run_args, std::cout,
                              std::cerr);
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
