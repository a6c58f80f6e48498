#pragma once
// Shared pieces of the calibration tests: a station configuration object with no file
// behind it, a calibration context on a replayed gauge link, and the bus lines of the
// calibration conversations.
#include <gtest/gtest.h>

#include <string>

#include "calibration/cal_board.h"
#include "calibration/cal_context.h"
#include "calibration/cal_types.h"
#include "common/tester_config.h"
#include "common/tests/memory_tester_config.h"
#include "gauge/tests/link_replay_fixture.h"
#include "gauge/tests/program_trace_lines.h"
#include "platform/scripted_dialogs.h"

namespace tester {

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

namespace trace {

// Block 0x23 of a sampling pass: counter, mode byte, then the values little-endian.
inline Bytes SampleBlock(unsigned counter, unsigned mode, std::initializer_list<int> values) {
  Bytes bytes{static_cast<uint8_t>(counter), static_cast<uint8_t>(mode)};
  for (int value : values) {
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
  }
  return bytes;
}

// A full 26-byte sample: coulomb counter, four cells, values 5-9 zero, value 10, pack.
inline Bytes FullSample(unsigned counter, unsigned mode, int cc, int c1, int c2, int c3, int c4,
                        int pack) {
  return SampleBlock(counter, mode, {cc, c1, c2, c3, c4, 0, 0, 0, 0, 0, 0, pack});
}

// The calibration board's output byte written, then its status check.
inline std::string BoardWrite(unsigned state) {
  return RegWriteByte(0xC0, 0x44, state) + BusStatus();
}

// A 32-byte data-flash page with `word` big-endian at `position`.
inline Bytes PageWithWord(int position, unsigned word, int size = 32) {
  Bytes page(static_cast<std::size_t>(size), 0);
  page[static_cast<std::size_t>(position)] = static_cast<uint8_t>(word >> 8);
  page[static_cast<std::size_t>(position) + 1] = static_cast<uint8_t>(word & 0xFF);
  return page;
}

}  // namespace trace
}  // namespace tester
