// flashwright: the data-flash image reader: its window, and the console verb read.
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "apps/command_line.h"
#include "dfreader/cli/read_cli.h"
#include "dfreader/image_reader.h"
#include "dfreader/ui/frm_main_s.h"
#include "engine/cli/exit_codes.h"
#include "engine/ui/frm_target_list.h"
#include "engine/version.h"
#include "platform/bus/station_runtime.h"
#include "platform/paths.h"
#include "platform/qt/qt_dialogs.h"

namespace {

constexpr const char* kDescription = R"(Data-flash image reader of the battery-pack tester:
reads the data flash of a reference gauge through its ROM loader and stores it
as the golden image file the stations program into every gauge, with its digest
file <image>.sha256 beside it.

  flashwright            the window (exactly one adapter attached)
  flashwright read --out FILE [--target T] [--yes]
                         the same read on the console: messages and status lines
                         on stderr, the image's path on stdout; T is the target
                         to start from (default: the window's last target);
                         --yes answers the overwrite question

environment:
  TESTER_HOME   application folder holding Config.ini and Targets
  TESTER_BUS    sim (default), sim:<jig file>, replay:<trace file>
  TESTER_TRACE  write every gauge operation to this file ({pid} = process id)
  TESTER_CLOCK  virtual: waits take no real time

exit status of read: 0 the image and its digest were written and checked,
1 the read failed, 2 could not start (arguments, no adapter or more than one))";

std::string CurrentFolder() {
  std::error_code ec;
  const std::filesystem::path here = std::filesystem::current_path(ec);
  return ec ? std::string(".") : here.string();
}

std::optional<tester::StationRuntime> OpenRuntime() {
  std::string error;
  std::optional<tester::StationRuntime> runtime =
      tester::MakeStationRuntime(tester::BusConfigFromEnvironment(), error);
  if (!runtime) std::cerr << "flashwright: " << error << "\n";
  return runtime;
}

int RunWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  tester::SetProgramIdentity("flashwright", tester::SoftwareVersion().c_str());
  std::optional<tester::StationRuntime> runtime = OpenRuntime();
  if (!runtime) return tester::kExitCannotStart;
  const std::string folder = tester::ProgramFolder(argv[0]);
  tester::QtDialogs dialogs(tester::kReaderTitle);
  tester::TargetListChooser chooser(folder);
  tester::ImageReader reader(
      {*runtime->pump, *runtime->control, dialogs, chooser, folder, CurrentFolder()});
  tester::frmMainS window(reader);
  dialogs.SetParent(&window);
  chooser.SetParent(&window);
  window.show();
  reader.Load();
  return app.exec();
}

int RunRead(const QStringList& arguments, const char* argv0) {
  QCommandLineParser parser;
  tester::PrepareParser(parser, "Read the reference gauge's data flash into FILE.", "read");
  const QCommandLineOption out("out", "Image file to write.", "FILE");
  const QCommandLineOption target("target", "Target to start from.", "T");
  const QCommandLineOption yes("yes", "Answer Yes to the overwrite question.");
  parser.addOptions({out, target, yes});
  if (std::optional<int> exit = tester::ParseOrExit(parser, arguments)) return *exit;
  if (parser.positionalArguments().size() != 1) {
    return tester::UsageError(parser, "read takes no arguments");
  }
  if (parser.value(out).trimmed().isEmpty()) return tester::UsageError(parser, "--out is needed");
  std::optional<tester::StationRuntime> runtime = OpenRuntime();
  if (!runtime) return tester::kExitCannotStart;
  tester::ReadVerbArgs args{parser.value(out).toStdString(), parser.value(target).toStdString(),
                            parser.isSet(yes)};
  return tester::RunReadVerb(*runtime->pump, *runtime->control, tester::ProgramFolder(argv0),
                             CurrentFolder(), args, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) return RunWindow(argc, argv);
  QCoreApplication app(argc, argv);
  tester::SetProgramIdentity("flashwright", tester::SoftwareVersion().c_str());
  QCommandLineParser parser;
  tester::PrepareParser(parser, kDescription);
  parser.addPositionalArgument("verb", "read.", "[read [options]]");
  if (std::optional<int> exit = tester::ParseOrExit(parser, app.arguments())) return *exit;
  const QStringList words = parser.positionalArguments();
  if (words.isEmpty()) return tester::UsageError(parser, "a verb is needed, or none at all");
  if (words.first() != "read") {
    return tester::UsageError(parser, "unknown verb \"" + words.first() + "\"");
  }
  return RunRead(QStringList{app.arguments().first()} + words, argv[0]);
}
