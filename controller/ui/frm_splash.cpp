#include "controller/ui/frm_splash.h"

#include <QApplication>

#include "controller/controller_texts.h"
#include "controller/ui/frm_main.h"
#include "platform/event_pump.h"

namespace tester {

inline constexpr int64_t kSplashMs = 250;

frmSplash::frmSplash(QWidget* parent)
    : ProgramSplash(kControllerTitle, "Multi-station controller of the battery-pack tester", "OK",
                    parent) {}

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
