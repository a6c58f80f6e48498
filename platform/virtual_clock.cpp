#include "platform/virtual_clock.h"

#include <algorithm>
#include <utility>

#include "platform/civil_time.h"

namespace tester {
namespace {

// Longest wait or timer delay taken as asked (about 31 years); longer ones are cut to it so
// that microsecond arithmetic cannot overflow.
constexpr int64_t kMaxDelayMs = 1'000'000'000'000LL;

int64_t DelayMicros(int64_t ms) { return std::clamp<int64_t>(ms, 0, kMaxDelayMs) * kMicrosPerMs; }

}  // namespace

VirtualClock::VirtualClock(int64_t start_of_day_us, CivilDate today)
    : now_us_(std::max<int64_t>(start_of_day_us, 0)), start_date_(today) {}

// Counts a wait, pump or idle run in progress; the idle driver hears of the timers once
// the outermost one has ended.
class VirtualClock::Busy {
public:
  explicit Busy(VirtualClock& clock) : clock_(clock) { ++clock_.depth_; }
  ~Busy() {
    if (--clock_.depth_ == 0) clock_.TellIdleDriver();
  }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

private:
  VirtualClock& clock_;
};

void VirtualClock::WaitMs(int64_t ms) {
  const Busy busy(*this);
  PumpOnce();
  const int64_t target = now_us_ + DelayMicros(ms);
  int64_t last_pass = now_us_;
  while (!timers_.empty()) {
    // Each pass serves the timers due at its instant; a timer that a callback arms for
    // "now" is served by the next pass, one microsecond later, so a timer that keeps
    // re-arming itself with no delay cannot hold the clock still.
    const int64_t next = std::max(timers_.begin()->first.first, last_pass + 1);
    if (next > target) break;
    now_us_ = std::max(now_us_, next);
    last_pass = now_us_;
    RunDueTimers();
  }
  // A callback may itself have waited past the target; the clock never goes back.
  now_us_ = std::max(now_us_, target);
}

void VirtualClock::PumpOnce() {
  const Busy busy(*this);
  if (pump_hook_) pump_hook_();
  RunDueTimers();
}

void VirtualClock::Elapse(int64_t micros) {
  now_us_ += std::clamp<int64_t>(micros, 0, kMaxDelayMs * kMicrosPerMs);
}

CivilDate VirtualClock::Today() const {
  return CivilFromDays(DaysFromCivil(start_date_) + now_us_ / kMicrosPerDay);
}

TimerId VirtualClock::StartTimer(int64_t ms, std::function<void()> call, TimerKind kind) {
  Timer timer;
  timer.id = next_timer_id_++;
  if (kind == TimerKind::kPeriodic) timer.interval_us = std::max(DelayMicros(ms), kMicrosPerMs);
  timer.call = std::make_shared<std::function<void()>>(std::move(call));
  const TimerId id = timer.id;
  Arm(now_us_ + DelayMicros(ms), std::move(timer));
  TellIdleDriver();
  return id;
}

void VirtualClock::StopTimer(TimerId id) {
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->second.id == id) {
      timers_.erase(it);
      TellIdleDriver();
      return;
    }
  }
}

void VirtualClock::SetIdleDriver(std::function<void(int64_t)> driver) {
  idle_driver_ = std::move(driver);
  told_due_us_ = kNothingTold;
  TellIdleDriver();
}

void VirtualClock::RunIdleTimers() {
  if (depth_ > 0) return;
  const Busy busy(*this);
  told_due_us_ = kNothingTold;  // whatever was told has been acted on
  if (timers_.empty()) return;
  now_us_ = std::max(now_us_, timers_.begin()->first.first);
  RunDueTimers();
}

void VirtualClock::Arm(int64_t due_us, Timer timer) {
  timers_.emplace(std::make_pair(due_us, next_arming_++), std::move(timer));
}

void VirtualClock::RunDueTimers() {
  // Only timers armed before the pass began; the instant is fixed at its start, as a
  // callback may wait and move the clock on.
  const uint64_t first_new_arming = next_arming_;
  const int64_t instant = now_us_;
  for (;;) {
    auto it = timers_.begin();
    while (it != timers_.end() && it->first.first <= instant &&
           it->first.second >= first_new_arming) {
      ++it;
    }
    if (it == timers_.end() || it->first.first > instant) return;
    const int64_t due = it->first.first;
    Timer timer = std::move(it->second);
    timers_.erase(it);
    // The call is kept alive here: it may stop its own timer.
    const std::shared_ptr<std::function<void()>> call = timer.call;
    // A periodic timer is armed again before its call, from its own due time, so the call
    // can stop it and a call that waits does not shift the ticks after it.
    if (timer.interval_us > 0) Arm(due + timer.interval_us, std::move(timer));
    if (*call) (*call)();
  }
}

void VirtualClock::TellIdleDriver() {
  if (!idle_driver_ || depth_ > 0) return;
  const int64_t due = timers_.empty() ? kToldNoTimer : timers_.begin()->first.first;
  if (due == told_due_us_) return;
  told_due_us_ = due;
  if (timers_.empty()) {
    idle_driver_(-1);
    return;
  }
  const int64_t left_us = std::max<int64_t>(due - now_us_, 0);
  idle_driver_((left_us + kMicrosPerMs - 1) / kMicrosPerMs);
}

}  // namespace tester
