#pragma once
// `gangwright --headless [--runs N] [--vti-from-files | --vti FILE]`: the controller
// without a display,
// for line automation and the demo. The same start-up, starts and completions as the
// window; message boxes go to stderr, a line per status change and per completion to
// stdout, then the results table and each station's yield.
//
// Exit status: 0 every run ran (whatever the verdicts), 1 a start was refused after
// start-up (temperature drift, the reminder, a failed probe reading), 2 could not start
// (start-up failed, arguments, reference values needed but not given).
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/engine_factory.h"
#include "common/reminder.h"
#include "common/serial_counter.h"
#include "common/tester_log.h"
#include "controller/controller_settings.h"
#include "platform/event_pump.h"

namespace tester {

class Controller;

inline constexpr int kMaxHeadlessRuns = 10000;

struct HeadlessArgs {
  int runs = 1;
  bool vti_from_files = false;
  std::string vti_file;  // reference values from this file (controller/vti_file.h)
};

// The options after --headless; nullopt and `error` when they do not parse.
std::optional<HeadlessArgs> ParseHeadlessArgs(const std::vector<std::string>& words,
                                              std::string& error);

struct HeadlessWorld {
  EventPump& pump;
  EngineFactory& engines;
  SerialCounter& serials;
  TesterLog& log;
  clsReminder& reminder;
  std::string app_folder;
  ControllerSettings settings;
  bool engines_on_virtual_clock = false;  // said in the output
  // Called once start-up has succeeded (the program seeds a fresh serial counter).
  std::function<void(const Controller&)> started;
};

int RunHeadless(const HeadlessWorld& world, const HeadlessArgs& args, std::ostream& out,
                std::ostream& err);

}  // namespace tester
