#include "controller/ui/frm_splash.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "controller/controller_texts.h"
#include "controller/ui/frm_main.h"
#include "platform/event_pump.h"

namespace tester {

inline constexpr int64_t kSplashMs = 250;

frmSplash::frmSplash(QWidget* parent) : QDialog(parent) {
  setObjectName("frmSplash");
  setWindowTitle(QString("About ") + kControllerTitle);
  auto* layout = new QVBoxLayout(this);
  auto* picture = new QLabel(kControllerTitle, this);
  picture->setObjectName("imgLogo");
  QFont big = picture->font();
  big.setPointSize(26);
  big.setBold(true);
  picture->setFont(big);
  picture->setAlignment(Qt::AlignCenter);
  picture->setMinimumSize(360, 90);
  picture->setStyleSheet("color: white; background: #1f4e79; border-radius: 6px;");
  auto* role = new QLabel("Multi-station controller of the battery-pack tester", this);
  role->setAlignment(Qt::AlignCenter);
  lblVersion_ = new QLabel(this);
  lblVersion_->setObjectName("lblVersion");
  lblVersion_->setAlignment(Qt::AlignCenter);
  cmdOK_ = new QPushButton("OK", this);
  cmdOK_->setObjectName("cmdOK");
  connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(picture);
  layout->addWidget(role);
  layout->addWidget(lblVersion_);
  layout->addWidget(cmdOK_, 0, Qt::AlignCenter);
}

void frmSplash::SetVersion(const QString& text) { lblVersion_->setText("Version " + text); }
QString frmSplash::Version() const { return lblVersion_->text(); }
void frmSplash::ShowOkButton(bool show) { cmdOK_->setVisible(show); }

void ShowMainWithSplash(frmMain& main, EventPump& pump) {
  frmSplash splash;
  splash.setCursor(Qt::WaitCursor);
  splash.ShowOkButton(false);
  splash.show();
  pump.WaitMs(kSplashMs);
  main.show();
  main.Load();
  splash.ShowOkButton(true);
  splash.unsetCursor();
  splash.close();
}

}  // namespace tester
