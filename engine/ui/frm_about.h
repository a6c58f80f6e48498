#pragma once
// The about boxes: the engine's ("Ardentis", with its picture) and the gauge control's,
// each with its title and the version as major.minor.revision.
#include <QDialog>
#include <string>

class QLabel;

namespace tester {

class frmAbout final : public QDialog {
  Q_OBJECT

public:
  // `product`: the product label; `description`: the lines below it.
  frmAbout(const std::string& product, const std::string& description, QWidget* parent);

  // The engine's box and the gauge control's box.
  static frmAbout* ForTester(QWidget* parent);
  static frmAbout* ForGaugeControl(QWidget* parent);

  QLabel* lblProduct = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblDescription = nullptr;
  QLabel* picIcon = nullptr;
};

}  // namespace tester
