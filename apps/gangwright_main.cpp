// gangwright: the multi-station controller: the operator's window, or --headless.
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "apps/command_line.h"
#include "apps/gangwright_verbs.h"
#include "components/password_lock.h"
#include "components/recal_reminder.h"
#include "components/ui/password_dialog.h"
#include "components/result_store.h"
#include "components/serial_store.h"
#include "components/ui/tester_log_view.h"
#include "controller/cli/headless.h"
#include "controller/controller.h"
#include "controller/controller_settings.h"
#include "controller/controller_texts.h"
#include "controller/ui/frm_main.h"
#include "controller/ui/frm_splash.h"
#include "engine/version.h"
#include "platform/automation/client_engine_factory.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_event_pump.h"

namespace {

constexpr const char* kDescription = R"(Multi-station controller of the battery-pack tester.

  gangwright             the operator's window: starts one engine (ardentis
                         --automation) per station of JigSetup.ini, starts runs on
                         all stations, hands out serial numbers, watches the board
                         temperatures and keeps the result log
  gangwright results [--since T] [--station S] [--outcome O] [--format csv|json]
                     [--yield]   export the result log (results.db), newest first
  gangwright serials [--first N] [--last M] [--latest K]
                         the serial counter (serials.db): range, next, fates
  gangwright --headless [--runs N] [--vti-from-files | --vti FILE]
                         the same controller without a display: a line per status
                         change and per completion, then the results table and the
                         yield per station; when calibration is on the reference
                         values (VTI) come from FILE (docs/vti-file.md) or, with
                         --vti-from-files, from each station file; exit 0 when
                         every run ran, 1 a start was refused, 2 could not start

environment:
  TESTER_HOME   application folder (JigSetup.ini, Config.ini, global.ini, the
                station files, gangwright.ini); default: the program's folder
  TESTER_BUS, TESTER_CLOCK, TESTER_TRACE  handed on to the engines (ardentis --help);
                the controller itself always runs on the real clock)";

// The components the controller works with, in the application folder: the serial
// counter (serials.db), the result log (results.db) and the recalibration reminder.
struct Components {
  Components(const std::string& folder, tester::EventPump& pump)
      : serials(tester::OpenSerialStore(folder, pump)),
        results(tester::OpenResultStore(folder, pump)),
        reminder(folder, pump) {}
  std::unique_ptr<tester::SerialStore> serials;
  std::unique_ptr<tester::ResultStore> results;
  tester::RecalReminder reminder;
};

// A fresh serial counter starts at the largest NextSerialNumber of the station files; a
// counter with a history keeps its own.
void SeedSerials(tester::SerialStore& serials, const tester::Controller& controller,
                 const std::string& folder) {
  int32_t first = 1;
  for (int i = 0; i < controller.NumBoards(); ++i) {
    const std::string file = tester::NativePath(
        tester::JoinProgramPath(folder, controller.Slot(i).sStationName));
    first = std::max(first, tester::profile::ReadInt(file, "Serial", "NextSerialNumber", 1));
  }
  const std::string error = serials.SeedIfFresh(first);
  if (!error.empty()) std::cerr << "gangwright: serial counter: " << error << "\n";
}

int RunHeadlessVerb(const QCommandLineParser& parser, const QCommandLineOption& runs,
                    const QCommandLineOption& vti, const QCommandLineOption& vti_file,
                    const std::string& folder) {
  std::vector<std::string> words;
  if (parser.isSet(runs)) words = {"--runs", parser.value(runs).toStdString()};
  if (parser.isSet(vti)) words.push_back("--vti-from-files");
  if (parser.isSet(vti_file)) {
    words.insert(words.end(), {"--vti", parser.value(vti_file).toStdString()});
  }
  std::string error;
  const std::optional<tester::HeadlessArgs> args = tester::ParseHeadlessArgs(words, error);
  if (!args) return tester::UsageError(parser, QString::fromStdString(error));
  tester::QtEventPump pump;
  tester::ClientEngineFactory engines{tester::EngineStart{}};
  Components components(folder, pump);
  tester::HeadlessWorld world{pump,
                              engines,
                              *components.serials,
                              *components.results,
                              components.reminder,
                              folder,
                              tester::LoadControllerSettings(folder),
                              qgetenv("TESTER_CLOCK") == "virtual",
                              [&](const tester::Controller& controller) {
                                SeedSerials(*components.serials, controller, folder);
                              }};
  return tester::RunHeadless(world, *args, std::cout, std::cerr);
}

// The operator's window. Exit status 2 when start-up failed.
int RunWindow(const std::string& folder) {
  tester::QtEventPump pump;
  tester::QtDialogs dialogs(tester::kControllerTitle);
  tester::ClientEngineFactory engines{tester::EngineStart{}};
  Components components(folder, pump);
  // TesterLog1: the result log's display, logging into the store.
  auto* log_view = new tester::TesterLogView(*components.results);
  tester::frmMain window(pump, dialogs, log_view);
  dialogs.SetParent(&window);
  tester::PasswordDialog prompt(&window);
  tester::PasswordLock lock(folder, dialogs, prompt);
  window.SetLock(&lock);
  tester::ControllerParts parts{pump,
                                dialogs,
                                engines,
                                *components.serials,
                                *log_view,
                                components.reminder,
                                folder,
                                tester::LoadControllerSettings(folder)};
  tester::Controller controller(parts, &window);
  window.Attach(controller, folder);
  tester::ShowMainWithSplash(window, pump);
  if (!controller.StartupFailed()) SeedSerials(*components.serials, controller, folder);
  QApplication::exec();
  return controller.StartupFailed() ? 2 : 0;
}

// The window needs a display; help, version and the console verbs do not.
bool NeedsDisplay(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word.empty() || word[0] != '-') return false;  // a verb
    if (word == "--headless" || word == "-h" || word == "--help" || word == "-v" ||
        word == "--version") {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // The engineers' verbs: gangwright results, gangwright serials.
  if (std::optional<int> exit = tester::RunGangwrightVerb(argc, argv)) return *exit;
  std::unique_ptr<QCoreApplication> application;
  if (NeedsDisplay(argc, argv)) {
    application = std::make_unique<QApplication>(argc, argv);
  } else {
    application = std::make_unique<QCoreApplication>(argc, argv);
  }
  QCoreApplication& app = *application;
  tester::SetProgramIdentity("gangwright", tester::SoftwareVersion().c_str());
  QCommandLineParser parser;
  tester::PrepareParser(parser, kDescription);
  const QCommandLineOption headless("headless", "Run the controller without a display.");
  const QCommandLineOption runs("runs", "Starts of all stations (headless; default 1).", "N");
  const QCommandLineOption vti("vti-from-files",
                               "Send the station files' reference values (headless).");
  const QCommandLineOption vti_file("vti", "Send the reference values of FILE (headless).",
                                    "FILE");
  parser.addOptions({headless, runs, vti, vti_file});
  if (std::optional<int> exit = tester::ParseOrExit(parser, app.arguments())) return *exit;
  const std::string folder = tester::ProgramFolder(argv[0]);
  const QStringList words = parser.positionalArguments();
  if (!words.isEmpty()) {
    return tester::UsageError(parser, "unknown verb \"" + words.first() + "\"");
  }
  if (parser.isSet(headless)) return RunHeadlessVerb(parser, runs, vti, vti_file, folder);
  if (parser.isSet(runs) || parser.isSet(vti) || parser.isSet(vti_file)) {
    return tester::UsageError(parser, "--runs, --vti and --vti-from-files go with --headless");
  }
  return RunWindow(folder);
}
