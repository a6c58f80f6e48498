#pragma once
// The target chooser as the programs use it: shows the supported targets (the "Targets"
// list) modally over the caller's window and gives the key of the line the operator took.
// The window (engine/ui/frm_target_list.h) is one implementation; tests and console front
// ends answer it themselves.
#include <string>

namespace tester {

class TargetChooser {
public:
  virtual ~TargetChooser() = default;
  // The chosen target key; empty when the operator cancelled or chose a line without a key.
  virtual std::string ChooseTarget() = 0;
};

}  // namespace tester
