#pragma once
// `ardentis` started by hand: the engine's object, the station's state, the window's logic
// and the window, put together over the components the program (or a test) hands in.
#include <functional>
#include <memory>
#include <string>

#include "calibration/ui/frm_tester_cfg.h"
#include "common/gauge_control.h"
#include "common/linkpod_id.h"
#include "common/password_lock.h"
#include "common/serial_counter.h"
#include "common/station_state.h"
#include "common/tester_log.h"
#include "components/result_store.h"
#include "components/ui/tester_log_view.h"
#include "engine/single_site.h"
#include "engine/standalone_serial.h"
#include "engine/standalone_window.h"
#include "engine/ui/frm_main_s.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"

namespace tester {

struct StandaloneProgramParts {
  EventPump& pump;
  GaugeControl& control;
  LinkpodID& linkpod;
  clsPassword& password;
  // The result log: `results` shown in the window as TesterLog1, or (without a display)
  // `log`.
  ResultStore* results = nullptr;
  TesterLog* log = nullptr;
  SerialCounter& counter;
  OperatorDialogs& dialogs;
  std::string program_folder;
  std::string exe_name = "ardentis";
  // Settings objects; empty: the station-file store.
  std::function<std::unique_ptr<TesterConfig>()> make_config;
  // The global configuration editor of the configuration window's mode 1; empty:
  // GlobalConfigEditor.
  std::function<GlobalConfigPanel(QWidget* parent)> make_global_config;
  // The lock's unlock dialog.
  std::function<void()> unlock;
  // Opens the configuration window in a mode; empty: frmTesterCfg, modal over the window.
  std::function<void(int mode)> open_config;
};

class StandaloneProgram {
public:
  explicit StandaloneProgram(StandaloneProgramParts parts);
  ~StandaloneProgram();

  // Program start by hand: attach, show the window, start disabled, calibration board off.
  void Start();

  station::frmMainS& Window() { return *window_; }
  StandaloneWindow& Logic() { return *logic_; }
  SingleSite& Site() { return *site_; }
  StationState& State() { return *state_; }
  // TesterLog1, when the window shows the result log.
  TesterLogView* LogView() { return log_view_; }
  StandaloneSerial& Serial() { return *serial_; }
  // The program's own settings file: the station ini of the window and its dialogs.
  const std::string& OwnIni() const { return own_ini_; }
  // The configuration window as the program opens it (not shown).
  std::unique_ptr<frmTesterCfg> MakeConfigWindow();

private:
  void OpenConfig(int mode);

  StandaloneProgramParts parts_;
  std::string own_ini_;
  std::unique_ptr<StandaloneSerial> serial_;
  TesterLogView* log_view_ = nullptr;  // owned by the window
  std::unique_ptr<StandaloneWindow> logic_;
  std::unique_ptr<StationState> state_;
  std::unique_ptr<SingleSite> site_;
  std::unique_ptr<station::frmMainS> window_;
};

}  // namespace tester
