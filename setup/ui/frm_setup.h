#pragma once
// frmSetup: the station setup wizard's window, a view over SetupWizard. Four frames, one
// page at a time: the board rows ("Boards found for setup", Frame2) with the search, save
// and lock controls below them (Frame1); the probe page ("Temperature Probe selection",
// Frame4); the global configuration editor ("Global configuration", Frame3). A double click
// on the window shows the about box.
#include <QWidget>
#include <array>

#include "setup/board_row.h"
#include "setup/setup_wizard.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tester {

class GlobalConfigEditor;
class PasswordLock;

class frmSetup final : public QWidget, public SetupView {
  Q_OBJECT
public:
  explicit frmSetup(SetupWizard& wizard, QWidget* parent = nullptr);
  ~frmSetup() override;

  // The operator lock (clsPassword1); not owned. Its changes reach the wizard.
  void SetLock(PasswordLock* lock);
  // The window's load: the lock's state applies at once.
  void Load();
  // Sizes the last page around the global configuration editor.
  void ResizeForGlobalConf();
  GlobalConfigEditor* GlobalConfig1() const { return GlobalConfig1_; }

  void SetupChanged() override;

protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  struct BoardWidgets {
    QLabel* lblBrdName = nullptr;
    QLineEdit* txtCustomName = nullptr;
    QCheckBox* chkCalPresent = nullptr;
    QCheckBox* chkITS = nullptr;
    QCheckBox* chkETS = nullptr;
    QCheckBox* chkTest = nullptr;
    QCheckBox* chkFlash = nullptr;
    QLabel* lblAdvanced = nullptr;
  };
  struct ProbeWidgets {
    QLabel* lblName = nullptr;
    QComboBox* ComboProbe = nullptr;
  };

  void BuildBoardFrame();
  void BuildButtonFrame();
  void BuildProbeFrame();
  void BuildGlobalFrame();
  void ShowBoards();
  void ShowProbes();
  void ShowPage(SetupPage page);

  SetupWizard& wizard_;
  PasswordLock* lock_ = nullptr;
  SetupPage shown_page_ = SetupPage::kClosed;

  QGroupBox* Frame2_ = nullptr;
  QWidget* Frame1_ = nullptr;
  QGroupBox* Frame4_ = nullptr;
  QGroupBox* Frame3_ = nullptr;
  std::array<BoardWidgets, kSetupRows> rows_{};
  QLabel* lblAdvancedLegend_ = nullptr;  // lblAdvanced(12)
  QLabel* lblAdvancedNote_ = nullptr;
  QPushButton* cmdSearch_ = nullptr;
  QPushButton* cmdNext_ = nullptr;
  QWidget* clsPassword1_ = nullptr;
  QLabel* lblLock_ = nullptr;
  QPushButton* cmdUnlock_ = nullptr;
  QPushButton* cmdLock_ = nullptr;
  std::array<ProbeWidgets, kSetupRows> probes_{};
  QPushButton* cmdTProbeNext_ = nullptr;
  GlobalConfigEditor* GlobalConfig1_ = nullptr;
  QPushButton* cmdFinish_ = nullptr;
};

}  // namespace tester
