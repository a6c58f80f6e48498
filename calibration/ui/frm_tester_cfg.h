#pragma once
// frmTesterCfg, "Ardentis Configuration Window": the station's reference values (mode 0)
// or the global configuration editor (mode 1), over TesterCfgForm
// (calibration/tester_cfg_form.h). Class, members and objectNames keep the window's names;
// control arrays are named with their index, "txtVoltage(2)".
#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "calibration/tester_cfg_form.h"
#include "common/global_config.h"
#include "platform/dialogs.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;

namespace tester {

// The global configuration editor hosted in mode 1: one widget that is the editor.
struct GlobalConfigPanel {
  QWidget* widget = nullptr;
  GlobalConfig* editor = nullptr;
};

struct TesterCfgParts {
  OperatorDialogs& dialogs;
  // A settings object; the window points it at `ini_path`.
  std::function<std::unique_ptr<TesterConfig>()> make_config;
  std::string ini_path;  // the station ini file (the program's own settings file)
  int16_t show_vbat_input = 0;  // the station settings' ShowVBATInput
  // Makes the editor as a child of the given window (mode 1 only).
  std::function<GlobalConfigPanel(QWidget* parent)> make_global_config;
};

class frmTesterCfg final : public QDialog {
  Q_OBJECT

public:
  explicit frmTesterCfg(TesterCfgParts parts, QWidget* parent = nullptr);
  ~frmTesterCfg() override;

  // Configure(showMode, parent): Prepare, then shown modally over the parent.
  int Configure(int16_t showMode);
  // The window laid out and filled for the mode, not shown (tests show it themselves).
  void Prepare(int16_t showMode);
  // true: the boxes show the references; false: the boxes read into the settings object
  // ("Invalid data input" and false when one does not read).
  bool UpdateCalibrationGUI(bool toGui);
  void InitMode(bool /*allowVTI*/) {}
  const TesterCfgForm& Form() const { return form_; }

  QMenuBar* menuBar = nullptr;
  QMenu* mnufile = nullptr;
  QAction* mnuFileClose = nullptr;
  QMenu* mnuHelp = nullptr;
  QGroupBox* FrameVTI = nullptr;
  std::array<QLabel*, 3> Label2{};  // "Voltage", "Pack Current", "Temperature"
  std::array<QLabel*, 4> Label1{};
  std::array<QLineEdit*, 4> txtVoltage{};
  std::array<QLabel*, 4> lblVoltUnits{};
  QLineEdit* txtCurrent = nullptr;
  QLineEdit* txtTemperature = nullptr;
  std::array<QLabel*, 2> lblCalibration{};  // "mA", "°C"
  std::array<QLabel*, 3> lblHelp{};         // 1 and 2 are used
  QGroupBox* FrameButtons = nullptr;
  QPushButton* cmdOK = nullptr;
  QPushButton* cmdCancel = nullptr;
  QWidget* GlobalConfig1 = nullptr;

protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override;  // Escape closes as the close box does

private:
  void BuildVtiFrame();
  void BuildButtons();
  void ApplyLayout(const VtiLayout& layout);
  void CollectTexts();
  void FitHeight(int buttons_top_px);
  void cmdOK_Click();

  TesterCfgParts parts_;
  TesterCfgForm form_;
  GlobalConfig* editor_ = nullptr;
  bool checking_ = false;  // a numeric check's message is open
  bool closing_ = false;   // Save or an answered question closes without asking again
};

}  // namespace tester
