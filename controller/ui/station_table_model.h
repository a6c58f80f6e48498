#pragma once
// The stations at a glance: one row per station with its current step, the time its run
// has taken, its serial number, its last verdict (kept until the next start) and the
// session's passes, failures and yield. A view of the controller's rows.
#include <QAbstractTableModel>

#include "controller/controller.h"

namespace tester {

class StationTableModel final : public QAbstractTableModel {
  Q_OBJECT
public:
  enum Column { kStation, kStep, kElapsed, kSerial, kVerdict, kPassed, kFailed, kYield, kColumns };

  StationTableModel(const Controller& controller, QObject* parent);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The controller's rows changed: the number of stations (after start-up), one station,
  // or the running times.
  void Reset();
  void StationChanged(int station);
  void ElapsedChanged();

private:
  QString Text(int station, int column) const;
  const Controller& controller_;
  int rows_ = 0;
};

}  // namespace tester
