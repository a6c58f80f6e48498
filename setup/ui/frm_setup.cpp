#include "setup/ui/frm_setup.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "components/password_lock.h"
#include "components/ui/global_config_editor.h"
#include "setup/setup_texts.h"
#include "setup/ui/frm_setup_about.h"

namespace tester {
namespace {

constexpr int kMargin = 8;        // window edge to the frames
constexpr int kMaxNameChars = 255;
constexpr int kCheckColumn = 74;  // width of a check-box column and its heading
constexpr int kEditorLeft = 12;   // the editor's place inside Frame3
constexpr int kEditorTop = 24;

QString Indexed(const char* name, int i) { return QString("%1(%2)").arg(name).arg(i); }

QLabel* Heading(const char* text, QWidget* parent, int width) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
  label->setFixedWidth(width);
  return label;
}

QCheckBox* RowCheck(const char* name, int i, QWidget* parent) {
  auto* box = new QCheckBox(parent);
  box->setObjectName(Indexed(name, i));
  return box;
}

// Keeps its place in the grid while hidden, so the rows do not move when boards are found.
void KeepPlace(QWidget* widget) {
  QSizePolicy policy = widget->sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  widget->setSizePolicy(policy);
}

void SetChecked(QCheckBox* box, bool on) {
  const QSignalBlocker quiet(box);
  box->setChecked(on);
}

}  // namespace

frmSetup::frmSetup(SetupWizard& wizard, QWidget* parent) : QWidget(parent), wizard_(wizard) {
  setObjectName("frmSetup");
  setWindowTitle(kSetupCaption);
  BuildBoardFrame();
  BuildButtonFrame();
  BuildProbeFrame();
  BuildGlobalFrame();
  wizard_.SetView(this);
  SetupChanged();
}

frmSetup::~frmSetup() { wizard_.SetView(nullptr); }

