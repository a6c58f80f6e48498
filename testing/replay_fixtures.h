#pragma once
// Test fixtures on a gauge link whose adapter answers from a hand-written trace: the link
// alone on a virtual clock, and a calibration context on it. The one part of testing/
// built on GoogleTest, as fixtures are.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "calibration/cal_board.h"
#include "calibration/cal_context.h"
#include "gauge/gauge_link.h"
#include "gauge/station_settings.h"
#include "platform/replay_control.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_clock.h"
#include "testing/memory_tester_config.h"

namespace tester {

class ReplayLinkTest : public ::testing::Test {
protected:
  ReplayLinkTest() { settings.USB_RESP_TIME = 1; }

  // Lines without a timestamp get "0 " in front (replay ignores timestamps).
  void Replay(const std::string& lines) {
    std::string trace;
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty()) trace += "0 " + line + "\n";
    }
    std::string error;
    replay = ReplayControl::FromText(trace, clock, error, &report);
    ASSERT_NE(replay, nullptr) << error;
    link.BindGaugeControl(replay.get());
    start_us = clock.Now();
  }

  // Every trace line was asked for, in order, and nothing else.
  void ExpectTraceDone() {
    EXPECT_TRUE(replay->Complete()) << report.str() << "\nfirst unanswered: "
                                    << (replay->Remaining().empty() ? ""
                                                                    : replay->Remaining()[0]);
  }

  int64_t ElapsedMs() const { return (clock.Now() - start_us) / kMicrosPerMs; }

  VirtualClock clock;
  StationSettings settings;
  GaugeLink link{clock, settings};
  std::ostringstream report;
  std::unique_ptr<ReplayControl> replay;
  int64_t start_us = 0;
};

// Station configuration whose properties the test sets directly.
using StubTesterConfig = MemoryTesterConfig;

// A calibration context on a replayed link: no calibration board in use unless a test
// switches it on, scripted dialogs that record every box.
class CalReplayTest : public ReplayLinkTest {
protected:
  CalReplayTest() { board.CalBoardSetUse(0); }

  CalBoard board{link, "/nonexistent/Config.ini"};
  ScriptedDialogs dialogs;
  CalContext ctx{link, board, dialogs};
  StubTesterConfig config;
};

// `count` copies of `line`, one per line.
inline std::string Repeat(const std::string& line, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += line + "\n";
  return text;
}

}  // namespace tester
