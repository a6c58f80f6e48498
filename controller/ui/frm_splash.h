#pragma once
// frmSplash: the program's picture and version. Shown without its OK button while the
// main window starts up, and as the about box from the Help menu.
#include <QDialog>

class QLabel;
class QPushButton;

namespace tester {

class EventPump;
class frmMain;

class frmSplash final : public QDialog {
  Q_OBJECT
public:
  explicit frmSplash(QWidget* parent = nullptr);
  void SetVersion(const QString& text);
  QString Version() const;
  void ShowOkButton(bool show);

private:
  QLabel* lblVersion_;
  QPushButton* cmdOK_;
};

// The program's start: the splash with an hourglass pointer and no OK button, 250 ms
// pumping events, then the main window shown and loaded (the splash stays up meanwhile),
// then the splash goes.
void ShowMainWithSplash(frmMain& main, EventPump& pump);

}  // namespace tester