void frmSetup::BuildBoardFrame() {
  Frame2_ = new QGroupBox(kFrame2Caption, this);
  Frame2_->setObjectName("Frame2");
  auto* grid = new QGridLayout(Frame2_);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(3);
  int column = 0;
  for (const auto& [text, width] : {std::pair{"Board", 84}, std::pair{"Station ID", 130}}) {
    QLabel* label = Heading(text, Frame2_, width);
    label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);  // over left-aligned contents
    grid->addWidget(label, 0, column++, Qt::AlignBottom);
  }
  for (const char* heading : {"Cal Board Found", "On Board Temp Probe", "Ext Temp Probe",
                              "Use for Test", "Flash LEDs"}) {
    grid->addWidget(Heading(heading, Frame2_, kCheckColumn), 0, column++, Qt::AlignBottom);
  }
  grid->addWidget(Heading("*", Frame2_, 14), 0, column++, Qt::AlignBottom);
  // Reference values are entered in the controller: these columns are never shown.
  const int hidden_first = column;
  for (const char* heading : {"Voltage (mv)", "Current (mA)", "Temperature (°C)"}) {
    QLabel* label = Heading(heading, Frame2_, 80);
    label->hide();
    grid->addWidget(label, 0, column++);
  }

  for (int i = 0; i < kSetupRows; ++i) {
    BoardWidgets& row = rows_[static_cast<std::size_t>(i)];
    const int line = i + 1;
    row.lblBrdName = new QLabel(Frame2_);
    row.lblBrdName->setObjectName(Indexed("lblBrdName", i));
    grid->addWidget(row.lblBrdName, line, 0);
    row.txtCustomName = new QLineEdit(Frame2_);
    row.txtCustomName->setObjectName(Indexed("txtCustomName", i));
    row.txtCustomName->setMaxLength(kMaxNameChars);
    row.txtCustomName->setFixedWidth(130);
    connect(row.txtCustomName, &QLineEdit::textEdited, this,
            [this, i](const QString& text) { wizard_.SetCustomName(i, text.toStdString()); });
    grid->addWidget(row.txtCustomName, line, 1);
    row.chkCalPresent = RowCheck("chkCalPresent", i, Frame2_);
    // What the adapter reported: shown, not edited.
    row.chkCalPresent->setAttribute(Qt::WA_TransparentForMouseEvents);
    row.chkCalPresent->setFocusPolicy(Qt::NoFocus);
    row.chkITS = RowCheck("chkITS", i, Frame2_);
    connect(row.chkITS, &QCheckBox::clicked, this, [this, i](bool on) { wizard_.SetITS(i, on); });
    row.chkETS = RowCheck("chkETS", i, Frame2_);
    connect(row.chkETS, &QCheckBox::clicked, this, [this, i](bool on) { wizard_.SetETS(i, on); });
    row.chkTest = RowCheck("chkTest", i, Frame2_);
    connect(row.chkTest, &QCheckBox::clicked, this,
            [this, i](bool on) { wizard_.SetTest(i, on); });
    row.chkFlash = RowCheck("chkFlash", i, Frame2_);
    connect(row.chkFlash, &QCheckBox::clicked, this,
            [this, i](bool on) { wizard_.FlashClicked(i, on); });
    int check_column = 2;
    for (QCheckBox* box : {row.chkCalPresent, row.chkITS, row.chkETS, row.chkTest, row.chkFlash}) {
      grid->addWidget(box, line, check_column++, Qt::AlignHCenter);
    }
    row.lblAdvanced = new QLabel("*", Frame2_);
    row.lblAdvanced->setObjectName(Indexed("lblAdvanced", i));
    row.lblAdvanced->setStyleSheet("color: rgb(192, 0, 0); font-weight: bold;");
    grid->addWidget(row.lblAdvanced, line, check_column, Qt::AlignHCenter);
    for (QWidget* widget : std::initializer_list<QWidget*>{
             row.txtCustomName, row.chkCalPresent, row.chkITS, row.chkETS, row.chkTest,
             row.chkFlash, row.lblAdvanced}) {
      KeepPlace(widget);
    }
    for (const char* name : {"txtV", "txtI", "txtT"}) {
      auto* box = new QLineEdit(Frame2_);
      box->setObjectName(Indexed(name, i));
      box->hide();
      grid->addWidget(box, line, hidden_first + (name[3] == 'V' ? 0 : name[3] == 'I' ? 1 : 2));
    }
    auto* configure = new QPushButton("Configure...", Frame2_);
    configure->setObjectName(Indexed("cmdConfig", i));
    configure->hide();
    grid->addWidget(configure, line, hidden_first + 3);
  }

  auto* legend = new QHBoxLayout;
  lblAdvancedLegend_ = new QLabel("*", Frame2_);
  lblAdvancedLegend_->setObjectName(Indexed("lblAdvanced", kSetupRows));
  lblAdvancedLegend_->setStyleSheet("color: rgb(192, 0, 0); font-weight: bold;");
  lblAdvancedNote_ = new QLabel(kAdvancedNote, Frame2_);
  lblAdvancedNote_->setObjectName("lblAdvancedNote");
  KeepPlace(lblAdvancedLegend_);
  KeepPlace(lblAdvancedNote_);
  legend->addWidget(lblAdvancedLegend_);
  legend->addWidget(lblAdvancedNote_);
  legend->addStretch();
  grid->addLayout(legend, kSetupRows + 1, 0, 1, 8);
  auto* note = new QLabel(kSensorNote, Frame2_);
  note->setObjectName("lblNote");
  grid->addWidget(note, kSetupRows + 2, 0, 1, 8);
}

void frmSetup::BuildButtonFrame() {
  Frame1_ = new QWidget(this);
  Frame1_->setObjectName("Frame1");
  auto* layout = new QHBoxLayout(Frame1_);
  layout->setContentsMargins(0, 0, 0, 0);
  cmdSearch_ = new QPushButton(kCmdSearch, Frame1_);
  cmdSearch_->setObjectName("cmdSearch");
  connect(cmdSearch_, &QPushButton::clicked, this, [this] { wizard_.Search(); });
  cmdNext_ = new QPushButton(kCmdNext, Frame1_);
  cmdNext_->setObjectName("cmdNext");
  connect(cmdNext_, &QPushButton::clicked, this, [this] { wizard_.Next(); });

  clsPassword1_ = new QWidget(Frame1_);
  clsPassword1_->setObjectName("clsPassword1");
  auto* lock_row = new QHBoxLayout(clsPassword1_);
  lock_row->setContentsMargins(0, 0, 0, 0);
  lblLock_ = new QLabel(clsPassword1_);
  lblLock_->setObjectName("lblLock");
  cmdUnlock_ = new QPushButton("&Unlock...", clsPassword1_);
  cmdUnlock_->setObjectName("cmdUnlock");
  connect(cmdUnlock_, &QPushButton::clicked, this, [this] {
    if (lock_) lock_->Unlock();
  });
  cmdLock_ = new QPushButton("&Lock", clsPassword1_);
  cmdLock_->setObjectName("cmdLock");
  connect(cmdLock_, &QPushButton::clicked, this, [this] {
    if (lock_) lock_->Lock();
  });
  lock_row->addWidget(lblLock_);
  lock_row->addWidget(cmdUnlock_);
  lock_row->addWidget(cmdLock_);
  clsPassword1_->hide();  // shown once a lock is set

  layout->addWidget(cmdSearch_);
  layout->addWidget(cmdNext_);
  layout->addStretch();
  layout->addWidget(clsPassword1_);
}

