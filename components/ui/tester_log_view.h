#pragma once
// TesterLog1: the result log's display, the control a program's window embeds. It is the
// window's TesterLog: InitStations and AddToLog go to the store it is given, and the view
// shows the store's runs newest first, each row tinted by its outcome (green PASS, red
// FAIL, amber ERROR, grey ABORTED), filtered by station and outcome with the two boxes
// above the table. A run logged through the view appears at once; a host that logs through
// the store directly calls Refresh(). Nothing polls: the view reads the store only then.
//
//   auto store = OpenResultStore(folder, pump);   // components/result_store.h
//   auto* log = new TesterLogView(*store, this);  // objectName "TesterLog1"
//   layout->addWidget(log);
//   log->InitStations(names, count);              // then AddToLog after every run
//
// The store must outlive the view.
#include <QWidget>

#include "common/tester_log.h"
#include "components/result_store.h"

class QComboBox;
class QLabel;
class QTableView;

namespace tester {

class ResultTableModel;

class TesterLogView : public QWidget, public TesterLog {
  Q_OBJECT
public:
  explicit TesterLogView(ResultStore& store, QWidget* parent = nullptr);

  void InitStations(std::span<const std::string> names, int16_t count) override;
  // The store's answer; the view shows the run when the store kept it.
  std::string AddToLog(const std::string& sStationName, const std::string& sSerial,
                       Status nErrCode, Status nExtErrCode, const std::string& sLogFile,
                       const std::string& sCustomLogStr, const RunRecord* record) override;

  // Reads the store again with the filters chosen (the newest kShownRuns runs).
  void Refresh();

  static constexpr int kShownRuns = 1000;

  const ResultTableModel& Model() const { return *model_; }
  QComboBox& StationFilter() { return *station_; }
  QComboBox& OutcomeFilter() { return *outcome_; }

private:
  void FillStations();

  ResultStore& store_;
  QComboBox* station_;
  QComboBox* outcome_;
  QLabel* count_;
  QTableView* table_;
  ResultTableModel* model_;
};

}  // namespace tester
