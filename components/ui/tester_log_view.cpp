#include "components/ui/tester_log_view.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

#include "components/ui/result_table_model.h"

namespace tester {
namespace {

constexpr const char* kAllStations = "All stations";
constexpr const char* kAllOutcomes = "All outcomes";

}  // namespace

TesterLogView::TesterLogView(ResultStore& store, QWidget* parent)
    : QWidget(parent), store_(store), station_(new QComboBox(this)),
      outcome_(new QComboBox(this)), count_(new QLabel(this)), table_(new QTableView(this)),
      model_(new ResultTableModel(this)) {
  setObjectName("TesterLog1");
  station_->setObjectName("cboStation");
  outcome_->setObjectName("cboOutcome");
  outcome_->addItem(kAllOutcomes);
  for (RunOutcome o : {RunOutcome::kPass, RunOutcome::kFail, RunOutcome::kError,
                       RunOutcome::kAborted}) {
    outcome_->addItem(QString::fromUtf8(OutcomeText(o).data()));
  }
  table_->setModel(model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->setVisible(false);
  table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  table_->horizontalHeader()->setStretchLastSection(true);

  auto* filters = new QHBoxLayout;
  filters->setContentsMargins(4, 4, 6, 0);
  filters->addWidget(new QLabel("Station:", this));
  filters->addWidget(station_);
  filters->addSpacing(12);
  filters->addWidget(new QLabel("Outcome:", this));
  filters->addWidget(outcome_);
  filters->addStretch();
  // Wide enough for any count from the start: the label never grows past the window's edge
  // before the layout catches up with a longer text.
  count_->setMinimumWidth(fontMetrics().horizontalAdvance("9999999 run(s) shown") + 4);
  count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  filters->addWidget(count_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(filters);
  layout->addWidget(table_);

  FillStations();
  connect(station_, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
  connect(outcome_, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
  Refresh();
}

void TesterLogView::FillStations() {
  const QString chosen = station_->currentIndex() > 0 ? station_->currentText() : QString();
  const QSignalBlocker quiet(station_);
  station_->clear();
  station_->addItem(kAllStations);
  for (const std::string& name : store_.Stations()) station_->addItem(QString::fromStdString(name));
  const int again = chosen.isEmpty() ? 0 : station_->findText(chosen);
  station_->setCurrentIndex(again < 0 ? 0 : again);
}

void TesterLogView::InitStations(std::span<const std::string> names, int16_t count) {
  store_.InitStations(names, count);
  FillStations();
  Refresh();
}

std::string TesterLogView::AddToLog(const std::string& sStationName, const std::string& sSerial,
                                    Status nErrCode, Status nExtErrCode,
                                    const std::string& sLogFile,
                                    const std::string& sCustomLogStr, const RunRecord* record) {
  const std::string error = store_.AddToLog(sStationName, sSerial, nErrCode, nExtErrCode,
                                            sLogFile, sCustomLogStr, record);
  if (station_->findText(QString::fromStdString(sStationName)) < 0) FillStations();
  Refresh();
  return error;
}

void TesterLogView::Refresh() {
  RunFilter filter;
  filter.limit = kShownRuns;
  if (station_->currentIndex() > 0) filter.station = station_->currentText().toStdString();
  if (outcome_->currentIndex() > 0) {
    filter.outcome = OutcomeFromText(outcome_->currentText().toStdString());
  }
  std::string error;
  std::optional<std::vector<LoggedRun>> runs = store_.Runs(filter, error);
  if (!runs) {
    model_->SetRuns({});
    count_->setText(QString::fromStdString("Result log unreadable: " + error));
    return;
  }
  count_->setText(QString("%1 run(s) shown").arg(runs->size()));
  model_->SetRuns(std::move(*runs));
  table_->resizeColumnsToContents();
}

}  // namespace tester
