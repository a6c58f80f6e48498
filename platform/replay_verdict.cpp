#include "platform/replay_verdict.h"

#include "platform/replay_control.h"
#include "platform/trace_control.h"

namespace tester {

std::vector<std::string> ReplayShortfall(GaugeControl& control) {
  GaugeControl* backend = &control;
  if (auto* traced = dynamic_cast<TracingControl*>(backend)) backend = &traced->Inner();
  const auto* replay = dynamic_cast<const ReplayControl*>(backend);
  if (replay == nullptr || replay->Complete()) return {};

  const std::vector<std::string> remaining = replay->Remaining();
  if (remaining.empty()) return {"the run went on past the end of the trace"};
  std::vector<std::string> lines;
  lines.push_back(std::to_string(remaining.size()) + " recorded operation" +
                  (remaining.size() == 1 ? "" : "s") + " never reached:");
  for (std::size_t i = 0; i < remaining.size() && i < kReplayLinesShown; ++i) {
    lines.push_back("  " + remaining[i]);
  }
  if (remaining.size() > kReplayLinesShown) {
    lines.push_back("  ... and " + std::to_string(remaining.size() - kReplayLinesShown) +
                    " more");
  }
  return lines;
}

}  // namespace tester
