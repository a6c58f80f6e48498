#include "setup/ui/frm_setup_about.h"

#include "setup/setup_texts.h"
#include "setup/setup_wizard.h"

namespace tester {

SetupAboutBox::SetupAboutBox(QWidget* parent)
    : ProgramSplash(kSetupTitle, "Station setup wizard of the battery-pack tester", "&OK",
                    parent) {
  SetVersion(QString::fromStdString(SetupAboutVersion()));
}

}  // namespace tester
