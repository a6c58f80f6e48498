#include "engine/ui/frm_main_s.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "engine/ui/frm_about.h"

namespace tester::station {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
QString Indexed(const char* name, int index) { return QString("%1(%2)").arg(name).arg(index); }

QColor ColourOf(const LampColour& lamp) { return QColor(lamp.red, lamp.green, lamp.blue); }

void Fill(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setMinimumHeight(30);
  return button;
}

}  // namespace

frmMainS::frmMainS(StandaloneWindow& logic, GaugeControl& control, QWidget* log_view,
                   QWidget* parent)
    : QMainWindow(parent), logic_(logic), control_(control) {
  setObjectName("frmMainS");
  BuildMenus();
  auto* body = new QWidget(this);
  auto* column = new QVBoxLayout(body);
  auto* top = new QHBoxLayout();
  auto* left = new QVBoxLayout();
  BuildStatusFrame(body);
  left->addWidget(Frame1);
  chkUseCalBrd = new QCheckBox("Use Cal Board hardware", body);
  chkUseCalBrd->setObjectName("chkUseCalBrd");
  left->addWidget(chkUseCalBrd);
  left->addStretch();
  top->addLayout(left, 1);

  auto* buttons = new QVBoxLayout();
  cmdStart = MakeButton(body, "cmdStart", "&Start Test");
  cmdStart->setMinimumHeight(48);
  QFont bold = cmdStart->font();
  bold.setBold(true);
  cmdStart->setFont(bold);
  cmdQuickLock = MakeButton(body, "cmdQuickLock", "&Quick Lock");
  cmdQuickLock->setToolTip("Locks with the previous password specified.");
  cmdConfigVTI = MakeButton(body, "cmdConfigVTI", "VTI Configuration");
  cmdConfigGlobal = MakeButton(body, "cmdConfigGlobal", "Global Configuration");
  for (QPushButton* button : {cmdStart, cmdQuickLock, cmdConfigVTI, cmdConfigGlobal}) {
    button->setMinimumWidth(170);
    buttons->addWidget(button);
  }
  buttons->addStretch();
  top->addLayout(buttons);
  column->addLayout(top);

  // Holds only what is not seen (the invoker timer and the gauge control): never shown.
  Frame2 = new QGroupBox("Developer Note:Do not touch this Frame", body);
  Frame2->setObjectName("Frame2");
  Frame2->hide();
  if (log_view != nullptr) {
    log_view->setParent(body);
    column->addWidget(log_view, 1);
    resize(720, 520);
  } else {
    column->addStretch();
  }
  setCentralWidget(body);
  setMinimumWidth(460);

  connect(cmdStart, &QPushButton::clicked, this, [this] { logic_.cmdStart_Click(); });
  connect(cmdQuickLock, &QPushButton::clicked, this, [this] { logic_.cmdQuickLock_Click(); });
  connect(cmdConfigVTI, &QPushButton::clicked, this, [this] { logic_.cmdConfigVTI_Click(); });
  connect(cmdConfigGlobal, &QPushButton::clicked, this,
          [this] { logic_.cmdConfigGlobal_Click(); });
  connect(chkUseCalBrd, &QCheckBox::clicked, this,
          [this](bool checked) { logic_.chkUseCalBrd_Click(checked); });
  logic_.OnChange([this] { Show(); });
  Show();
}

frmMainS::~frmMainS() = default;

