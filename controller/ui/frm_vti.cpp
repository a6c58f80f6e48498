#include "controller/ui/frm_vti.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QPalette>

#include "controller/vti_geometry.h"
#include "controller/vti_texts.h"

namespace tester {
namespace {

constexpr int kTwipsPerPixel = 15;
constexpr const char* kBoxNames[kVtiBoxes] = {"txtV", "txtV2", "txtV3", "txtV4",
                                              "txtI", "txtT",  "txtIT", "txtET"};

int Px(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

void Place(QWidget* widget, int left, int top, int width, int height) {
  widget->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

QString Indexed(const char* name, int index) {
  return QString("%1(%2)").arg(name).arg(index);
}

void SetRed(QLabel* label, bool red) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, red ? QColor(255, 0, 0) : QColor(0, 0, 0));
  label->setPalette(palette);
}

}  // namespace

frmVTI::frmVTI(const VtiGridParts& parts, QWidget* parent)
    : QDialog(parent), grid_(std::make_unique<VtiGrid>(parts, this)) {
  setObjectName("frmVTI");
  setWindowTitle(kVtiCaption);
  setModal(true);
  QFont small = font();
  small.setPointSize(8);
  setFont(small);
  Build();
  // No station is in calibration mode until the operator picks a box of its row.
  cmdReadTemp->setFocus();
  Refresh();
}

frmVTI::~frmVTI() {
  if (busy_cursor_) QApplication::restoreOverrideCursor();
  grid_->Close();
}

void frmVTI::Open() { grid_->Open(); }

QLabel* frmVTI::MakeLabel(QWidget* parent, const QString& name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

void frmVTI::Build() {
  FrameVTI = new QFrame(this);
  FrameVTI->setObjectName("FrameVTI");
  FrameVTI->setFrameShape(QFrame::Box);
  BuildGrid();
  for (int k = 0; k < 5; ++k) lblVHelp[k] = MakeLabel(this, Indexed("lblVHelp", k), kVtiHelp[k]);
  BuildRightBlock();
}

void frmVTI::BuildGrid() {
  lblStationTitle = MakeLabel(FrameVTI, "lblStationTitle", kVtiStationTitle);
  lblVoltTitle = MakeLabel(FrameVTI, "lblVoltTitle", kVtiVoltTitle);
  lblCurrentTitle = MakeLabel(FrameVTI, "lblCurrentTitle", kVtiCurrentTitle);
  lblCurrentTitle->setWordWrap(true);
  lblTempTitle = MakeLabel(FrameVTI, "lblTempTitle", kVtiTempTitle);
  lblTemp = MakeLabel(FrameVTI, "lblTemp", kVtiTempColumns);
  for (int k = 0; k < 4; ++k) lblVolt[k] = MakeLabel(FrameVTI, Indexed("lblVolt", k), kVtiVolt[k]);
  for (int i = 0; i < kVtiRows; ++i) {
    lblStation[i] = MakeLabel(FrameVTI, Indexed("lblStation", i), "");
    for (int b = 0; b < kVtiBoxes; ++b) {
      auto* box = new QLineEdit(FrameVTI);
      box->setObjectName(Indexed(kBoxNames[b], i));
      box->installEventFilter(this);
      connect(box, &QLineEdit::textEdited, this, [this, i, b](const QString& text) {
        grid_->SetText(i, static_cast<VtiBox>(b), text.toStdString());
      });
      boxes_[i][b] = box;
    }
  }
}

void frmVTI::BuildRightBlock() {
  clsPassword1 = MakeLabel(this, "clsPassword1", "");
  lblStationID[0] = MakeLabel(this, Indexed("lblStationID", 0), "");
  lblStationID[1] = MakeLabel(this, Indexed("lblStationID", 1), kVtiInCalMode);
  lblStationAlert = MakeLabel(this, "lblStationAlert", "");
  lblStationAlert->setWordWrap(true);
  lblStationAlert->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblNote = MakeLabel(this, "lblNote", kVtiNote);
  lblNote->setWordWrap(true);
  lblNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // The names lie over the alert's first lines, which it leaves empty for them.
  lblStationID[0]->raise();
  lblStationID[1]->raise();

  cmdReadTemp = new QPushButton(kVtiReadTemp, this);
  cmdReadTemp->setObjectName("cmdReadTemp");
  cmdApply = new QPushButton(kVtiApply, this);
  cmdApply->setObjectName("cmdApply");
  cmdUpdClose = new QPushButton(kVtiUpdateClose, this);
  cmdUpdClose->setObjectName("cmdUpdClose");
  for (QPushButton* button : {cmdReadTemp, cmdApply, cmdUpdClose}) button->setAutoDefault(false);
  connect(cmdReadTemp, &QPushButton::clicked, this, [this] { grid_->ReadTemp(); });
  connect(cmdApply, &QPushButton::clicked, this, [this] { grid_->Apply(); });
  connect(cmdUpdClose, &QPushButton::clicked, this, [this] {
    if (grid_->UpdateClose()) QDialog::accept();
  });
}

void frmVTI::Changed() { Refresh(); }

void frmVTI::Busy(bool busy) {
  if (busy == busy_cursor_) return;
  busy_cursor_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void frmVTI::ReadTempDone() { cmdReadTemp->setFocus(); }

void frmVTI::LockState(bool bCurrentlyLocked) { grid_->LockState(bCurrentlyLocked); }

void frmVTI::Refresh() {
  const VtiColumns& columns = grid_->Columns();
  const int rows = grid_->NumStations();
  Place(FrameVTI, kVtiMargin, kVtiMargin, VtiFrameWidth(columns), VtiFrameHeight(rows));
  FrameVTI->setEnabled(grid_->FrameEnabled());
  RefreshHeaders();
  RefreshRows();
  RefreshRightBlock();
  int help_lines = 0;
  for (int k = 0; k < 5; ++k) {
    const bool shown = grid_->Headers().help_visible[k] && rows > 0 &&
                       grid_->Switches().VoltageCalEnabled == 1;
    lblVHelp[k]->setVisible(shown);
    if (!shown) continue;
    Place(lblVHelp[k], kVtiMargin, VtiHelpTop(rows, help_lines), VtiFrameWidth(columns),
          kVtiHelpHeight);
    ++help_lines;
  }
  setFixedSize(Px(VtiWindowWidth(columns)), Px(VtiWindowHeight(rows, help_lines)));
}

void frmVTI::RefreshHeaders() {
  const VtiHeaders& h = grid_->Headers();
  const int pad = kVtiFramePad;
  Place(lblStationTitle, pad, kVtiTitleTop, kVtiStationWidth, kVtiTitleHeight);
  Place(lblVoltTitle, pad + kVtiBoxLeft[kBoxV], kVtiTitleTop, kVtiVoltTitleWidth,
        kVtiTitleHeight);
  lblVoltTitle->setText(QString::fromStdString(h.volt_title));
  lblVoltTitle->setVisible(h.volt_title_visible);
  for (int k = 0; k < 4; ++k) {
    Place(lblVolt[k], pad + kVtiBoxLeft[kBoxV + k], kVtiSubTitleTop, kVtiBoxWidth[k],
          kVtiSubTitleHeight);
    lblVolt[k]->setText(QString::fromStdString(h.volt_caption[k]));
    lblVolt[k]->setVisible(h.volt_visible[k]);
  }
  Place(lblCurrentTitle, pad + h.current_left, kVtiTitleTop, kVtiCurrentTitleWidth,
        kVtiTitleHeight);
  lblCurrentTitle->setVisible(h.current_visible);
  Place(lblTempTitle, pad + h.temp_left, kVtiTitleTop, kVtiTempTitleWidth, kVtiTitleHeight);
  Place(lblTemp, pad + h.temp_left, kVtiSubTitleTop, kVtiTempTitleWidth, kVtiSubTitleHeight);
  lblTempTitle->setVisible(h.temp_visible);
  lblTemp->setVisible(h.temp_visible);
}

void frmVTI::RefreshRows() {
  for (int i = 0; i < kVtiRows; ++i) {
    const VtiRow& row = grid_->Row(i);
    const bool shown = i < grid_->NumStations() && row.visible;
    const int top = VtiRowTop(i);
    Place(lblStation[i], kVtiFramePad, top, kVtiStationWidth, kVtiBoxHeight);
    lblStation[i]->setText(QString::fromStdString(row.name));
    lblStation[i]->setVisible(shown);
    SetRed(lblStation[i], row.name_red);
    for (int b = 0; b < kVtiBoxes; ++b) {
      QLineEdit* box = boxes_[i][b];
      Place(box, kVtiFramePad + row.boxes.left[b], top, kVtiBoxWidth[b], kVtiBoxHeight);
      box->setVisible(shown && row.boxes.visible[b]);
      const QString text = QString::fromStdString(row.text[b]);
      if (box->text() != text) box->setText(text);
    }
  }
}

void frmVTI::RefreshRightBlock() {
  const int left = VtiRightLeft(grid_->Columns());
  const bool cal_mode = grid_->CalModeVisible();
  clsPassword1->setText(QString::fromStdString(grid_->LockText()));
  Place(clsPassword1, left, kVtiLockTop, kVtiRightWidth, kVtiLineHeight);
  Place(cmdReadTemp, left, kVtiReadTempTop, kVtiRightWidth, kVtiButtonHeight);
  Place(cmdApply, left, kVtiApplyTop, kVtiApplyWidth, kVtiButtonHeight);
  cmdReadTemp->setEnabled(grid_->ReadTempEnabled());
  cmdApply->setEnabled(grid_->ApplyEnabled());
  for (int k = 0; k < 2; ++k) {
    Place(lblStationID[k], left, kVtiStationIdTop[k], kVtiRightWidth, kVtiLineHeight);
    lblStationID[k]->setVisible(cal_mode);
  }
  lblStationID[0]->setText(QString::fromStdString(grid_->StationIdText()));
  SetRed(lblStationID[0], grid_->StationIdRed());
  Place(lblStationAlert, left, kVtiAlertTop, kVtiRightWidth, grid_->AlertHeight());
  lblStationAlert->setText(QString::fromStdString(grid_->AlertText()));
  lblStationAlert->setVisible(cal_mode);
  Place(lblNote, left, kVtiNoteTop, kVtiRightWidth, kVtiNoteHeight);
  Place(cmdUpdClose, left, kVtiUpdCloseTop, kVtiUpdCloseWidth, kVtiButtonHeight);
}

bool frmVTI::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    for (int i = 0; i < kVtiRows; ++i) {
      for (int b = 0; b < kVtiBoxes; ++b) {
        QLineEdit* box = boxes_[i][b];
        if (box != watched) continue;
        grid_->FocusBox(i);
        // After the focus event, or a click's own cursor placement would undo it.
        QMetaObject::invokeMethod(box, &QLineEdit::selectAll, Qt::QueuedConnection);
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void frmVTI::reject() {
  if (grid_->Busy()) return;
  grid_->Close();
  QDialog::reject();
}

void frmVTI::closeEvent(QCloseEvent* event) {
  if (grid_->Busy()) {
    event->ignore();
    return;
  }
  grid_->Close();
  QDialog::closeEvent(event);
}

}  // namespace tester
