// ardentis: the single-station engine: the automation server and the console verbs.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <unistd.h>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "apps/ardentis_automation.h"
#include "apps/ardentis_window.h"
#include "apps/command_line.h"
#include "components/cli/password_cli.h"
#include "components/result_store.h"
#include "components/serial_store.h"
#include "engine/cli/batch_cli.h"
#include "engine/cli/run_cli.h"
#include "engine/cli/station_cli.h"
#include "engine/version.h"
#include "gauge/gauge_link.h"
#include "gauge/station_settings.h"
#include "platform/bus/station_runtime.h"
#include "platform/paths.h"
#include "platform/trace_control.h"
#include "sim/sim_control.h"

namespace {

constexpr const char* kDescription = R"(Single-station engine of the battery-pack tester.

  ardentis               the single-station tester in its window: start tests, the
                         lamps and the result log, the configuration dialogs

  ardentis --automation  serve one station to the controller: JSON-RPC 2.0, one
                         object per line, on stdin/stdout (docs/automation-protocol.md);
                         ends when stdin closes or after Quit
  ardentis <verb> [options]  (ardentis <verb> --help for the verb's options):
    run [--ini FILE]       one test run on the first free adapter with the station
                           file FILE (default: ardentis.ini of the application
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
    password               set the operator lock's password: the first line of stdin
                           (at a terminal: asked twice, not echoed); stored as a salted
                           hash in password.ini of the application folder
  run and batch draw serial numbers from serials.db and log every completion in
  results.db, both in the application folder (docs/database.md)

environment:
  TESTER_HOME   application folder holding Config.ini (default: the program's folder)
  TESTER_BUS    sim (default), sim:<jig file>, replay:<trace file> (run: a run
                that leaves the trace or stops short of its end exits 1)
  TESTER_TRACE  write every gauge operation to this file ({pid} = process id);
                batch: one file per station, the file name followed by .1, .2, ...
  TESTER_CLOCK  virtual: waits take no real time

exit status: 0 success (run: the pack passed; batch: it ran, whatever the verdicts),
1 the gauge or bus failed (run: the pack failed), 2 could not start)";

// One verb's command line: its own options after the verb. nullopt when the verb goes on.
struct VerbLine {
  QCommandLineParser parser;
  std::optional<int> exit;
};

// `positional`: the one argument the verb takes after it, empty for none.
void ParseVerb(VerbLine& line, const QString& verb, const QString& description,
               const QStringList& arguments, const QList<QCommandLineOption>& options,
               const QString& positional = {}) {
  tester::PrepareParser(line.parser, description, verb);
  for (const QCommandLineOption& option : options) line.parser.addOption(option);
  if (!positional.isEmpty()) line.parser.addPositionalArgument(positional, QString());
  line.exit = tester::ParseOrExit(line.parser, arguments);
  const qsizetype wanted = positional.isEmpty() ? 1 : 2;  // the verb itself counts
  if (!line.exit && line.parser.positionalArguments().size() != wanted) {
    const QString takes = positional.isEmpty() ? " takes no arguments" : " takes one " + positional;
    line.exit = tester::UsageError(line.parser, verb + takes);
  }
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

int RunBatch(const std::string& folder, const std::vector<std::string>& words,
             const QCommandLineParser& parser) {
  std::string error;
  std::optional<tester::BatchVerbArgs> args = tester::ParseBatchArgs(words, error);
  if (!args) return tester::UsageError(parser, QString::fromStdString(error));
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
  const auto serials = tester::OpenSerialStore(folder, *runtime->pump);
  const auto log = tester::OpenResultStore(folder, *runtime->pump);
  return tester::RunBatchVerb(*runtime->pump, backend, folder, *args, {*serials, *log}, std::cout,
                              std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  // No verb and no option: the single-station tester in its window.
  if (argc == 1) return tester::RunStationWindow(argc, argv, tester::ProgramFolder(argv[0]));
  QCoreApplication app(argc, argv);
  tester::SetProgramIdentity("ardentis", tester::SoftwareVersion().c_str());
  QCommandLineParser parser;
  tester::PrepareParser(parser, kDescription);
  const QCommandLineOption automation("automation", "Serve one station to the controller.");
  parser.addOption(automation);
  parser.addPositionalArgument("verb", "run, settings, identify, survey, batch or password.",
                               "<verb> [options]");
  if (std::optional<int> exit = tester::ParseOrExit(parser, app.arguments())) return *exit;

  const std::string folder = tester::ProgramFolder(argv[0]);
  const QStringList words = parser.positionalArguments();
  if (parser.isSet(automation)) {
    if (!words.isEmpty()) return tester::UsageError(parser, "--automation takes no verb");
    return tester::RunAutomationServer(folder);
  }
  if (words.isEmpty()) return tester::UsageError(parser, "a verb is needed after an option");
  const QString verb = words.first();
  // The verb and what follows it, as the verb's parser reads them.
  const QStringList rest = QStringList{app.arguments().first()} + words;

  if (verb == "settings") {
    VerbLine line;
    ParseVerb(line, verb, "Print the station settings Config.ini gives for TARGET.", rest, {},
              "TARGET");
    if (line.exit) return *line.exit;
    return tester::RunSettingsVerb(folder, line.parser.positionalArguments()[1].toStdString(),
                                   std::cout, std::cerr);
  }
  if (verb == "identify") {
    VerbLine line;
    const QCommandLineOption target("target", "Read the version the way a run for T does.", "T");
    ParseVerb(line, verb, "Print the version text of the gauge on the first free adapter.",
              rest, {target});
    if (line.exit) return *line.exit;
    const std::string wanted = line.parser.value(target).toStdString();
    return WithGaugeLink(folder, [&](auto& link, auto& settings, const std::string& home) {
      return tester::RunIdentifyVerb(link, settings, home, wanted, std::cout, std::cerr);
    });
  }
  if (verb == "run") {
    VerbLine line;
    const QCommandLineOption ini("ini", "Station file (default: ardentis.ini).", "FILE");
    ParseVerb(line, verb, "One test run on the first free adapter.", rest, {ini});
    if (line.exit) return *line.exit;
    tester::RunVerbArgs run_args{line.parser.value(ini).toStdString(), "ardentis"};
    std::optional<tester::StationRuntime> runtime =
        OpenRuntime(tester::BusConfigFromEnvironment());
    if (!runtime) return tester::kExitCannotStart;
    const auto serials = tester::OpenSerialStore(folder, *runtime->pump);
    const auto log = tester::OpenResultStore(folder, *runtime->pump);
    return tester::RunRunVerb(*runtime->pump, *runtime->control, folder, run_args,
                              {*serials, *log}, std::cout,
                              std::cerr);
  }
  if (verb == "batch") {
    VerbLine line;
    const QCommandLineOption runs("runs", "Packs each station tests (default: its queue).", "N");
    ParseVerb(line, verb, "A production batch on every adapter of the jig.", rest, {runs});
    if (line.exit) return *line.exit;
    std::vector<std::string> batch_words;
    if (line.parser.isSet(runs)) batch_words = {"--runs", line.parser.value(runs).toStdString()};
    return RunBatch(folder, batch_words, line.parser);
  }
  if (verb == "password") {
    VerbLine line;
    ParseVerb(line, verb, "Set the operator lock's password from standard input.", rest, {});
    if (line.exit) return *line.exit;
    return tester::RunPasswordVerb(folder, std::cin, isatty(STDIN_FILENO) != 0, std::cout,
                                   std::cerr);
  }
  if (verb == "survey") {
    VerbLine line;
    ParseVerb(line, verb, "Every adapter of the jig: version, golden image check, settings.",
              rest, {});
    if (line.exit) return *line.exit;
    return WithGaugeLink(folder, [](auto& link, auto& settings, const std::string& home) {
      return tester::RunSurveyVerb(link, settings, home, std::cout, std::cerr);
    });
  }
  return tester::UsageError(parser, "unknown verb \"" + verb + "\"");
}
