#include "controller/ui/frm_main.h"

#include <QAction>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>

#include "controller/controller_texts.h"
#include "components/tester_config_store.h"
#include "controller/ui/frm_splash.h"
#include "controller/ui/frm_vti.h"
#include "controller/ui/station_lamp.h"
#include "controller/ui/station_table_model.h"

namespace tester {
namespace {

// Twips as pixels.
constexpr int Px(int twips) { return twips / 15; }

constexpr int kLogLeft = Px(120);
constexpr int kLogTop = Px(2640);
constexpr int kRowPitch = Px(195);  // a status row, and the lamps' spacing
constexpr int kTableLeft = Px(9240);
constexpr int kElapsedRefreshMs = 1000;


}  // namespace

frmMain::frmMain(EventPump& pump, OperatorDialogs& dialogs, QWidget* tester_log)
    : pump_(pump), dialogs_(dialogs) {
  setObjectName("frmMain");
  setWindowTitle(kMainCaption);
  BuildControls(tester_log);
  BuildMenus();
  resize(1200, 700);
}

frmMain::~frmMain() { pump_.StopTimer(elapsed_timer_); }

void frmMain::BuildControls(QWidget* tester_log) {
  auto* form = new QWidget(this);
  form->setObjectName("form");
  setCentralWidget(form);

  cmdVTI_ = new QPushButton("Configure VTI", form);
  cmdVTI_->setObjectName("cmdVTI");
  cmdVTI_->setGeometry(Px(120), Px(120), Px(1335), Px(1095));
  connect(cmdVTI_, &QPushButton::clicked, this, [this] { ConfigureVti(); });

  lstCurrStatus_ = new QListWidget(form);
  lstCurrStatus_->setObjectName("lstCurrStatus");
  lstCurrStatus_->setGeometry(Px(1920), Px(120), Px(4455), Px(2400));
  lstCurrStatus_->setUniformItemSizes(true);
  lstCurrStatus_->setStyleSheet(QString("QListWidget::item { height: %1px; padding: 0; }"
                                        "QListWidget { font-size: 10px; }")
                                    .arg(kRowPitch));

  for (int i = 0; i < kMaxStations; ++i) {
    Shape1_[i] = new StationLamp(i, form);
    Shape1_[i]->setGeometry(Px(1740), Px(180 + 195 * i), Px(135), Px(135));
  }

  cmdStart_ = new QPushButton("&Start", form);
  cmdStart_->setObjectName("cmdStart");
  cmdStart_->setGeometry(Px(6600), Px(120), Px(2535), Px(1320));
  cmdStart_->setEnabled(false);
  QFont start_font = cmdStart_->font();
  start_font.setPointSize(14);
  start_font.setBold(true);
  cmdStart_->setFont(start_font);
  connect(cmdStart_, &QPushButton::clicked, this, [this] {
    if (controller_) controller_->Start();
  });

  lblTempBasedStop_ = new QLabel(form);
  lblTempBasedStop_->setObjectName("lblTempBasedStop");
  lblTempBasedStop_->setGeometry(Px(120), Px(1440), Px(1455), Px(975));
  lblTempBasedStop_->setWordWrap(true);
  lblTempBasedStop_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblTempBasedStop_->setStyleSheet("color: rgb(255, 0, 0); font-size: 9px;");

  tblStations_ = new QTableView(form);
  tblStations_->setObjectName("tblStations");
  tblStations_->setSelectionMode(QAbstractItemView::NoSelection);
  tblStations_->setFocusPolicy(Qt::NoFocus);
  tblStations_->verticalHeader()->hide();
  tblStations_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  tblStations_->verticalHeader()->setMinimumSectionSize(11);
  tblStations_->verticalHeader()->setDefaultSectionSize(12);
  tblStations_->horizontalHeader()->setFixedHeight(14);
  tblStations_->setStyleSheet("QTableView, QHeaderView { font-size: 10px; }"
                              "QHeaderView::section { padding: 0 3px; }");
  tblStations_->setShowGrid(false);
  tblStations_->setAlternatingRowColors(true);
  tblStations_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  tblStations_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  TesterLog1_ = tester_log ? tester_log : new QWidget;
  TesterLog1_->setParent(form);
  TesterLog1_->setObjectName("TesterLog1");
}

void frmMain::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  // Shown once a lock is set: the reference values are entered only while it is open
  // (or with VTIAlwaysAllowed).
  mnuFileUnlock_ = file->addAction("&Unlock...");
  mnuFileUnlock_->setObjectName("mnuFileUnlock");
  mnuFileUnlock_->setVisible(false);
  connect(mnuFileUnlock_, &QAction::triggered, this, [this] {
    if (lock_) lock_->Unlock();
  });
  mnuFileLock_ = file->addAction("&Lock");
  mnuFileLock_->setObjectName("mnuFileLock");
  mnuFileLock_->setVisible(false);
  connect(mnuFileLock_, &QAction::triggered, this, [this] {
    if (lock_) lock_->Lock();
  });
  QAction* close_action = file->addAction("&Close");
  close_action->setObjectName("mnuFileClose");
  connect(close_action, &QAction::triggered, this, &QWidget::close);
  QMenu* help = menuBar()->addMenu("&Help");
  QAction* about = help->addAction("&About Ardentis");
  about->setObjectName("mnuAboutTester");
  connect(about, &QAction::triggered, this, [this] { ShowAbout(false); });
  QAction* about_control = help->addAction("About Kestrel.oc&x");
  about_control->setObjectName("mnuAboutKestrelocx");
  connect(about_control, &QAction::triggered, this, [this] { ShowAbout(true); });
}

