#pragma once
// The wizard's about box (frmSplash): the program's name, its version as major.minor.revision
// followed by a blank and the file description, and "&OK", which closes it.
#include "components/ui/program_splash.h"

namespace tester {

class SetupAboutBox final : public ProgramSplash {
  Q_OBJECT
public:
  explicit SetupAboutBox(QWidget* parent = nullptr);
};

}  // namespace tester
