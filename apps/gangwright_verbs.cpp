#include "apps/gangwright_verbs.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstring>
#include <iostream>

#include "apps/command_line.h"
#include "components/cli/results_cli.h"
#include "components/cli/serials_cli.h"
#include "components/result_store.h"
#include "components/serial_store.h"
#include "engine/version.h"
#include "platform/paths.h"
#include "platform/qt/station_clock.h"

namespace tester {
namespace {

constexpr const char* kResultsHelp =
    "Export the result log (results.db of the application folder), newest first.";
constexpr const char* kSerialsHelp =
    "Show the serial counter (serials.db of the application folder); --first/--last set its "
    "range.";

// The verb's own parser over the arguments from the verb on; nullopt when the verb goes on.
std::optional<int> Parse(QCommandLineParser& parser, const QString& verb, const char* help,
                         const QList<QCommandLineOption>& options, const QStringList& arguments) {
  PrepareParser(parser, help, verb);
  for (const QCommandLineOption& option : options) parser.addOption(option);
  // The program's name, then the verb and its options.
  if (std::optional<int> exit = ParseOrExit(parser, arguments)) return exit;
  if (parser.positionalArguments().size() != 1) return UsageError(parser, verb + " takes no arguments");
  return std::nullopt;
}

std::unique_ptr<EventPump> Clock() { return MakeStationClock(ClockKind::kReal); }

int Results(const QStringList& arguments, const std::string& folder) {
  QCommandLineParser parser;
  const QCommandLineOption since("since", "Runs started at or after T (ISO 8601, e.g. 2026-01-05).", "T");
  const QCommandLineOption station("station", "Runs of station S only.", "S");
  const QCommandLineOption outcome("outcome", "Runs with outcome O only: PASS, FAIL, ERROR, ABORTED.", "O");
  const QCommandLineOption format("format", "csv (default) or json (with steps and measurements).", "F");
  const QCommandLineOption yield("yield", "First-pass yield per station instead of the runs.");
  if (std::optional<int> exit =
          Parse(parser, "results", kResultsHelp, {since, station, outcome, format, yield}, arguments)) {
    return *exit;
  }
  std::string error;
  const std::optional<ResultsArgs> args = MakeResultsArgs(
      parser.value(since).toStdString(), parser.value(station).toStdString(),
      parser.value(outcome).toStdString(), parser.value(format).toStdString(),
      parser.isSet(yield), error);
  if (!args) return UsageError(parser, QString::fromStdString(error));
  const auto clock = Clock();
  const auto log = OpenResultStore(folder, *clock);
  return RunResultsVerb(*log, *args, std::cout, std::cerr);
}

int Serials(const QStringList& arguments, const std::string& folder) {
  QCommandLineParser parser;
  const QCommandLineOption first("first", "Set the first number of the range.", "N");
  const QCommandLineOption last("last", "Set the last number of the range.", "M");
  const QCommandLineOption latest("latest", "Show the last K numbers (default 10).", "K");
  if (std::optional<int> exit = Parse(parser, "serials", kSerialsHelp, {first, last, latest}, arguments)) {
    return *exit;
  }
  std::string error;
  const std::optional<SerialsArgs> args =
      MakeSerialsArgs(parser.value(first).toStdString(), parser.value(last).toStdString(),
                      parser.value(latest).toStdString(), error);
  if (!args) return UsageError(parser, QString::fromStdString(error));
  const auto clock = Clock();
  const auto counter = OpenSerialStore(folder, *clock);
  return RunSerialsVerb(*counter, folder, *args, std::cout, std::cerr);
}

}  // namespace

std::optional<int> RunGangwrightVerb(int argc, char** argv) {
  if (argc < 2 || (std::strcmp(argv[1], "results") != 0 && std::strcmp(argv[1], "serials") != 0)) {
    return std::nullopt;
  }
  QCoreApplication app(argc, argv);
  SetProgramIdentity("gangwright", SoftwareVersion().c_str());
  const QStringList arguments = app.arguments();
  const std::string folder = ProgramFolder(argv[0]);
  return arguments.at(1) == "results" ? Results(arguments, folder) : Serials(arguments, folder);
}

}  // namespace tester
