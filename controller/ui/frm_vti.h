#pragma once
// The reference-value window "Update VTI": a thin view over VtiGrid. Controls keep their
// names as objectName, control arrays with their index: "txtV(0)", "lblVolt(2)",
// "lblStationID(1)". Positions in twips (15 to a pixel) from vti_layout.h and
// vti_geometry.h.
//
// Use: frmVTI w(parts, parent); w.Open(); w.exec(); — made afresh for every opening, so it
// always shows the station files as they are. With a lock in the parts, the grid starts
// as the lock stands; the lock's listener (the main window) forwards its LockState calls
// to the open window, whose LockState the lock's single listener slot cannot reach.
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <memory>

#include "common/password_lock.h"
#include "controller/vti_grid.h"

namespace tester {

class frmVTI final : public QDialog, public VtiView, public LockStateListener {
  Q_OBJECT

public:
  explicit frmVTI(const VtiGridParts& parts, QWidget* parent = nullptr);
  ~frmVTI() override;

  // Reads the sensors and fills the grid from the station files (the main window's part
  // of the opening).
  void Open();
  VtiGrid& Grid() { return *grid_; }

  // VtiView
  void Changed() override;
  void Busy(bool busy) override;
  void ReadTempDone() override;
  // LockStateListener
  void LockState(bool bCurrentlyLocked) override;

public slots:
  void reject() override;

protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void Build();
  void BuildGrid();
  void BuildRightBlock();
  void Refresh();
  void RefreshHeaders();
  void RefreshRows();
  void RefreshRightBlock();
  QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text);

  std::unique_ptr<VtiGrid> grid_;

  QFrame* FrameVTI = nullptr;
  QLabel* lblStationTitle = nullptr;
  QLabel* lblVoltTitle = nullptr;
  std::array<QLabel*, 4> lblVolt{};
  QLabel* lblCurrentTitle = nullptr;
  QLabel* lblTempTitle = nullptr;
  QLabel* lblTemp = nullptr;
  std::array<QLabel*, kVtiRows> lblStation{};
  std::array<std::array<QLineEdit*, kVtiBoxes>, kVtiRows> boxes_{};
  std::array<QLabel*, 5> lblVHelp{};
  QLabel* lblNote = nullptr;
  QLabel* clsPassword1 = nullptr;
  std::array<QLabel*, 2> lblStationID{};
  QLabel* lblStationAlert = nullptr;
  QPushButton* cmdApply = nullptr;
  QPushButton* cmdUpdClose = nullptr;
  QPushButton* cmdReadTemp = nullptr;
  bool busy_cursor_ = false;
};

}  // namespace tester
