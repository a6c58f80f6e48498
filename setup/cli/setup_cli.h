#pragma once
// The setup wizard on the console, for scripted set-ups:
//  - `rigwright scan`: the search, then one line per adapter found: its index, identifier,
//    calibration board, sensors, advanced mark and the station name JigSetup.ini gives it.
//    Identifiers are never changed (the identifier question is answered No).
//  - `rigwright write [--assign-unnamed] [--no-test NAME]... [--probe NAME=I<st>|E<st>]...
//    NAME...`: the search, the NAMEs given to the adapters in their order, then the same
//    files the window writes, with the same checks and messages. --assign-unnamed answers
//    the identifier question Yes; --no-test clears "Use for Test"; --probe chooses a
//    station's probe (the others keep the page's choice). global.ini is used as it stands.
// The wizard's messages go to `err`, one line each. Every check runs before the first file
// is written, so a refused write changes no file.
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "common/gauge_control.h"
#include "platform/event_pump.h"

namespace tester {

struct WriteVerbArgs {
  bool assign_unnamed = false;
  std::vector<std::string> no_test;                          // station names
  std::vector<std::pair<std::string, std::string>> probes;   // station, "I<st>" / "E<st>"
  std::vector<std::string> names;                            // one per adapter, in order
};

// Exit status: 0 every adapter read; 1 an adapter could not be read; 2 the search could not
// run (more adapters than rows).
int RunScanVerb(GaugeControl& control, EventPump& pump, const std::string& program_folder,
                std::ostream& out, std::ostream& err);

// Exit status: 0 written; 1 a file could not be written; 2 refused, nothing written.
int RunWriteVerb(GaugeControl& control, EventPump& pump, const std::string& program_folder,
                 const WriteVerbArgs& args, std::ostream& out, std::ostream& err);

// Parses "--probe" values: "NAME=I<station>" or "NAME=E<station>". False when malformed.
bool ParseProbeArgument(const std::string& text, std::pair<std::string, std::string>& probe);

}  // namespace tester
