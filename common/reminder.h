#pragma once
// The recalibration reminder: falls due some time after the reference values were last
// updated; while due, no test may start.
namespace tester {

class ReminderListener {
public:
  virtual ~ReminderListener() = default;
  // The reminder has just fallen due.
  virtual void ReminderFired() = 0;
};

class clsReminder {
public:
  virtual ~clsReminder() = default;

  // The window to tell when the reminder falls due, or nullptr. Not owned.
  virtual void SetListener(ReminderListener* listener) = 0;

  // false switches the reminder off (it is then never due), true on.
  virtual void EnableReminder(bool enable) = 0;
  // Restarts the period after the reference values were updated.
  virtual void ResetReminder() = 0;
  // true: no test may start.
  virtual bool ReminderDue() = 0;
};

}  // namespace tester
