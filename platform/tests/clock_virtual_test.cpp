// The virtual clock: waits that move time on, timers in time order, midnight and dates.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/virtual_clock.h"

namespace tester {
namespace {

constexpr TimerKind kOnce = TimerKind::kOneShot;

TEST(VirtualClock, WaitServesEventsFirstThenTimersInTimeOrder) {
  VirtualClock clock(0);
  std::vector<std::string> log;
  const auto note = [&](const char* what) {
    return [&log, &clock, what] { log.push_back(what + std::to_string(clock.Now())); };
  };
  clock.SetPumpHook(note("pump@"));
  clock.StartTimer(30, note("c@"), kOnce);
  clock.StartTimer(10, note("a@"), kOnce);
  clock.StartTimer(10, note("b@"), kOnce);
  clock.StartTimer(10, [&] { clock.StartTimer(5, note("new@"), kOnce); }, kOnce);
  clock.StartTimer(50, note("late@"), kOnce);
  clock.StopTimer(clock.StartTimer(20, note("cancelled@"), kOnce));
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
  clock.StartTimer(1, [&] { ++fired; }, kOnce);
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
  clock.StartTimer(10, [&] { clock.WaitMs(100); }, kOnce);  // a run started from a timer
  clock.WaitMs(20);
  EXPECT_EQ(clock.Now(), 110'000);
}

TEST(VirtualClock, SelfRearmingZeroDelayTimerCannotHoldTheClock) {
  VirtualClock clock(0);
  int fired = 0;
  std::function<void()> rearm = [&] {
    ++fired;
    clock.StartTimer(0, rearm, kOnce);
  };
  clock.StartTimer(0, rearm, kOnce);
  clock.PumpOnce();
  EXPECT_EQ(fired, 1);
  clock.WaitMs(1);
  EXPECT_EQ(clock.Now(), 1'000);
}

// The controller's temperature watch: a tick whose work waits does not push the later ticks
// back, a timer stopped from its own call does not tick again, a stopped one-shot never
// fires.
TEST(VirtualClock, PeriodicTimerTicksFromItsDueTimesUntilStopped) {
  VirtualClock clock(0);
  std::vector<int64_t> ticks;
  TimerId watch = kNoTimer;
  watch = clock.StartTimer(
      65535,
      [&] {
        ticks.push_back(clock.Now());
        clock.WaitMs(300);  // reading the temperatures takes a while
        if (ticks.size() == 3) clock.StopTimer(watch);
      },
      TimerKind::kPeriodic);
  int closed = 0;
  clock.StopTimer(clock.StartTimer(300, [&] { ++closed; }, kOnce));
  clock.WaitMs(10 * 65535);
  EXPECT_EQ(ticks, (std::vector<int64_t>{65'535'000, 131'070'000, 196'605'000}));
  EXPECT_EQ(closed, 0);
  EXPECT_EQ(clock.Now(), 10 * 65'535'000LL);
  clock.StopTimer(watch);  // stopped already: ignored
}

// A timer started outside every wait (the automation server idle between calls) reaches
// the idle driver, whose call moves the clock to it; inside waits the waits serve timers
// and the driver hears only of what is left afterwards.
TEST(VirtualClock, IdleDriverIsToldOfTimersOutsideWaitsAndItsCallRunsThem) {
  VirtualClock clock(0);
  std::vector<int64_t> told;
  clock.SetIdleDriver([&](int64_t ms_left) { told.push_back(ms_left); });
  std::vector<int64_t> blinks;
  const TimerId blink =
      clock.StartTimer(410, [&] { blinks.push_back(clock.Now()); }, TimerKind::kPeriodic);
  int runs = 0;
  clock.StartTimer(
      10,
      [&] {
        ++runs;
        clock.RunIdleTimers();  // inside the run: nothing happens
        clock.WaitMs(50);
      },
      kOnce);
  EXPECT_EQ(told, (std::vector<int64_t>{-1, 410, 10}));
  clock.RunIdleTimers();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(clock.Now(), 60'000) << "the invoker's 10 ms, then the run's own wait";
  EXPECT_EQ(told.back(), 350);
  clock.WaitMs(1000);
  EXPECT_EQ(blinks, (std::vector<int64_t>{410'000, 820'000}));
  EXPECT_EQ(told.back(), 170) << "told once the wait had ended";
  clock.RunIdleTimers();
  EXPECT_EQ(clock.Now(), 1'230'000);
  clock.StopTimer(blink);
  EXPECT_EQ(told.back(), -1);
  clock.RunIdleTimers();
  EXPECT_EQ(clock.Now(), 1'230'000);
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
