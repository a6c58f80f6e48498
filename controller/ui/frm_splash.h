#pragma once
// frmSplash: the program's picture and version. Shown without its OK button while the
// main window starts up, and as the about box from the Help menu.
#include "components/ui/program_splash.h"

namespace tester {

class EventPump;
class frmMain;

class frmSplash final : public ProgramSplash {
  Q_OBJECT
public:
  explicit frmSplash(QWidget* parent = nullptr);
};

// The program's start: the splash with an hourglass pointer and no OK button, 250 ms
// pumping events, then the main window shown and loaded (the splash stays up meanwhile),
// then the splash goes.
void ShowMainWithSplash(frmMain& main, EventPump& pump);

}  // namespace tester
