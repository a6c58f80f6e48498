#include "setup/ui/frm_setup_about.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "setup/setup_texts.h"
#include "setup/setup_wizard.h"

namespace tester {

SetupAboutBox::SetupAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("frmSplash");
  setWindowTitle(QString("About ") + kSetupTitle);
  auto* layout = new QVBoxLayout(this);
  auto* picture = new QLabel(kSetupTitle, this);
  picture->setObjectName("imgLogo");
  QFont big = picture->font();
  big.setPointSize(26);
  big.setBold(true);
  picture->setFont(big);
  picture->setAlignment(Qt::AlignCenter);
  picture->setMinimumSize(360, 90);
  picture->setStyleSheet("color: white; background: #1f4e79; border-radius: 6px;");
  auto* role = new QLabel("Station setup wizard of the battery-pack tester", this);
  role->setAlignment(Qt::AlignCenter);
  lblVersion_ = new QLabel(QString("Version ") + QString::fromStdString(SetupAboutVersion()), this);
  lblVersion_->setObjectName("lblVersion");
  lblVersion_->setAlignment(Qt::AlignCenter);
  auto* ok = new QPushButton("&OK", this);
  ok->setObjectName("cmdOK");
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(picture);
  layout->addWidget(role);
  layout->addWidget(lblVersion_);
  layout->addWidget(ok, 0, Qt::AlignCenter);
}

QString SetupAboutBox::Version() const { return lblVersion_->text(); }

}  // namespace tester
