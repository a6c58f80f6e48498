#include "engine/ui/frm_about.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include "common/messages.h"
#include "engine/version.h"

namespace tester {
namespace {

constexpr const char* kGaugeControlProduct = "Kestrel";
constexpr const char* kGaugeControlText =
    "Gauge control: SMBus and register-style access to the gauge through the Linkpod "
    "adapter.";

// The engine's picture: a battery pack with a charge bar.
QPixmap PackPicture() {
  QPixmap picture(64, 64);
  picture.fill(Qt::transparent);
  QPainter paint(&picture);
  paint.setRenderHint(QPainter::Antialiasing);
  paint.setPen(QPen(QColor(40, 40, 40), 3));
  paint.setBrush(QColor(235, 235, 235));
  paint.drawRoundedRect(QRectF(6, 14, 46, 36), 4, 4);
  paint.setBrush(QColor(40, 40, 40));
  paint.drawRect(QRectF(52, 24, 6, 16));
  paint.setPen(Qt::NoPen);
  paint.setBrush(QColor(0, 190, 0));
  paint.drawRect(QRectF(11, 19, 28, 26));
  return picture;
}

}  // namespace

frmAbout::frmAbout(const std::string& product, const std::string& description, QWidget* parent)
    : QDialog(parent) {
  setObjectName("frmAbout");
  setWindowTitle(QString("About %1").arg(QString::fromStdString(product)));
  auto* grid = new QGridLayout(this);
  picIcon = new QLabel(this);
  picIcon->setObjectName("picIcon");
  picIcon->setPixmap(PackPicture());
  lblProduct = new QLabel(QString::fromStdString(product), this);
  lblProduct->setObjectName("lblProduct");
  QFont big = lblProduct->font();
  big.setPointSize(big.pointSize() + 6);
  big.setBold(true);
  lblProduct->setFont(big);
  lblVersion = new QLabel(QString("Version %1").arg(QString::fromStdString(SoftwareVersion())),
                          this);
  lblVersion->setObjectName("lblVersion");
  lblDescription = new QLabel(QString::fromStdString(description), this);
  lblDescription->setObjectName("lblDescription");
  lblDescription->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  grid->addWidget(picIcon, 0, 0, 3, 1, Qt::AlignTop);
  grid->addWidget(lblProduct, 0, 1);
  grid->addWidget(lblVersion, 1, 1);
  grid->addWidget(lblDescription, 2, 1);
  grid->addWidget(buttons, 3, 0, 1, 2);
  grid->setColumnMinimumWidth(1, 280);
}

frmAbout* frmAbout::ForTester(QWidget* parent) {
  const std::string text = LoadMessage(kMsgProductName) + "\n" + LoadMessage(kMsgCredits) +
                           "\nSingle-station engine of the battery-pack tester.";
  return new frmAbout(kProgramTitle, text, parent);
}

frmAbout* frmAbout::ForGaugeControl(QWidget* parent) {
  auto* box = new frmAbout(kGaugeControlProduct, kGaugeControlText, parent);
  box->picIcon->hide();
  return box;
}

}  // namespace tester
