#include "dfreader/ui/frm_main_s.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tester {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QAction* AddItem(QMenu* menu, const char* caption, const char* name) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  return action;
}

}  // namespace

frmMainS::frmMainS(ImageReader& reader, QWidget* parent)
    : QMainWindow(parent), reader_(reader) {
  setObjectName("frmMainS");
  setWindowTitle(kReaderCaption);
  BuildMenus();
  setCentralWidget(BuildControls());
  setFixedSize(kReaderWidth, kReaderHeight);

  connect(txtDFImageFile, &QLineEdit::textEdited, this,
          [this](const QString& text) { reader_.Form().EditImageFile(text.toStdString()); });
  connect(cmdBrowse, &QPushButton::clicked, this, [this] { reader_.Browse(); });
  connect(cmdReadDF, &QPushButton::clicked, this, [this] { cmdReadDF_Click(); });
  connect(mnuFileReadDFImage, &QAction::triggered, this, [this] { reader_.ReadDFImage(); });
  connect(mnuFileClose, &QAction::triggered, this, [this] { close(); });
  connect(mnuDevSetTgt, &QAction::triggered, this, [this] { reader_.SetTarget(); });
  connect(mnuDeviceAutoDetect, &QAction::triggered, this, [this] { reader_.AutoDetect(); });
  connect(mnuAboutTester, &QAction::triggered, this, [this] { reader_.About(); });
  connect(mnuAboutKestrelocx, &QAction::triggered, this, [this] { reader_.About(); });

  reader_.Form().SetObserver([this] { Refresh(); });
  Refresh();
}

frmMainS::~frmMainS() { reader_.Form().SetObserver({}); }

void frmMainS::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->setObjectName("mnuFile");
  mnuFileReadDFImage = AddItem(file, "Read Data Flash Image", "mnuFileReadDFImage");
  mnuFileClose = AddItem(file, "&Close", "mnuFileClose");
  QMenu* device = menuBar()->addMenu("&Device");
  device->setObjectName("mnuDev");
  mnuDevSetTgt = AddItem(device, "&Set Target", "mnuDevSetTgt");
  mnuDeviceAutoDetect = AddItem(device, "&Auto Detect Target", "mnuDeviceAutoDetect");
  QMenu* help = menuBar()->addMenu("&Help");
  help->setObjectName("mnuHelp");
  mnuAboutTester = AddItem(help, "&About", "mnuAboutTester");
  mnuAboutKestrelocx = AddItem(help, "About Kestrel.oc&x", "mnuAboutKestrelocx");
}

QWidget* frmMainS::BuildControls() {
  auto* panel = new QWidget(this);
  auto* destination = new QLabel("Data Flash image file destination", panel);
  txtDFImageFile = new QLineEdit(panel);
  txtDFImageFile->setObjectName("txtDFImageFile");
  cmdBrowse = new QPushButton("...", panel);
  cmdBrowse->setObjectName("cmdBrowse");
  cmdBrowse->setFixedWidth(32);
  cmdReadDF = new QPushButton("&Read Data Flash Image", panel);
  cmdReadDF->setObjectName("cmdReadDF");
  auto* last = new QLabel("Last Target", panel);
  lblCurrTgt = new QLabel(panel);
  lblCurrTgt->setObjectName("lblCurrTgt");
  lblStatus = new QLabel(panel);
  lblStatus->setObjectName("lblStatus");
  lblStatus->setWordWrap(true);
  lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(8, 6, 8, 6);
  grid->setVerticalSpacing(4);
  grid->addWidget(destination, 0, 0, 1, 3);
  grid->addWidget(txtDFImageFile, 1, 0, 1, 2);
  grid->addWidget(cmdBrowse, 1, 2);
  grid->addWidget(cmdReadDF, 2, 0, 1, 3);
  grid->addWidget(last, 3, 0);
  grid->addWidget(lblCurrTgt, 3, 1, 1, 2);
  grid->addWidget(lblStatus, 4, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(4, 1);
  return panel;
}

void frmMainS::Refresh() {
  const ReaderForm& form = reader_.Form();
  const QString box = Q(form.ImageFile());
  if (txtDFImageFile->text() != box) txtDFImageFile->setText(box);
  lblCurrTgt->setText(Q(form.TargetDescription()));
  lblStatus->setText(Q(form.Status()));
}

void frmMainS::cmdReadDF_Click() {
  cmdReadDF->setEnabled(false);
  reader_.ReadDFImage();
  cmdReadDF->setEnabled(true);
}

void frmMainS::closeEvent(QCloseEvent* event) {
  // The read owns the adapter until it is done: the gauge may be in ROM mode.
  if (reader_.Busy()) {
    event->ignore();
    return;
  }
  if (!unloaded_) {
    unloaded_ = true;
    reader_.Form().SetObserver({});
    reader_.Unload();
  }
  event->accept();
}

}  // namespace tester
