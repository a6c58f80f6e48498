#pragma once
// Real-time station clock on the Qt event loop. Waits run a nested event loop, so window
// events, timers, process pipes and incoming automation calls are served while a procedure
// waits, and the thread sleeps in the loop instead of spinning.
//
// Timers are Qt timers of the thread's event loop: they fire inside waits and pumps and in
// the program's own loop alike.
//
// A QCoreApplication (or QApplication) must exist before the first WaitMs, PumpOnce or
// StartTimer and outlive the pump; without one, waits fall back to sleeping and serve no
// events, and timers never fire.
#include <QElapsedTimer>
#include <functional>
#include <map>
#include <memory>

#include "platform/event_pump.h"

namespace tester {

class QtEventPump final : public EventPump {
public:
  // Reads the local time of day and the date once; from then on time is counted on the
  // monotonic clock, so a change of the system clock cannot make it jump.
  QtEventPump();

  int64_t Now() const override;
  void WaitMs(int64_t ms) override;
  void PumpOnce() override;
  // A simulated transfer's wire time: a real adapter's transfers take their time by
  // themselves, the virtual jig's take none, so the time is slept here (serving no events,
  // as a transfer does not). Transfers follow one another on the wire; the thread sleeps
  // only once they are more than kWireSlackUs ahead of the clock, so the sleeps' own
  // lateness does not add up over thousands of short transfers.
  void Elapse(int64_t micros) override;
  CivilDate Today() const override;
  int32_t UtcOffsetMinutes() const override;
  TimerId StartTimer(int64_t ms, std::function<void()> call, TimerKind kind) override;
  void StopTimer(TimerId id) override;

  ~QtEventPump() override;

private:
  class TimerHost;
  struct Timer {
    int qt_id = 0;
    TimerKind kind = TimerKind::kOneShot;
    std::shared_ptr<std::function<void()>> call;
  };

  // Sleeps in a nested event loop for about `ms` milliseconds (at least 1).
  void RunLoopFor(int64_t ms);
  void Fire(int qt_id);

  static constexpr int64_t kWireSlackUs = 1000;
  int64_t start_of_day_us_ = 0;
  int64_t wire_done_ns_ = 0;  // when the transfers so far are off the wire (timer time)
  QElapsedTimer elapsed_;
  std::unique_ptr<TimerHost> timer_host_;  // made on the first StartTimer
  TimerId next_timer_id_ = 1;
  std::map<TimerId, Timer> timers_;
  std::map<int, TimerId> by_qt_id_;
};

}  // namespace tester
