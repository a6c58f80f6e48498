// The virtual clock: waits that move time on, timers in time order, midnight and dates.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/virtual_clock.h"

namespace tester {
namespace {

TEST(VirtualClock, WaitServesEventsFirstThenTimersInTimeOrder) {
  VirtualClock clock(0);
  std::vector<std::string> log;
  const auto note = [&](const char* what) {
    return [&log, &clock, what] { log.push_back(what + std::to_string(clock.Now())); };
  };
  clock.SetPumpHook(note("pump@"));
  clock.ScheduleAfterMs(30, note("c@"));
  clock.ScheduleAfterMs(10, note("a@"));
  clock.ScheduleAfterMs(10, note("b@"));
  clock.ScheduleAfterMs(10, [&] { clock.ScheduleAfterMs(5, note("new@")); });
  clock.ScheduleAfterMs(50, note("late@"));
  clock.CancelTimer(clock.ScheduleAfterMs(20, note("cancelled@")));
  clock.WaitMs(30);
  EXPECT_EQ(clock.Now(), 30'000);
  EXPECT_EQ(log, (std::vector<std::string>{"pump@0", "a@10000", "b@10000", "new@15000",
                                           "c@30000"}));
}

TEST(VirtualClock, ElapseMovesTimeWithoutServingEvents) {
  VirtualClock clock(0);
  int hooks = 0;
  int fired = 0;
  clock.SetPumpHook([&] { ++hooks; });
  clock.ScheduleAfterMs(1, [&] { ++fired; });
  clock.Elapse(5'000);
  EXPECT_EQ(clock.Now(), 5'000);
  EXPECT_EQ(hooks + fired, 0);
  clock.WaitMs(-5);  // a wait of nothing still serves events once, the overdue timer too
  EXPECT_EQ(hooks, 1);
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(clock.Now(), 5'000);
}

TEST(VirtualClock, NestedWaitsNeverTurnTimeBack) {
  VirtualClock clock(0);
  clock.ScheduleAfterMs(10, [&] { clock.WaitMs(100); });  // a run started from a timer
  clock.WaitMs(20);
  EXPECT_EQ(clock.Now(), 110'000);
}

TEST(VirtualClock, SelfRearmingZeroDelayTimerCannotHoldTheClock) {
  VirtualClock clock(0);
  int fired = 0;
  std::function<void()> rearm = [&] {
    ++fired;
    clock.ScheduleAfterMs(0, rearm);
  };
  clock.ScheduleAfterMs(0, rearm);
  clock.PumpOnce();
  EXPECT_EQ(fired, 1);
  clock.WaitMs(1);
  EXPECT_EQ(clock.Now(), 1'000);
}

TEST(VirtualClock, WaitAcrossMidnightWrapsTimeOfDayAndAdvancesTheDate) {
  VirtualClock clock(86'399'500'000, CivilDate{2026, 1, 5});
  const double start = SecondsSinceMidnight(clock);
  clock.WaitMs(1000);
  const double now = SecondsSinceMidnight(clock);
  EXPECT_DOUBLE_EQ(now, 0.5);
  EXPECT_EQ(clock.Today(), (CivilDate{2026, 1, 6}));
  // Elapsed time on the seconds-since-midnight clock, as the waits compute it.
  EXPECT_DOUBLE_EQ(now < start ? now + 86'400 - start : now - start, 1.0);
}

TEST(VirtualClock, DatesRollOverMonthsYearsAndLeapDays) {
  const int64_t day_ms = kMicrosPerDay / kMicrosPerMs;
  VirtualClock leap(0, CivilDate{2024, 2, 28});
  leap.WaitMs(day_ms);
  EXPECT_EQ(leap.Today(), (CivilDate{2024, 2, 29}));
  VirtualClock century(0, CivilDate{2100, 2, 28});  // not a leap year
  century.WaitMs(day_ms);
  EXPECT_EQ(century.Today(), (CivilDate{2100, 3, 1}));
  VirtualClock year_end(kMicrosPerDay - 1, CivilDate{2025, 12, 31});
  year_end.Elapse(1);
  EXPECT_EQ(year_end.Today(), (CivilDate{2026, 1, 1}));
  year_end.WaitMs(365 * day_ms);
  EXPECT_EQ(year_end.Today(), (CivilDate{2027, 1, 1}));
}

}  // namespace
}  // namespace tester
