#include "components/ui/result_table_model.h"

#include <QBrush>
#include <QColor>

#include "components/result_columns.h"

namespace tester {

ResultTableModel::ResultTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void ResultTableModel::SetRuns(std::vector<LoggedRun> runs) {
  beginResetModel();
  runs_ = std::move(runs);
  endResetModel();
}

int ResultTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(runs_.size());
}

int ResultTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(ResultColumnNames().size());
}

QVariant ResultTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const LoggedRun& run = runs_[static_cast<size_t>(index.row())];
  if (role == Qt::DisplayRole) {
    QString cell = QString::fromStdString(ResultCells(run).at(static_cast<size_t>(index.column())));
    // The start as an operator reads it: date and time to the second (the offset and the
    // milliseconds stay in the tooltip and the export).
    if (index.column() == 0 && cell.size() >= 19) cell = cell.left(19).replace('T', ' ');
    return cell;
  }
  if (role == Qt::ToolTipRole && index.column() == 0) return QString::fromStdString(run.started_at);
  if (role == Qt::BackgroundRole) return QBrush(QColor(QRgb(OutcomeTint(run.outcome))));
  if (role == Qt::ForegroundRole) return QBrush(Qt::black);
  return {};
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  return QString::fromStdString(ResultColumnNames().at(static_cast<size_t>(section)));
}

}  // namespace tester