void frmSetup::BuildProbeFrame() {
  Frame4_ = new QGroupBox(kFrame4Caption, this);
  Frame4_->setObjectName("Frame4");
  auto* grid = new QGridLayout(Frame4_);
  grid->setVerticalSpacing(4);
  auto* header = new QLabel(kProbeHeader, Frame4_);
  header->setObjectName("lblProbeHeader");
  grid->addWidget(header, 0, 0, 1, 2);
  for (int i = 0; i < kSetupRows; ++i) {
    ProbeWidgets& row = probes_[static_cast<std::size_t>(i)];
    row.lblName = new QLabel(Frame4_);
    row.lblName->setObjectName(Indexed("lblName", i));
    row.lblName->setMinimumWidth(110);
    row.ComboProbe = new QComboBox(Frame4_);
    row.ComboProbe->setObjectName(Indexed("ComboProbe", i));
    row.ComboProbe->setMinimumWidth(260);
    row.ComboProbe->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(row.ComboProbe, &QComboBox::activated, this,
            [this, i](int entry) { wizard_.ChooseProbe(i, entry); });
    grid->addWidget(row.lblName, i + 1, 0);
    grid->addWidget(row.ComboProbe, i + 1, 1, Qt::AlignLeft);
  }
  cmdTProbeNext_ = new QPushButton(kCmdTProbeNext, Frame4_);
  cmdTProbeNext_->setObjectName("cmdTProbeNext");
  connect(cmdTProbeNext_, &QPushButton::clicked, this,
          [this] { wizard_.ProbeNext(GlobalConfig1_); });
  grid->addWidget(cmdTProbeNext_, kSetupRows + 1, 1, Qt::AlignRight);
}

void frmSetup::BuildGlobalFrame() {
  Frame3_ = new QGroupBox(kFrame3Caption, this);
  Frame3_->setObjectName("Frame3");
  GlobalConfig1_ = new GlobalConfigEditor(Frame3_);
  GlobalConfig1_->setObjectName("GlobalConfig1");
  GlobalConfig1_->setGeometry(QRect(QPoint(kEditorLeft, kEditorTop), GlobalConfig1_->sizeHint()));
  cmdFinish_ = new QPushButton(kCmdFinish, Frame3_);
  cmdFinish_->setObjectName("cmdFinish");
  cmdFinish_->resize(cmdFinish_->sizeHint());
  connect(cmdFinish_, &QPushButton::clicked, this, [this] {
    if (wizard_.Finish(GlobalConfig1_)) close();
  });
}

void frmSetup::SetLock(PasswordLock* lock) {
  lock_ = lock;
  if (lock_) lock_->SetListener(&wizard_);
  clsPassword1_->setVisible(lock_ != nullptr);
  SetupChanged();
}

void frmSetup::Load() {
  if (lock_) wizard_.LockState(lock_->IsLocked());
  SetupChanged();
}

void frmSetup::SetupChanged() {
  ShowBoards();
  ShowProbes();
  if (wizard_.Page() != shown_page_) ShowPage(wizard_.Page());
}

