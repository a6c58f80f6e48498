#pragma once
// Virtual clock: waits advance time instantly, so a full production run takes
// milliseconds. Timers scheduled on it fire in time order as waits pass them.
#include <cstdint>
#include <functional>
#include <map>

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

  // Runs `callback` once the clock reaches Now() + delay_ms (inside a wait or pump).
  // Returns an id for CancelTimer.
  uint64_t ScheduleAfterMs(int64_t delay_ms, std::function<void()> callback);
  void CancelTimer(uint64_t id);
  // Called on every pump in addition to due timers (e.g. to serve Qt or pipe events).
  void SetPumpHook(std::function<void()> hook) { pump_hook_ = std::move(hook); }

private:
  void RunDueTimers();

  int64_t now_us_;
  CivilDate start_date_;
  uint64_t next_timer_id_ = 1;
  // (due time, id) -> callback: equal due times fire in scheduling order.
  std::map<std::pair<int64_t, uint64_t>, std::function<void()>> timers_;
  std::function<void()> pump_hook_;
  int32_t utc_offset_min_ = 0;
};

}  // namespace tester
