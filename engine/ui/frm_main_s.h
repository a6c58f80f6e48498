#pragma once
// frmMainS: the engine's window when it is started by hand, a view over StandaloneWindow
// (engine/standalone_window.h). It shows the logic's controls after every change and hands
// the clicks to it. Class, members and objectNames keep the window's names; control arrays
// are named with their index, "shpStatus(2)". The image reader's window has the same name,
// so this one lives in tester::station.
#include <QMainWindow>
#include <array>
#include <functional>

#include "common/gauge_control.h"
#include "engine/standalone_window.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;

namespace tester::station {

class frmMainS final : public QMainWindow {
  Q_OBJECT

public:
  // `control`: the station's gauge control (Kestrel1), for its about box; `log_view`: the
  // result log's display (TesterLog1), shown below the buttons when given (the window
  // takes it over).
  frmMainS(StandaloneWindow& logic, GaugeControl& control, QWidget* log_view = nullptr,
           QWidget* parent = nullptr);
  ~frmMainS() override;

  // The window's own state, for the window's tests.
  StandaloneWindow& Logic() { return logic_; }

  QCheckBox* chkUseCalBrd = nullptr;
  QPushButton* cmdQuickLock = nullptr;
  QPushButton* cmdConfigVTI = nullptr;
  QPushButton* cmdConfigGlobal = nullptr;
  QPushButton* cmdStart = nullptr;
  QLabel* lblStatus = nullptr;
  std::array<QLabel*, kLampCount> Label1{};
  std::array<QFrame*, kLampCount> shpStatus{};
  QGroupBox* Frame1 = nullptr;
  QGroupBox* Frame2 = nullptr;
  QMenu* mnuFile = nullptr;
  QAction* mnuFileReadDFImage = nullptr;
  QAction* mnuFileUnlock = nullptr;
  QAction* mnuFileClose = nullptr;
  QMenu* mnuHelp = nullptr;
  QAction* mnuAboutTester = nullptr;
  QAction* mnuAboutKestrelocx = nullptr;

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void BuildMenus();
  void BuildStatusFrame(QWidget* body);
  void Show();  // the logic's controls onto the widgets

  StandaloneWindow& logic_;
  GaugeControl& control_;
  bool unloaded_ = false;
};

}  // namespace tester::station
