#pragma once
// frmMain: the operator's console, a view over the Controller. The controls of the
// fixed layout at their places (twips / 15 = pixels): "Configure VTI", the status list
// with a lamp beside each row, "&Start", the temperature-stop label and the result log
// filling the rest; to the right of the start button the stations at a glance (step,
// time, serial number, last verdict, the session's counts and yield).
//
// After a failed start-up the window stays up, disabled, with the reason and "Closing..."
// in the status list, until the controller's close timer closes it 300 ms later.
#include <QMainWindow>
#include <array>

#include "components/password_lock.h"
#include "controller/controller.h"
#include "controller/controller_view.h"
#include "controller/station_slot.h"

class QLabel;
class QListWidget;
class QPushButton;
class QTableView;

namespace tester {

class StationLamp;
class StationTableModel;

class frmMain final : public QMainWindow, public ControllerView {
  Q_OBJECT
public:
  // `tester_log` is the result log's display (TesterLog1), taken over by the window.
  frmMain(EventPump& pump, OperatorDialogs& dialogs, QWidget* tester_log);
  ~frmMain() override;

  // The controller this window shows; set before Load.
  void Attach(Controller& controller, const std::string& app_folder);
  // The operator lock the reference-value window follows (nullptr: none, always editable),
  // unlocked and locked again from the File menu. Not owned; while the reference-value
  // window is open it is the lock's listener.
  void SetLock(PasswordLock* lock);
  // The window's load: the controller's start-up.
  void Load();

  // ControllerView.
  void StateChanged() override;
  void StationStatus(int station, const std::string& status) override;
  void RowChanged(int station) override;
  void StationCompleted(int station, const CompletionReport& report,
                        const RunRecord& record) override;
  void Note(const std::string& text) override;
  void StartupFailed() override;
  void CloseRequested() override;

protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void BuildControls(QWidget* tester_log);
  void BuildMenus();
  void ShowStatusRows();
  void ShowAbout(bool gauge_control);
  void ConfigureVti();
  void LayoutLog();

  EventPump& pump_;
  OperatorDialogs& dialogs_;
  Controller* controller_ = nullptr;
  PasswordLock* lock_ = nullptr;
  QAction* mnuFileUnlock_ = nullptr;
  QAction* mnuFileLock_ = nullptr;
  std::string app_folder_;
  StationTableModel* model_ = nullptr;
  TimerId elapsed_timer_ = kNoTimer;
  bool closing_ = false;

  QPushButton* cmdVTI_ = nullptr;
  QListWidget* lstCurrStatus_ = nullptr;
  std::array<StationLamp*, kMaxStations> Shape1_{};
  QPushButton* cmdStart_ = nullptr;
  QLabel* lblTempBasedStop_ = nullptr;
  QWidget* TesterLog1_ = nullptr;
  QTableView* tblStations_ = nullptr;
};

}  // namespace tester
