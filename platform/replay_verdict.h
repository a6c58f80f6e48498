#pragma once
// The verdict of a replayed run on its trace. A trace recorded at a station is a
// regression test only if a replay that leaves it fails: an operation that differs, one
// past the end of the trace, or recorded operations the run never reached (it stopped
// early) make the run a failure, whatever the pack's verdict says.
#include <cstddef>
#include <string>
#include <vector>

#include "common/gauge_control.h"

namespace tester {

// Recorded operations listed after the count of those never reached.
inline constexpr std::size_t kReplayLinesShown = 5;

// What the replay behind `control` (the control itself, or the backend a tracing
// decorator wraps) left of its trace, as lines for the operator:
//   "<n> recorded operations never reached:", then the first five as "  <trace line>"
//   and "  ... and <m> more" for the rest;
//   "the run went on past the end of the trace" when it did and nothing was left.
// The first difference itself was reported when it happened ("expected ... / got ...").
// Empty when `control` is no replay, or when the replay answered every line and no other.
std::vector<std::string> ReplayShortfall(GaugeControl& control);

}  // namespace tester