void frmMain::SetLock(PasswordLock* lock) {
  lock_ = lock;
  mnuFileUnlock_->setVisible(lock_ != nullptr);
  mnuFileLock_->setVisible(lock_ != nullptr);
}

void frmMain::Attach(Controller& controller, const std::string& app_folder) {
  controller_ = &controller;
  app_folder_ = app_folder;
  model_ = new StationTableModel(controller, this);
  tblStations_->setModel(model_);
  const int widths[StationTableModel::kColumns] = {50, 150, 44, 48, 124, 42, 40, 50};
  for (int c = 0; c < StationTableModel::kColumns; ++c) tblStations_->setColumnWidth(c, widths[c]);
  tblStations_->horizontalHeader()->setStretchLastSection(true);
  elapsed_timer_ = pump_.StartTimer(
      kElapsedRefreshMs, [this] { model_->ElapsedChanged(); }, TimerKind::kPeriodic);
}

void frmMain::Load() {
  if (!controller_) return;
  controller_->Load();
  model_->Reset();
  StateChanged();
}

void frmMain::StateChanged() {
  if (!controller_) return;
  setWindowTitle(QString::fromStdString(controller_->Caption()));
  cmdStart_->setEnabled(controller_->StartEnabled());
  cmdVTI_->setVisible(controller_->VTIButtonVisible());
  lblTempBasedStop_->setText(QString::fromStdString(controller_->TempStopLabel()));
  const int stations = controller_->StartupFailed() ? 0 : controller_->NumBoards();
  for (int i = 0; i < kMaxStations; ++i) {
    Shape1_[i]->SetColour(i < stations ? controller_->Lamp(i) : LampColour::kBackground);
    Shape1_[i]->setVisible(i < stations || controller_->StartupFailed());
  }
  if (!controller_->StartupFailed()) ShowStatusRows();
  if (model_->rowCount() != stations) model_->Reset();
}

void frmMain::ShowStatusRows() {
  const std::vector<std::string>& rows = controller_->StatusRows();
  while (lstCurrStatus_->count() > static_cast<int>(rows.size())) {
    delete lstCurrStatus_->takeItem(lstCurrStatus_->count() - 1);
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const QString text = QString::fromStdString(rows[i]);
    if (static_cast<int>(i) < lstCurrStatus_->count()) {
      QListWidgetItem* item = lstCurrStatus_->item(static_cast<int>(i));
      if (item->text() != text) item->setText(text);
    } else {
      lstCurrStatus_->addItem(text);
    }
  }
}

void frmMain::StationStatus(int station, const std::string&) {
  ShowStatusRows();
  model_->StationChanged(station);
}

void frmMain::RowChanged(int station) { model_->StationChanged(station); }

void frmMain::StationCompleted(int station, const CompletionReport&, const RunRecord&) {
  model_->StationChanged(station);
}

void frmMain::Note(const std::string& text) {
  statusBar()->showMessage(QString::fromStdString(text));
}

void frmMain::StartupFailed() {
  // Everything but the status list, which says why, goes grey.
  for (QWidget* child : centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child != lstCurrStatus_) child->setEnabled(false);
  }
  menuBar()->setEnabled(false);
  lstCurrStatus_->clear();
  lstCurrStatus_->addItem("Start-up failed:");
  for (const QString& line : QString::fromStdString(controller_->StartupMessage()).split("\r\n")) {
    lstCurrStatus_->addItem(line);
  }
  lstCurrStatus_->addItem("Closing...");
}

void frmMain::CloseRequested() { close(); }

void frmMain::closeEvent(QCloseEvent* event) {
  // A close asked for while the shutdown waits for running stations changes nothing.
  if (closing_) {
    event->ignore();
    return;
  }
  closing_ = true;
  cmdStart_->setEnabled(false);
  if (controller_) controller_->Shutdown();
  event->accept();
}

void frmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  LayoutLog();
}

void frmMain::LayoutLog() {
  const QSize inner = centralWidget()->size();
  // Too small a window leaves the log as it was.
  const int width = inner.width() - 2 * kLogLeft;
  const int height = inner.height() - kLogTop - kLogLeft;
  if (width > 0 && height > 0) TesterLog1_->setGeometry(kLogLeft, kLogTop, width, height);
  const int table_width = inner.width() - kTableLeft - kLogLeft;
  if (table_width > 0) tblStations_->setGeometry(kTableLeft, Px(120), table_width, Px(2400));
}

void frmMain::ShowAbout(bool gauge_control) {
  frmSplash about(this);
  about.SetVersion(QString::fromStdString(controller_ ? controller_->AboutVersion() : ""));
  if (!gauge_control) {
    about.exec();
    return;
  }
  // The gauge control lives in each station's engine, not in the controller.
  dialogs_.ShowMessage("Kestrel control: the gauge link of the station engines (ardentis), " +
                       (controller_ ? controller_->AboutVersion() : std::string()));
}

void frmMain::ConfigureVti() {
  if (!controller_) return;
  // Made afresh for every opening, so it shows the station files as they are now.
  VtiGridParts parts{*controller_, pump_, dialogs_,
                     [] { return std::make_unique<TesterConfigStore>(); }, app_folder_, lock_};
  frmVTI window(parts, this);
  if (lock_) lock_->SetListener(&window);
  window.Open();
  window.exec();
  if (lock_) lock_->SetListener(nullptr);
}

}  // namespace tester
