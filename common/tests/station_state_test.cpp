// The station as the operator sees it, from the reports of a run.
#include "common/station_state.h"

#include <gtest/gtest.h>

namespace tester {
namespace {

class Downstream final : public SingleSiteEvents {
public:
  void CurrentStatus(const std::string& text, int32_t) override { heard.push_back(text); }
  void RequestSerialNo(int32_t& nSerial) override { nSerial = 4711; }
  void Completed(const CompletionReport&, const RunRecord&) override { heard.push_back("done"); }
  void SetWindowTitle(const std::string& title) override { heard.push_back(title); }
  std::vector<std::string> heard;
};

TEST(StationState, FollowsARunAndHandsEveryEventOn) {
  Downstream next;
  StationState state(&next);
  int changes = 0;
  state.OnChange([&] { ++changes; });
  state.SetWindowTitle("Tester_800.1.02.rom (Pack A)");
  state.CurrentStatus("Warning: no digest", vb_cbReady);
  EXPECT_FALSE(state.Running()) << "a set-up warning is no run";
  state.CurrentStatus("Power Up...", vb_cbbusy);
  EXPECT_TRUE(state.Running());
  EXPECT_EQ(state.Lamp(), vb_cbbusy);
  int32_t serial = 100;
  state.RequestSerialNo(serial);
  EXPECT_EQ(serial, 4711);
  EXPECT_EQ(state.Serial(), "4711");
  state.CurrentStatus("Calibration error.", vb_cbfail);
  EXPECT_TRUE(state.Running()) << "running until the completion";
  RunRecord record;
  record.outcome = RunOutcome::kFail;
  state.Completed({"0", 65543, 5032, "log", ""}, record);
  EXPECT_FALSE(state.Running());
  EXPECT_EQ(state.Lamp(), vb_cbfail);
  EXPECT_EQ(state.Serial(), "0") << "the completion says what was written";
  EXPECT_EQ(state.LastRecord()->outcome, RunOutcome::kFail);
  EXPECT_EQ(state.StatusText(), "Calibration error.");
  EXPECT_EQ(state.Title(), "Tester_800.1.02.rom (Pack A)");
  EXPECT_EQ(next.heard, (std::vector<std::string>{"Tester_800.1.02.rom (Pack A)",
                                                  "Warning: no digest", "Power Up...",
                                                  "Calibration error.", "done"}));
  EXPECT_EQ(changes, 6);

  state.CurrentStatus("Power Up...", vb_cbbusy);  // the next run starts clean
  EXPECT_FALSE(state.LastCompletion());
  EXPECT_EQ(state.Serial(), "");
}

}  // namespace
}  // namespace tester
