#pragma once
// Virtual clock: waits advance time instantly, so a full production run takes
// milliseconds. Timers started on it fire in time order as waits pass them.
//
// Idle time. Inside a wait or pump the clock moves on to each timer as the wait passes
// it. Outside them the program sits in its own event loop (the automation server between
// calls, a window between clicks) and nothing would move virtual time, so a timer started
// there would never fire. For that the program's loop installs an idle driver: whenever,
// outside every wait and pump, the earliest timer changes, the clock tells the driver how
// many milliseconds are left until it (or -1: no timer left), and the driver calls
// RunIdleTimers that much real time later. The clock then moves on to the timer's due
// time and serves it as a wait would. So while the program is idle its timers fire at the
// pace of real time — a deferred run starts 10 ms later, a periodic timer ticks at its real
// rate instead of spinning through days — with the clock at each timer's due time, and
// inside waits time passes instantly. Without a driver (tests), timers fire only inside
// waits and pumps.
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>

#include "platform/event_pump.h"

namespace tester {

class VirtualClock final : public EventPump {
public:
  // `start_of_day_us`: time of day at which the clock starts; `today`: its date.
  explicit VirtualClock(int64_t start_of_day_us = 8LL * 3600 * 1'000'000,
                        CivilDate today = CivilDate{2026, 1, 5});

  int64_t Now() const override { return now_us_; }
  void WaitMs(int64_t ms) override;
  void PumpOnce() override;
  void Elapse(int64_t micros) override;
  CivilDate Today() const override;
  int32_t UtcOffsetMinutes() const override { return utc_offset_min_; }
  void SetUtcOffsetMinutes(int32_t minutes) { utc_offset_min_ = minutes; }
  TimerId StartTimer(int64_t ms, std::function<void()> call, TimerKind kind) override;
  void StopTimer(TimerId id) override;

  // Called on every pump in addition to due timers (e.g. to serve Qt or pipe events).
  void SetPumpHook(std::function<void()> hook) { pump_hook_ = std::move(hook); }
  // See "Idle time" above; the driver is told at once about the timers there are now.
  void SetIdleDriver(std::function<void(int64_t ms_left)> driver);
  // The driver's call: outside every wait and pump, moves on to the earliest timer's due
  // time (never back) and serves the timers due then. Inside a wait or pump it does
  // nothing, as the wait serves them.
  void RunIdleTimers();

private:
  struct Timer {
    TimerId id = kNoTimer;
    int64_t interval_us = 0;  // 0: one-shot
    std::shared_ptr<std::function<void()>> call;
  };
  // (due time, arming order) -> timer: equal due times fire in the order they were armed.
  using Queue = std::map<std::pair<int64_t, uint64_t>, Timer>;

  class Busy;

  // What the idle driver was last told: nothing yet, no timer, or the earliest due time.
  static constexpr int64_t kNothingTold = std::numeric_limits<int64_t>::min();
  static constexpr int64_t kToldNoTimer = kNothingTold + 1;

  void Arm(int64_t due_us, Timer timer);
  void RunDueTimers();
  void TellIdleDriver();

  int64_t now_us_;
  CivilDate start_date_;
  TimerId next_timer_id_ = 1;
  uint64_t next_arming_ = 1;
  Queue timers_;
  int depth_ = 0;  // waits, pumps and idle runs in progress
  std::function<void()> pump_hook_;
  int32_t utc_offset_min_ = 0;
  std::function<void(int64_t)> idle_driver_;
  int64_t told_due_us_ = kNothingTold;
};

}  // namespace tester
