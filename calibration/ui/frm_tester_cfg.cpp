#include "calibration/ui/frm_tester_cfg.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <algorithm>

namespace tester {
namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kMargin = 8;  // px between the window's edge and its frames

QString Q(const std::string& text) { return QString::fromStdString(text); }
QString Indexed(const char* name, int index) {
  return QString("%1(%2)").arg(name).arg(index);
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

}  // namespace

frmTesterCfg::frmTesterCfg(TesterCfgParts parts, QWidget* parent)
    : QDialog(parent),
      parts_(std::move(parts)),
      form_(parts_.dialogs, parts_.make_config(), parts_.ini_path) {
  setObjectName("frmTesterCfg");
  setWindowTitle(kTesterCfgCaption);
  menuBar = new QMenuBar(this);
  menuBar->setObjectName("menuBar");
  mnufile = menuBar->addMenu("&File");
  mnufile->setObjectName("mnufile");
  mnuFileClose = mnufile->addAction("&Close");
  mnuFileClose->setObjectName("mnuFileClose");
  mnuHelp = menuBar->addMenu("&Help");
  mnuHelp->setObjectName("mnuHelp");
  connect(mnuFileClose, &QAction::triggered, this, &QDialog::close);
  BuildVtiFrame();
  BuildButtons();
}

frmTesterCfg::~frmTesterCfg() = default;

void frmTesterCfg::BuildVtiFrame() {
  FrameVTI = new QGroupBox(this);
  FrameVTI->setObjectName("FrameVTI");
  auto* grid = new QGridLayout(FrameVTI);
  grid->setHorizontalSpacing(10);
  grid->setColumnMinimumWidth(1, 90);
  Label2[0] = MakeLabel(FrameVTI, Indexed("Label2", 0), "Voltage");
  QFont heading = Label2[0]->font();
  heading.setBold(true);
  Label2[0]->setFont(heading);
  grid->addWidget(Label2[0], 0, 0, 1, 3);
  for (int i = 0; i < 4; ++i) {
    Label1[i] = MakeLabel(FrameVTI, Indexed("Label1", i), kTapLabels[i]);
    txtVoltage[i] = new QLineEdit(FrameVTI);
    txtVoltage[i]->setObjectName(Indexed("txtVoltage", i));
    lblVoltUnits[i] = MakeLabel(FrameVTI, Indexed("lblVoltUnits", i), "mV");
    grid->addWidget(Label1[i], 1 + i, 0);
    grid->addWidget(txtVoltage[i], 1 + i, 1);
    grid->addWidget(lblVoltUnits[i], 1 + i, 2);
  }
  lblHelp[0] = MakeLabel(FrameVTI, Indexed("lblHelp", 0), "");
  lblHelp[0]->hide();
  lblHelp[1] = MakeLabel(FrameVTI, Indexed("lblHelp", 1), "Reference voltage must be stable.");
  grid->addWidget(lblHelp[1], 5, 0, 1, 3);

  Label2[1] = MakeLabel(FrameVTI, Indexed("Label2", 1), "Pack Current");
  txtCurrent = new QLineEdit(FrameVTI);
  txtCurrent->setObjectName("txtCurrent");
  lblCalibration[0] = MakeLabel(FrameVTI, Indexed("lblCalibration", 0), "mA");
  grid->addWidget(Label2[1], 6, 0);
  grid->addWidget(txtCurrent, 6, 1);
  grid->addWidget(lblCalibration[0], 6, 2);
  lblHelp[2] = MakeLabel(FrameVTI, Indexed("lblHelp", 2),
                         "Recommended current is 2000mA (discharge).");
  grid->addWidget(lblHelp[2], 7, 0, 1, 3);

  Label2[2] = MakeLabel(FrameVTI, Indexed("Label2", 2), "Temperature");
  txtTemperature = new QLineEdit(FrameVTI);
  txtTemperature->setObjectName("txtTemperature");
  lblCalibration[1] = MakeLabel(FrameVTI, Indexed("lblCalibration", 1), QString::fromUtf8("°C"));
  grid->addWidget(Label2[2], 8, 0);
  grid->addWidget(txtTemperature, 8, 1);
  grid->addWidget(lblCalibration[1], 8, 2);

  for (QLineEdit* box : txtVoltage) box->installEventFilter(this);
  txtCurrent->installEventFilter(this);
  txtTemperature->installEventFilter(this);
}

void frmTesterCfg::BuildButtons() {
  FrameButtons = new QGroupBox(this);
  FrameButtons->setObjectName("FrameButtons");
  auto* row = new QHBoxLayout(FrameButtons);
  row->addStretch();
  cmdOK = new QPushButton("Save", FrameButtons);
  cmdOK->setObjectName("cmdOK");
  cmdCancel = new QPushButton("Cancel", FrameButtons);
  cmdCancel->setObjectName("cmdCancel");
  row->addWidget(cmdOK);
  row->addWidget(cmdCancel);
  connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, &QDialog::close);
}

int frmTesterCfg::Configure(int16_t showMode) {
  Prepare(showMode);
  return exec();
}

