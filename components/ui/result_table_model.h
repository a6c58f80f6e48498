#pragma once
// The logged runs as a table model: the columns of result_columns.h, one row per run in the
// order given (newest first), each row tinted by its outcome.
#include <QAbstractTableModel>
#include <vector>

#include "components/result_store.h"

namespace tester {

class ResultTableModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit ResultTableModel(QObject* parent = nullptr);

  void SetRuns(std::vector<LoggedRun> runs);
  const std::vector<LoggedRun>& Runs() const { return runs_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

private:
  std::vector<LoggedRun> runs_;
};

}  // namespace tester
