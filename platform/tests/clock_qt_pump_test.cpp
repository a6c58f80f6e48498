// The real-time pump on the Qt event loop. The only tests here that take real time; the
// waits are a few tens of milliseconds.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <memory>

#include "platform/qt/qt_event_pump.h"
#include "platform/qt/station_clock.h"

namespace tester {
namespace {

class QtPump : public ::testing::Test {
protected:
  void SetUp() override {
    if (QCoreApplication::instance() == nullptr) {
      app_ = std::make_unique<QCoreApplication>(argc_, argv_);
    }
  }

  int argc_ = 1;
  char name_[12] = "clock_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QCoreApplication> app_;
};

TEST_F(QtPump, WaitIsNeverShortAndServesEventsMeanwhile) {
  QtEventPump pump;
  bool posted_served = false;
  bool timer_fired = false;
  QTimer::singleShot(0, [&] { posted_served = true; });
  QTimer::singleShot(10, [&] { timer_fired = true; });
  const int64_t start = pump.Now();
  pump.WaitMs(30);
  const int64_t waited = pump.Now() - start;
  EXPECT_GE(waited, 30 * kMicrosPerMs);
  EXPECT_LT(waited, 1000 * kMicrosPerMs);
  EXPECT_TRUE(posted_served);
  EXPECT_TRUE(timer_fired);
}

// A loader that is busy for 40 ms is probed by back-to-back transfers whose wire time
// must cover the busy time on the real clock too.
TEST_F(QtPump, WireTimeOfSimulatedTransfersPassesInRealTimeWithoutServingEvents) {
  QtEventPump pump;
  bool served = false;
  QTimer::singleShot(0, [&] { served = true; });
  const int64_t start = pump.Now();
  for (int i = 0; i < 100; ++i) pump.Elapse(450);  // 100 word reads of 450 us
  const int64_t passed = pump.Now() - start;
  EXPECT_GE(passed, 45 * kMicrosPerMs - 1000) << "at most the slack may still be on the wire";
  EXPECT_LT(passed, 1000 * kMicrosPerMs);
  EXPECT_FALSE(served) << "a transfer serves no events";
}

TEST_F(QtPump, VirtualStationClockServesQtEventsOnItsPumps) {
  ASSERT_EQ(ParseClockKind("virtual"), ClockKind::kVirtual);
  std::unique_ptr<VirtualClock> clock = MakeVirtualClockAtLocalTime();
  bool served = false;
  QTimer::singleShot(0, [&] { served = true; });
  const int64_t start = clock->Now();
  clock->WaitMs(60'000);  // a minute of virtual time
  EXPECT_TRUE(served);
  EXPECT_EQ(clock->Now() - start, 60'000 * kMicrosPerMs);
}

TEST_F(QtPump, PeriodicTimerTicksUntilStoppedAndOneShotFiresOnce) {
  QtEventPump pump;
  int ticks = 0;
  int once = 0;
  const TimerId tick = pump.StartTimer(5, [&] { ++ticks; }, TimerKind::kPeriodic);
  pump.StartTimer(5, [&] { ++once; }, TimerKind::kOneShot);
  pump.WaitMs(40);
  EXPECT_GE(ticks, 2);
  EXPECT_EQ(once, 1);
  pump.StopTimer(tick);
  const int stopped_at = ticks;
  pump.WaitMs(20);
  EXPECT_EQ(ticks, stopped_at);
}

// The engine's deferred run under `ardentis --automation` on the virtual clock: started
// while the program sits in its own event loop, the timer fires there, at its virtual time.
TEST_F(QtPump, VirtualStationClockFiresTimersWhileTheProgramIsIdle) {
  std::unique_ptr<VirtualClock> clock = MakeVirtualClockAtLocalTime();
  const int64_t start = clock->Now();
  int64_t fired_after = -1;
  QEventLoop loop;
  clock->StartTimer(
      10,
      [&] {
        fired_after = clock->Now() - start;
        loop.quit();
      },
      TimerKind::kOneShot);
  QTimer::singleShot(2000, &loop, &QEventLoop::quit);  // a bound, should it never fire
  loop.exec();
  EXPECT_EQ(fired_after, 10 * kMicrosPerMs);
}

TEST(StationClock, UnknownClockChoiceIsRefused) {
  EXPECT_EQ(ParseClockKind(nullptr), ClockKind::kReal);
  EXPECT_EQ(ParseClockKind(""), ClockKind::kReal);
  EXPECT_EQ(ParseClockKind("Virtual "), std::nullopt);
}

}  // namespace
}  // namespace tester
