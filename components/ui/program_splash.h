#pragma once
// The programs' picture-and-version box (frmSplash): the program's name on its picture, a
// line saying what the program is, the version label and a button that closes it. The
// controller shows it while starting and as its about box; the setup wizard as its about box.
#include <QDialog>

class QLabel;
class QPushButton;

namespace tester {

class ProgramSplash : public QDialog {
  Q_OBJECT
public:
  ProgramSplash(const QString& title, const QString& role, const QString& ok_caption,
                QWidget* parent);
  // The version label reads "Version " and `text`.
  void SetVersion(const QString& text);
  QString Version() const;
  void ShowOkButton(bool show);

private:
  QLabel* lblVersion_;
  QPushButton* cmdOK_;
};

}  // namespace tester
