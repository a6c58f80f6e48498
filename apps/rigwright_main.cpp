// rigwright: the station setup wizard: its window, and the console verbs scan and write.
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "apps/command_line.h"
#include "components/adapter_identity.h"
#include "components/password_lock.h"
#include "components/tester_config_store.h"
#include "components/ui/password_dialog.h"
#include "engine/cli/exit_codes.h"
#include "platform/bus/station_runtime.h"
#include "platform/paths.h"
#include "platform/qt/qt_dialogs.h"
#include "setup/cli/setup_cli.h"
#include "setup/setup_texts.h"
#include "setup/setup_wizard.h"
#include "setup/ui/frm_setup.h"

namespace {

constexpr const char* kDescription = R"(Station setup wizard of the battery-pack tester:
finds the attached adapters, gives each a unique identifier and a station name,
identifies boards by their lights, records which temperature probe tracks which
station and writes JigSetup.ini, global.ini and the station files.

  rigwright              the wizard's window
  rigwright scan         the search on the console: one line per adapter (index,
                         identifier, calibration board, sensors, advanced mark,
                         the station name JigSetup.ini gives it); identifiers are
                         not changed
  rigwright write [--assign-unnamed] [--no-test NAME]...
                  [--probe NAME=I<station>|E<station>]... NAME...
                         names the adapters in their order and writes the files
                         the window writes, with the same checks; global.ini is
                         used as it stands (rigwright write --help)

environment:
  TESTER_HOME   application folder (JigSetup.ini, global.ini, the station files);
                default: the program's folder
  TESTER_BUS    sim (default), sim:<jig file>, i2c-dev
  TESTER_TRACE  write every adapter operation to this file ({pid} = process id)
  TESTER_CLOCK  virtual: waits take no real time

exit status of the verbs: 0 done, 1 an adapter could not be read or a file
could not be written, 2 could not start or refused (nothing written))";

std::string Version() {
  return std::to_string(tester::kSetupVersionMajor) + "." +
         std::to_string(tester::kSetupVersionMinor) + "." +
         std::to_string(tester::kSetupVersionRevision);
}

std::optional<tester::StationRuntime> OpenRuntime() {
  std::string error;
  std::optional<tester::StationRuntime> runtime =
      tester::MakeStationRuntime(tester::BusConfigFromEnvironment(), error);
  if (!runtime) std::cerr << "rigwright: " << error << "\n";
  return runtime;
}

int RunWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  tester::SetProgramIdentity("rigwright", Version().c_str());
  std::optional<tester::StationRuntime> runtime = OpenRuntime();
  if (!runtime) return tester::kExitCannotStart;
  const std::string folder = tester::ProgramFolder(argv[0]);
  tester::QtDialogs dialogs(tester::kSetupTitle);
  tester::AdapterIdentity identity;
  tester::SetupWizard wizard({*runtime->control, identity, dialogs, *runtime->pump, folder,
                              [] { return std::make_unique<tester::TesterConfigStore>(); }});
  tester::frmSetup window(wizard);
  dialogs.SetParent(&window);
  tester::PasswordDialog prompt(&window);
  tester::PasswordLock lock(folder, dialogs, prompt);
  window.SetLock(&lock);
  window.show();
  window.Load();
  return app.exec();
}

int RunScan(const QStringList& arguments, const char* argv0) {
  QCommandLineParser parser;
  tester::PrepareParser(parser, "Search for the attached adapters and print one line each.",
                        "scan");
  if (std::optional<int> exit = tester::ParseOrExit(parser, arguments)) return *exit;
  if (parser.positionalArguments().size() != 1) {
    return tester::UsageError(parser, "scan takes no arguments");
  }
  std::optional<tester::StationRuntime> runtime = OpenRuntime();
  if (!runtime) return tester::kExitCannotStart;
  return tester::RunScanVerb(*runtime->control, *runtime->pump, tester::ProgramFolder(argv0),
                             std::cout, std::cerr);
}

int RunWrite(const QStringList& arguments, const char* argv0) {
  QCommandLineParser parser;
  tester::PrepareParser(parser,
                        "Name the adapters in their order (one NAME each) and write "
                        "JigSetup.ini, global.ini and the station files.",
                        "write");
  const QCommandLineOption assign("assign-unnamed",
                                  "Give adapters with a factory or repeated identifier a new "
                                  "one (the window's Yes).");
  const QCommandLineOption no_test("no-test", "Station NAME does not test packs.", "NAME");
  const QCommandLineOption probe("probe",
                                 "Station NAME tracks the on-board sensor (I) or the external "
                                 "probe (E) of another station.",
                                 "NAME=I<station>|E<station>");
  parser.addOptions({assign, no_test, probe});
  parser.addPositionalArgument("NAME", "Station names, one per adapter in their order.",
                               "NAME...");
  if (std::optional<int> exit = tester::ParseOrExit(parser, arguments)) return *exit;
  tester::WriteVerbArgs args;
  args.assign_unnamed = parser.isSet(assign);
  for (const QString& name : parser.values(no_test)) args.no_test.push_back(name.toStdString());
  for (const QString& value : parser.values(probe)) {
    std::pair<std::string, std::string> parsed;
    if (!tester::ParseProbeArgument(value.toStdString(), parsed)) {
      return tester::UsageError(parser, "--probe takes NAME=I<station> or NAME=E<station>, not \"" +
                                            value + "\"");
    }
    args.probes.push_back(parsed);
  }
  const QStringList names = parser.positionalArguments().mid(1);
  if (names.isEmpty()) return tester::UsageError(parser, "write needs the station names");
  for (const QString& name : names) args.names.push_back(name.toStdString());
  std::optional<tester::StationRuntime> runtime = OpenRuntime();
  if (!runtime) return tester::kExitCannotStart;
  return tester::RunWriteVerb(*runtime->control, *runtime->pump, tester::ProgramFolder(argv0),
                              args, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) return RunWindow(argc, argv);
  QCoreApplication app(argc, argv);
  tester::SetProgramIdentity("rigwright", Version().c_str());
  QCommandLineParser parser;
  tester::PrepareParser(parser, kDescription);
  parser.addPositionalArgument("verb", "scan or write.", "[scan | write [options] NAME...]");
  if (std::optional<int> exit = tester::ParseOrExit(parser, app.arguments())) return *exit;
  const QStringList words = parser.positionalArguments();
  if (words.isEmpty()) return tester::UsageError(parser, "a verb is needed, or none at all");
  const QStringList verb_arguments = QStringList{app.arguments().first()} + words;
  if (words.first() == "scan") return RunScan(verb_arguments, argv[0]);
  if (words.first() == "write") return RunWrite(verb_arguments, argv[0]);
  return tester::UsageError(parser, "unknown verb \"" + words.first() + "\"");
}