void frmMainS::BuildMenus() {
  mnuFile = menuBar()->addMenu("&File");
  mnuFile->setObjectName("mnuFile");
  mnuFileReadDFImage = mnuFile->addAction("Read Data Flash Image...");
  mnuFileReadDFImage->setObjectName("mnuFileReadDFImage");
  mnuFileUnlock = mnuFile->addAction("&Unlock...");
  mnuFileUnlock->setObjectName("mnuFileUnlock");
  mnuFile->addSeparator();
  mnuFileClose = mnuFile->addAction("&Close");
  mnuFileClose->setObjectName("mnuFileClose");
  mnuHelp = menuBar()->addMenu("&Help");
  mnuHelp->setObjectName("mnuHelp");
  mnuAboutTester = mnuHelp->addAction("&About Ardentis");
  mnuAboutTester->setObjectName("mnuAboutTester");
  mnuAboutKestrelocx = mnuHelp->addAction("About Kestrel.oc&x");
  mnuAboutKestrelocx->setObjectName("mnuAboutKestrelocx");

  connect(mnuFileUnlock, &QAction::triggered, this, [this] { logic_.Unlock(); });
  connect(mnuFileClose, &QAction::triggered, this, &QWidget::close);
  connect(mnuAboutTester, &QAction::triggered, this, [this] {
    std::unique_ptr<frmAbout> box(frmAbout::ForTester(this));
    box->exec();
  });
  connect(mnuAboutKestrelocx, &QAction::triggered, this, [this] {
    control_.AboutBox();
    std::unique_ptr<frmAbout> box(frmAbout::ForGaugeControl(this));
    box->exec();
  });
}

void frmMainS::BuildStatusFrame(QWidget* body) {
  Frame1 = new QGroupBox(body);
  Frame1->setObjectName("Frame1");
  auto* column = new QVBoxLayout(Frame1);
  lblStatus = new QLabel(Frame1);
  lblStatus->setObjectName("lblStatus");
  lblStatus->setWordWrap(true);
  lblStatus->setMinimumHeight(44);
  lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  QFont status = lblStatus->font();
  status.setPointSize(status.pointSize() + 2);
  lblStatus->setFont(status);
  column->addWidget(lblStatus);
  auto* lamps = new QHBoxLayout();
  for (int i = 0; i < kLampCount; ++i) {
    shpStatus[i] = new QFrame(Frame1);
    shpStatus[i]->setObjectName(Indexed("shpStatus", i));
    shpStatus[i]->setFrameShape(QFrame::Box);
    shpStatus[i]->setFixedSize(26, 22);
    shpStatus[i]->setAutoFillBackground(true);
    Label1[i] = new QLabel(kLampCaptions[i], Frame1);
    Label1[i]->setObjectName(Indexed("Label1", i));
    Label1[i]->setAutoFillBackground(true);
    Label1[i]->setAlignment(Qt::AlignCenter);
    Label1[i]->setMinimumWidth(40);
    lamps->addWidget(shpStatus[i]);
    lamps->addWidget(Label1[i]);
    if (i + 1 < kLampCount) lamps->addSpacing(8);
  }
  lamps->addStretch();
  column->addLayout(lamps);
}

void frmMainS::Show() {
  const StandaloneControls& c = logic_.Controls();
  setWindowTitle(Q(c.caption));
  lblStatus->setText(Q(c.status_text));
  const QColor face = palette().color(QPalette::Button);
  for (int i = 0; i < kLampCount; ++i) {
    Fill(shpStatus[i], ColourOf(LampColourOf(i, c.lit_lamp)));
    Fill(Label1[i], i == c.lit_lamp ? ColourOf(kLampLit[i]) : face);
  }
  chkUseCalBrd->setChecked(c.use_cal_board);
  cmdStart->setEnabled(c.StartUsable());
  cmdStart->setVisible(c.start_visible);
  cmdStart->setProperty("tag", Q(c.start_tag));
  cmdQuickLock->setEnabled(c.quick_lock_enabled);
  cmdConfigVTI->setVisible(c.config_vti_visible);
  cmdConfigGlobal->setVisible(c.config_global_visible);
  cmdConfigVTI->setEnabled(c.ConfigUsable());
  cmdConfigGlobal->setEnabled(c.ConfigUsable());
}

// A close asked for during a run waits for the run's end; then the window unloads.
void frmMainS::closeEvent(QCloseEvent* event) {
  if (!logic_.QueryClose([this] { close(); })) {
    event->ignore();
    return;
  }
  if (!unloaded_) {
    unloaded_ = true;
    logic_.Unload();
  }
  event->accept();
}

}  // namespace tester::station
