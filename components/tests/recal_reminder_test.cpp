#include "components/recal_reminder.h"

#include <gtest/gtest.h>

#include "platform/virtual_clock.h"
#include "testing/scratch_folder.h"

namespace tester {
namespace {

constexpr int64_t kHourUs = 3600LL * 1'000'000;
constexpr int64_t kHourMs = 3'600'000;

class Window final : public ReminderListener {
public:
  void ReminderFired() override { ++fired; }
  int fired = 0;
};

struct ReminderFixture : ::testing::Test {
  test::ScratchFolder folder{"reminder"};
  Window window;

  void SetPeriodHours(int hours) {
    folder.Write("global.ini", "[Operator]\nRecalReminderHours=" + std::to_string(hours) + "\n");
  }
};

TEST_F(ReminderFixture, FallsDueWhenThePeriodHasPassedSinceTheReset) {
  SetPeriodHours(8);
  VirtualClock clock(20 * kHourUs, CivilDate{2026, 3, 31});
  RecalReminder reminder(folder.Path(), clock);
  reminder.SetListener(&window);
  EXPECT_TRUE(reminder.ReminderDue()) << "no reference update ever stored";
  reminder.ResetReminder();
  EXPECT_EQ(reminder.StoreError(), "");
  EXPECT_FALSE(reminder.ReminderDue());
  clock.WaitMs(8 * kHourMs - 1000);  // across midnight and the month's end
  EXPECT_FALSE(reminder.ReminderDue());
  EXPECT_EQ(window.fired, 0);
  clock.WaitMs(1000);
  EXPECT_TRUE(reminder.ReminderDue());
  EXPECT_EQ(window.fired, 1);
  clock.WaitMs(48 * kHourMs);
  EXPECT_EQ(window.fired, 1) << "fired once per falling due";
}

TEST_F(ReminderFixture, ARestartKeepsTheTimeOfTheLastReset) {
  SetPeriodHours(24);
  {
    VirtualClock evening(23 * kHourUs, CivilDate{2026, 1, 5});
    RecalReminder(folder.Path(), evening).ResetReminder();
  }
  // Restarted the next morning, 10 h later, on a clock that started that day.
  VirtualClock morning(9 * kHourUs, CivilDate{2026, 1, 6});
  {
    RecalReminder reminder(folder.Path(), morning);
    reminder.SetListener(&window);
    EXPECT_FALSE(reminder.ReminderDue());
    morning.WaitMs(14 * kHourMs);
    EXPECT_TRUE(reminder.ReminderDue());
    EXPECT_EQ(window.fired, 1);
  }
  RecalReminder again(folder.Path(), morning);
  EXPECT_TRUE(again.ReminderDue()) << "a restart does not reset the reminder";
}

TEST_F(ReminderFixture, OffOrZeroPeriodIsNeverDueAndABackwardClockIsDue) {
  SetPeriodHours(0);
  VirtualClock clock(12 * kHourUs, CivilDate{2026, 6, 1});
  RecalReminder reminder(folder.Path(), clock);
  EXPECT_FALSE(reminder.ReminderDue());
  SetPeriodHours(1);
  reminder.EnableReminder(false);
  reminder.SetListener(&window);
  clock.WaitMs(2 * kHourMs);
  EXPECT_FALSE(reminder.ReminderDue());
  reminder.EnableReminder(true);
  EXPECT_TRUE(reminder.ReminderDue());
  reminder.ResetReminder();
  EXPECT_EQ(window.fired, 0);

  VirtualClock earlier(12 * kHourUs, CivilDate{2026, 5, 31});  // the clock was set back
  RecalReminder restarted(folder.Path(), earlier);
  EXPECT_TRUE(restarted.ReminderDue());
}

TEST_F(ReminderFixture, AResetThatCannotBeStoredHoldsUntilTheRestart) {
  SetPeriodHours(1);
  folder.Folder("reminder.ini");  // a folder where the file belongs
  VirtualClock clock;
  RecalReminder reminder(folder.Path(), clock);
  reminder.ResetReminder();
  EXPECT_NE(reminder.StoreError(), "");
  EXPECT_FALSE(reminder.ReminderDue());
  EXPECT_TRUE(RecalReminder(folder.Path(), clock).ReminderDue());
}

}  // namespace
}  // namespace tester