void frmTesterCfg::Prepare(int16_t showMode) {
  const int top = menuBar->sizeHint().height() + kMargin;
  if (showMode == 1) {
    FrameVTI->hide();
    if (GlobalConfig1 == nullptr && parts_.make_global_config) {
      const GlobalConfigPanel panel = parts_.make_global_config(this);
      GlobalConfig1 = panel.widget;
      editor_ = panel.editor;
    }
    if (GlobalConfig1 != nullptr) {
      GlobalConfig1->setObjectName("GlobalConfig1");
      GlobalConfig1->setGeometry(kMargin, top, GlobalConfig1->sizeHint().width(),
                                 GlobalConfig1->sizeHint().height());
      GlobalConfig1->show();
    }
    if (editor_ != nullptr) form_.LoadGlobal(*editor_);
    const int below = editor_ != nullptr ? editor_->Top() + editor_->Height() : top;
    const int width = editor_ != nullptr ? editor_->Width() : FrameVTI->sizeHint().width();
    FrameButtons->setGeometry(kMargin, below, width, FrameButtons->sizeHint().height());
    setFixedWidth(width + 2 * kMargin);
    FitHeight(below);
    return;
  }
  ApplyLayout(form_.LoadVti(parts_.show_vbat_input));
  UpdateCalibrationGUI(true);
  if (GlobalConfig1 != nullptr) GlobalConfig1->hide();
  FrameVTI->adjustSize();
  const int width = std::max(FrameVTI->sizeHint().width(), 300);
  FrameVTI->setGeometry(kMargin, top, width, FrameVTI->sizeHint().height());
  const int below = FrameVTI->geometry().bottom() + 1 + kMargin / 2;
  FrameButtons->setGeometry(kMargin, below, width, FrameButtons->sizeHint().height());
  setFixedWidth(width + 2 * kMargin);
  FitHeight(below);
}

void frmTesterCfg::FitHeight(int buttons_top_px) {
  const int twips = CfgWindowHeightTwips(buttons_top_px * kTwipsPerPixel,
                                         FrameButtons->height() * kTwipsPerPixel);
  setFixedHeight(twips / kTwipsPerPixel);
  menuBar->setGeometry(0, 0, width(), menuBar->sizeHint().height());
}

void frmTesterCfg::ApplyLayout(const VtiLayout& layout) {
  lblHelp[1]->setVisible(layout.voltage_help);
  Label2[0]->setVisible(layout.voltage_help);
  for (int i = 0; i < 4; ++i) {
    Label1[i]->setText(Q(layout.voltage_label[i]));
    Label1[i]->setVisible(layout.voltage_shown[i]);
    txtVoltage[i]->setVisible(layout.voltage_shown[i]);
    lblVoltUnits[i]->setVisible(layout.voltage_shown[i]);
  }
  lblHelp[2]->setVisible(layout.current_shown);
  Label2[1]->setVisible(layout.current_shown);
  txtCurrent->setVisible(layout.current_shown);
  lblCalibration[0]->setVisible(layout.current_shown);
}

bool frmTesterCfg::UpdateCalibrationGUI(bool toGui) {
  if (toGui) {
    const ReferenceTexts& texts = form_.Texts();
    for (int i = 0; i < 4; ++i) txtVoltage[i]->setText(Q(texts.voltage[i]));
    txtCurrent->setText(Q(texts.current));
    txtTemperature->setText(Q(texts.temperature));
    return true;
  }
  CollectTexts();
  if (TextsToReferences(form_.Texts(), form_.Config())) return true;
  parts_.dialogs.ShowMessage(kMsgInvalidInput);
  return false;
}

void frmTesterCfg::CollectTexts() {
  ReferenceTexts& texts = form_.Texts();
  for (int i = 0; i < 4; ++i) texts.voltage[i] = txtVoltage[i]->text().toStdString();
  texts.current = txtCurrent->text().toStdString();
  texts.temperature = txtTemperature->text().toStdString();
}

// Leaving a reference box with a text that is not a number: the message, and the focus
// goes back to the box once the focus change is over.
bool frmTesterCfg::eventFilter(QObject* watched, QEvent* event) {
  auto* box = qobject_cast<QLineEdit*>(watched);
  if (box != nullptr && event->type() == QEvent::FocusOut && !checking_ && isVisible()) {
    checking_ = true;
    const bool ok = form_.LeaveBox(box->text().toStdString());
    checking_ = false;
    if (!ok) {
      QMetaObject::invokeMethod(
          box, [box] { box->setFocus(Qt::OtherFocusReason); }, Qt::QueuedConnection);
    }
  }
  return QDialog::eventFilter(watched, event);
}

void frmTesterCfg::cmdOK_Click() {
  CollectTexts();
  if (!form_.Save(editor_)) return;
  closing_ = true;
  accept();
}

void frmTesterCfg::closeEvent(QCloseEvent* event) {
  if (!closing_) {
    CollectTexts();
    if (!form_.QueryClose(editor_)) {
      event->ignore();
      return;
    }
  }
  closing_ = true;
  QDialog::closeEvent(event);  // through reject(), which now closes
}

void frmTesterCfg::reject() {
  if (closing_) {
    QDialog::reject();
    return;
  }
  close();
}

}  // namespace tester
