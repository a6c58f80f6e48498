#pragma once
// The wizard's about box (frmSplash): the program's name, its version as major.minor.revision
// followed by a blank and the file description, and "&OK", which closes it.
#include <QDialog>

class QLabel;

namespace tester {

class SetupAboutBox final : public QDialog {
  Q_OBJECT
public:
  explicit SetupAboutBox(QWidget* parent = nullptr);
  QString Version() const;

private:
  QLabel* lblVersion_;
};

}  // namespace tester
