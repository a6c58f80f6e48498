#include "components/ui/program_splash.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tester {

ProgramSplash::ProgramSplash(const QString& title, const QString& role,
                             const QString& ok_caption, QWidget* parent)
    : QDialog(parent) {
  setObjectName("frmSplash");
  setWindowTitle("About " + title);
  auto* layout = new QVBoxLayout(this);
  auto* picture = new QLabel(title, this);
  picture->setObjectName("imgLogo");
  QFont big = picture->font();
  big.setPointSize(26);
  big.setBold(true);
  picture->setFont(big);
  picture->setAlignment(Qt::AlignCenter);
  picture->setMinimumSize(360, 90);
  picture->setStyleSheet("color: white; background: #1f4e79; border-radius: 6px;");
  auto* what = new QLabel(role, this);
  what->setAlignment(Qt::AlignCenter);
  lblVersion_ = new QLabel(this);
  lblVersion_->setObjectName("lblVersion");
  lblVersion_->setAlignment(Qt::AlignCenter);
  cmdOK_ = new QPushButton(ok_caption, this);
  cmdOK_->setObjectName("cmdOK");
  connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(picture);
  layout->addWidget(what);
  layout->addWidget(lblVersion_);
  layout->addWidget(cmdOK_, 0, Qt::AlignCenter);
}

void ProgramSplash::SetVersion(const QString& text) { lblVersion_->setText("Version " + text); }
QString ProgramSplash::Version() const { return lblVersion_->text(); }
void ProgramSplash::ShowOkButton(bool show) { cmdOK_->setVisible(show); }

}  // namespace tester
