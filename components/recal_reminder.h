#pragma once
// The recalibration reminder (clsReminder): falls due RecalReminderHours after the last
// reference update, and then no test may start until the next update resets it.
//
// - Period: [Operator] RecalReminderHours of global.ini in the application folder, default
//   24; 0 switches the reminder off for good (never due). Read on every ReminderDue and
//   reset, so an edited period holds from the next check on.
// - Last reset: reminder.ini in the application folder ([Reminder] LastResetUtc, whole
//   seconds since 1970-01-01 UTC from the station clock's date, time of day and UTC offset),
//   written atomically on every ResetReminder. So a restart does not reset the reminder, and
//   midnight, the day the clock started and a change of the local offset make no difference.
// - Due when: enabled, the period is not 0, and either no reset was ever stored (a fresh
//   folder: the references were never entered), the stored time lies ahead of the clock
//   (the clock was set back: the references cannot be trusted to be recent), or the period
//   has passed since it. An unreadable reminder.ini counts as never reset.
// - EnableReminder(false) makes it never due until EnableReminder(true); that is not stored
//   (the controller decides at every start-up).
// - ReminderFired goes to the listener each time the reminder falls due while enabled,
//   found by a timer on the event pump that checks at the due time (at least every hour).
// - A reset that cannot be stored still counts for this run of the program (the operator has
//   just entered the references); StoreError() says why, and after a restart it is due.
//
//   RecalReminder reminder(program_folder, pump);
//   reminder.SetListener(&window);  // ReminderFired -> UpdateStartButton
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/reminder.h"
#include "platform/event_pump.h"

namespace tester {

inline constexpr std::string_view kReminderFileName = "reminder.ini";

class RecalReminder final : public clsReminder {
public:
  RecalReminder(std::string program_folder, EventPump& pump);
  ~RecalReminder() override;
  RecalReminder(const RecalReminder&) = delete;
  RecalReminder& operator=(const RecalReminder&) = delete;

  void SetListener(ReminderListener* listener) override { listener_ = listener; }
  void EnableReminder(bool enable) override;
  void ResetReminder() override;
  bool ReminderDue() override;

  // Why the last ResetReminder could not be stored; empty when it was.
  const std::string& StoreError() const { return store_error_; }

private:
  int64_t PeriodSeconds() const;
  // Seconds until due; 0 = due now; nullopt = never (off, or period 0).
  std::optional<int64_t> SecondsLeft() const;
  // Starts the timer towards the due time, or stops it when nothing is ahead.
  void Arm();
  void OnTimer();
  std::string FilePath() const;

  std::string program_folder_;
  EventPump& pump_;
  ReminderListener* listener_ = nullptr;
  bool enabled_ = true;
  std::optional<int64_t> last_reset_;  // UTC seconds; nullopt: never reset
  std::string store_error_;
  TimerId timer_ = kNoTimer;
};

}  // namespace tester