void frmSetup::ShowBoards() {
  const BoardRows& rows = wizard_.Rows();
  for (int i = 0; i < kSetupRows; ++i) {
    const BoardRow& row = rows[static_cast<std::size_t>(i)];
    BoardWidgets& w = rows_[static_cast<std::size_t>(i)];
    w.lblBrdName->setText(QString::fromStdString(row.caption));
    w.lblBrdName->setToolTip(QString::fromStdString(row.identifier));
    const QString name = QString::fromStdString(row.custom_name);
    if (w.txtCustomName->text() != name) w.txtCustomName->setText(name);
    w.txtCustomName->setEnabled(row.name_enabled);
    SetChecked(w.chkCalPresent, row.cal_present);
    SetChecked(w.chkITS, row.its);
    w.chkITS->setEnabled(row.its_enabled);
    SetChecked(w.chkETS, row.ets);
    SetChecked(w.chkTest, row.test);
    SetChecked(w.chkFlash, row.flash);
    for (QWidget* box : std::initializer_list<QWidget*>{w.txtCustomName, w.chkCalPresent, w.chkITS,
                                                        w.chkETS, w.chkTest, w.chkFlash}) {
      box->setVisible(row.visible);
    }
    // Hidden, not removed: the row keeps its height so the rows below stay in place.
    w.lblAdvanced->setVisible(row.advanced);
  }
  lblAdvancedLegend_->setVisible(wizard_.AdvancedLegend());
  lblAdvancedNote_->setVisible(wizard_.AdvancedLegend());
  Frame2_->setEnabled(wizard_.BoardsEnabled());
  cmdSearch_->setEnabled(wizard_.SearchEnabled());
  cmdNext_->setEnabled(wizard_.NextEnabled());
  if (lock_) {
    const bool locked = lock_->IsLocked();
    lblLock_->setText(locked ? "Locked" : "Unlocked");
    cmdUnlock_->setVisible(locked);
    cmdLock_->setVisible(!locked);
  }
}

void frmSetup::ShowProbes() {
  const ProbeRows& rows = wizard_.Probes();
  for (int i = 0; i < kSetupRows; ++i) {
    const ProbeRow& row = rows[static_cast<std::size_t>(i)];
    ProbeWidgets& w = probes_[static_cast<std::size_t>(i)];
    w.lblName->setText(QString::fromStdString(row.name));
    w.lblName->setVisible(row.listed);
    const QSignalBlocker quiet(w.ComboProbe);
    QStringList entries;
    for (const std::string& entry : row.entries) entries << QString::fromStdString(entry);
    QStringList shown;
    for (int k = 0; k < w.ComboProbe->count(); ++k) shown << w.ComboProbe->itemText(k);
    if (shown != entries) {
      w.ComboProbe->clear();
      w.ComboProbe->addItems(entries);
    }
    w.ComboProbe->setCurrentIndex(row.choice);
    w.ComboProbe->setVisible(row.visible);
  }
}

void frmSetup::ShowPage(SetupPage page) {
  shown_page_ = page;
  const bool boards = page == SetupPage::kBoards;
  Frame2_->setVisible(boards);
  Frame1_->setVisible(boards);
  Frame4_->setVisible(page == SetupPage::kProbes);
  Frame3_->setVisible(page == SetupPage::kGlobal);
  if (boards) {
    Frame2_->adjustSize();
    Frame2_->move(kMargin, kMargin);
    Frame1_->setGeometry(kMargin, Frame2_->geometry().bottom() + kMargin, Frame2_->width(),
                         Frame1_->sizeHint().height());
    setFixedSize(Frame2_->width() + 2 * kMargin, Frame1_->geometry().bottom() + kMargin + 1);
  } else if (page == SetupPage::kProbes) {
    Frame4_->adjustSize();
    Frame4_->move(kMargin, kMargin);
    setFixedSize(Frame4_->width() + 2 * kMargin, Frame4_->height() + 2 * kMargin);
  } else if (page == SetupPage::kGlobal) {
    ResizeForGlobalConf();
  }
}

// Pixels throughout; the window manager adds the caption bar on its own.
void frmSetup::ResizeForGlobalConf() {
  const int left = GlobalConfig1_->Left();
  const int top = GlobalConfig1_->Top();
  const int width = GlobalConfig1_->Width();
  const int height = GlobalConfig1_->Height();
  Frame3_->move(kMargin, kMargin);
  Frame3_->resize(width + 3 * left + cmdFinish_->width(), height + 2 * top);
  cmdFinish_->move(width + 2 * left, top);
  setFixedSize(Frame3_->width() + 2 * kMargin, 2 * Frame3_->y() + Frame3_->height());
}

void frmSetup::mouseDoubleClickEvent(QMouseEvent* event) {
  QWidget::mouseDoubleClickEvent(event);
  SetupAboutBox about(this);
  about.exec();
}

void frmSetup::closeEvent(QCloseEvent* event) {
  wizard_.Unload();
  event->accept();
}

}  // namespace tester
