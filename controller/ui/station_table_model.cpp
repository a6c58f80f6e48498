#include "controller/ui/station_table_model.h"

#include <QBrush>
#include <QColor>

namespace tester {

StationTableModel::StationTableModel(const Controller& controller, QObject* parent)
    : QAbstractTableModel(parent), controller_(controller) {}

int StationTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int StationTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QString StationTableModel::Text(int station, int column) const {
  const StationRow& row = controller_.Row(station);
  switch (column) {
    case kStation: return QString::fromStdString(controller_.Slot(station).sStationName);
    case kStep:
      if (!controller_.Slot(station).bDoTesting) return "(not testing)";
      return QString::fromStdString(row.step);
    case kElapsed: {
      const std::optional<int64_t> ms = row.ElapsedMs(controller_.Now());
      return ms ? QString::fromStdString(SecondsText(*ms)) : QString();
    }
    case kSerial: return QString::fromStdString(row.serial);
    case kVerdict:
      if (row.verdict.empty() || row.verdict == "PASS") return QString::fromStdString(row.verdict);
      return QString("%1 %2/%3").arg(QString::fromStdString(row.verdict)).arg(row.code).arg(row.ext_code);
    case kPassed: return QString::number(row.passed);
    case kFailed: return QString::number(row.failed);
    case kYield: return QString::fromStdString(YieldText(row));
    default: return {};
  }
}

QVariant StationTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_) return {};
  const StationRow& row = controller_.Row(index.row());
  if (role == Qt::DisplayRole) return Text(index.row(), index.column());
  if (role == Qt::ToolTipRole && index.column() == kVerdict && !row.message.empty()) {
    return QString::fromStdString(row.message);
  }
  if (role == Qt::BackgroundRole && index.column() == kVerdict && !row.verdict.empty()) {
    return QBrush(row.verdict == "PASS" ? QColor(198, 239, 206) : QColor(255, 199, 206));
  }
  if (role == Qt::TextAlignmentRole && index.column() >= kElapsed && index.column() != kVerdict) {
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  }
  return {};
}

QVariant StationTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  static const char* const kHeaders[kColumns] = {"Station", "Step",   "Time",   "Serial",
                                                 "Last",    "Passed", "Failed", "Yield"};
  return section >= 0 && section < kColumns ? QString(kHeaders[section]) : QVariant();
}

void StationTableModel::Reset() {
  beginResetModel();
  rows_ = controller_.StartupFailed() ? 0 : controller_.NumBoards();
  endResetModel();
}

void StationTableModel::StationChanged(int station) {
  if (station >= rows_) return;
  emit dataChanged(index(station, 0), index(station, kColumns - 1));
}

void StationTableModel::ElapsedChanged() {
  if (rows_ > 0) emit dataChanged(index(0, kElapsed), index(rows_ - 1, kElapsed));
}

}  // namespace tester
