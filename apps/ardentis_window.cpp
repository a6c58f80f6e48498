#include "apps/ardentis_window.h"

#include <QApplication>
#include <QMessageBox>
#include <optional>

#include "apps/command_line.h"
#include "components/adapter_identity.h"
#include "components/password_lock.h"
#include "components/result_store.h"
#include "components/serial_store.h"
#include "components/ui/password_dialog.h"
#include "engine/cli/exit_codes.h"
#include "engine/ui/standalone_program.h"
#include "engine/version.h"
#include "platform/bus/station_runtime.h"
#include "platform/qt/qt_dialogs.h"

namespace tester {

int RunStationWindow(int& argc, char** argv, const std::string& program_folder) {
  QApplication app(argc, argv);
  SetProgramIdentity("ardentis", SoftwareVersion().c_str());
  std::string error;
  std::optional<StationRuntime> runtime = MakeStationRuntime(BusConfigFromEnvironment(), error);
  if (!runtime) {
    QMessageBox::critical(nullptr, kProgramTitle, QString::fromStdString(error));
    return kExitCannotStart;
  }
  QtDialogs dialogs(kProgramTitle);
  PasswordDialog prompt;
  PasswordLock lock(program_folder, dialogs, prompt);
  AdapterIdentity linkpod;
  const std::unique_ptr<SerialStore> serials = OpenSerialStore(program_folder, *runtime->pump);
  const std::unique_ptr<ResultStore> results = OpenResultStore(program_folder, *runtime->pump);
  StandaloneProgram program(StandaloneProgramParts{
      *runtime->pump, *runtime->control, linkpod, lock, results.get(), nullptr, *serials,
      dialogs, program_folder, "ardentis", {}, {}, [&lock] { lock.Unlock(); }, {}});
  dialogs.SetParent(&program.Window());
  program.Start();
  return app.exec();
}

}  // namespace tester
