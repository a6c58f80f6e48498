// Waits of the gauge link: the station clock, pauses and the wait for a quiet bus.
#include "testing/replay_fixtures.h"

namespace tester {
namespace {

using LinkWaitTest = ReplayLinkTest;

constexpr int64_t kUsPerSecond = 1'000'000;

TEST(LinkClockTest, ElapsedTimeAcrossMidnightIsTheTimeWaited) {
  VirtualClock clock(kMicrosPerDay - kUsPerSecond / 2);  // 23:59:59.5
  StationSettings settings;
  GaugeLink link(clock, settings);
  const double start = link.TimerNow();
  EXPECT_DOUBLE_EQ(start, 86399.5);
  link.WaitMs(1000);
  EXPECT_NEAR(link.TimerNow(), 0.5, 1e-9);
  EXPECT_NEAR(link.ElapsedSeconds(start), 1.0, 1e-9);
}

TEST_F(LinkWaitTest, PauseBothPausesTheAdapterThenWaitsHere) {
  Replay("Pause ms=50\n");
  link.PauseBoth(50);
  EXPECT_EQ(ElapsedMs(), 100);  // the replayed adapter pause passes on the clock too
  ExpectTraceDone();
}

TEST_F(LinkWaitTest, QuietBusNeedsTwoClearStatusesOneWaitApart) {
  settings.USB_RESP_TIME = 10;
  Replay(R"(BusStatus -> 5
BusStatus -> 0
BusStatus -> 3
BusStatus -> 0
BusStatus -> 0
)");
  EXPECT_EQ(link.WaitBusIdle(10), 0);
  // Wait, polls 5 and 0, wait, poll 3 (back to polling), poll 0, wait, poll 0: 8 x 10 ms.
  EXPECT_EQ(ElapsedMs(), 80);
  ExpectTraceDone();
}

TEST_F(LinkWaitTest, BusThatNeverClearsGivesUpAfterTwoSecondsWithItsStatus) {
  settings.USB_RESP_TIME = 100;
  Replay(Repeat("BusStatus -> 9", 40));
  EXPECT_EQ(link.WaitBusIdle(100), 9);
  EXPECT_EQ(ElapsedMs(), GaugeLink::kBusIdleTimeoutMs);
  EXPECT_EQ(replay->Remaining().size(), 40u - 19u);  // polls at 200, 300, ... 2000 ms
  EXPECT_FALSE(replay->Diverged());
}

TEST_F(LinkWaitTest, BusThatNeverClearsWithoutStatusWaitStillEnds) {
  // A status wait of 0 ms lets no time pass on the virtual clock: the poll count bounds it.
  settings.USB_RESP_TIME = 0;
  Replay(Repeat("BusStatus -> 9", GaugeLink::kBusIdleTimeoutMs + 5));
  EXPECT_EQ(link.WaitBusIdle(0), 9);
  EXPECT_EQ(replay->Remaining().size(), 5u);
}

}  // namespace
}  // namespace tester
