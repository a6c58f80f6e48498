#pragma once
// `flashwright read --out FILE [--target T] [--yes]`: the image reader's read procedure
// for the console. The adapter rules of the window's start-up apply (exactly one adapter
// attached); the current target is T, else the one the window's state file remembers;
// FILE counts as typed by hand, so an existing file is overwritten only with --yes. Boxes
// and status lines go to `err`, the path of the image written to `out`. The window's
// state file is read, never written.
#include <ostream>
#include <string>

#include "common/gauge_control.h"
#include "platform/event_pump.h"

namespace tester {

inline constexpr const char* kReaderTitle = "Flashwright";

struct ReadVerbArgs {
  std::string out;       // destination file
  std::string target;    // current target; empty = the state file's
  bool yes = false;      // the answer to every Yes/No question
};

// Exit status: 0 the image and its digest were written and checked, 1 the read failed,
// 2 it could not start (no adapter, or more than one).
int RunReadVerb(EventPump& pump, GaugeControl& control, const std::string& program_folder,
                const std::string& current_folder, const ReadVerbArgs& args, std::ostream& out,
                std::ostream& err);

}  // namespace tester
