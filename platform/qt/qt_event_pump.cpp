#include "platform/qt/qt_event_pump.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QEventLoop>
#include <QTimer>
#include <QTimerEvent>
#include <algorithm>
#include <chrono>
#include <limits>
#include <thread>

namespace tester {
namespace {

// Longest single timer of a wait; longer waits loop (a QTimer interval is an int of ms).
constexpr int64_t kMaxTimerMs = 3'600'000;
// Nanoseconds of the monotonic timer per microsecond / millisecond.
constexpr int64_t kNanosPerMicro = 1000;
constexpr int64_t kNanosPerMs = 1'000'000;
// What QEventLoop::exec returns when it does not run (the application is quitting).
constexpr int kLoopRefused = -1;

}  // namespace

// Receives the Qt timer events of the pump's timers. Qt timer ids are reused once a timer
// is killed, so they are mapped to ids of our own that never are.
class QtEventPump::TimerHost final : public QObject {
public:
  explicit TimerHost(QtEventPump& pump) : pump_(pump) {}

protected:
  void timerEvent(QTimerEvent* event) override { pump_.Fire(event->timerId()); }

private:
  QtEventPump& pump_;
};

QtEventPump::QtEventPump() {
  const QDateTime start = QDateTime::currentDateTime();
  elapsed_.start();
  start_of_day_us_ = static_cast<int64_t>(start.time().msecsSinceStartOfDay()) * kMicrosPerMs;
}

int64_t QtEventPump::Now() const {
  return start_of_day_us_ + elapsed_.nsecsElapsed() / kNanosPerMicro;
}

void QtEventPump::WaitMs(int64_t ms) {
  const int64_t deadline_ns = elapsed_.nsecsElapsed() + std::max<int64_t>(ms, 0) * kNanosPerMs;
  PumpOnce();
  // A timer may fire a little early or a nested wait may end the loop; wait again for
  // what is left, rounded up to whole milliseconds, until the deadline has passed.
  for (;;) {
    const int64_t left_ns = deadline_ns - elapsed_.nsecsElapsed();
    if (left_ns <= 0) return;
    RunLoopFor(std::min((left_ns + kNanosPerMs - 1) / kNanosPerMs, kMaxTimerMs));
  }
}

void QtEventPump::Elapse(int64_t micros) {
  if (micros <= 0) return;
  const int64_t now_ns = elapsed_.nsecsElapsed();
  wire_done_ns_ = std::max(wire_done_ns_, now_ns) + micros * kNanosPerMicro;
  const int64_t ahead_ns = wire_done_ns_ - now_ns;
  if (ahead_ns < kWireSlackUs * kNanosPerMicro) return;
  std::this_thread::sleep_for(std::chrono::nanoseconds(ahead_ns));
}

void QtEventPump::PumpOnce() {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents();
}

CivilDate QtEventPump::Today() const {
  const QDate today = QDate::currentDate();
  return CivilDate{today.year(), today.month(), today.day()};
}

int32_t QtEventPump::UtcOffsetMinutes() const {
  return QDateTime::currentDateTime().offsetFromUtc() / 60;
}

QtEventPump::~QtEventPump() = default;  // the host's timers die with it

TimerId QtEventPump::StartTimer(int64_t ms, std::function<void()> call, TimerKind kind) {
  if (!timer_host_) timer_host_ = std::make_unique<TimerHost>(*this);
  const int64_t least = kind == TimerKind::kPeriodic ? 1 : 0;
  const int interval = static_cast<int>(
      std::clamp<int64_t>(ms, least, std::numeric_limits<int>::max()));
  const TimerId id = next_timer_id_++;
  Timer timer;
  timer.qt_id = timer_host_->startTimer(interval, Qt::PreciseTimer);
  timer.kind = kind;
  timer.call = std::make_shared<std::function<void()>>(std::move(call));
  // Without an event loop (no QCoreApplication) Qt refuses the timer: it never fires.
  if (timer.qt_id != 0) by_qt_id_[timer.qt_id] = id;
  timers_.emplace(id, std::move(timer));
  return id;
}

void QtEventPump::StopTimer(TimerId id) {
  const auto found = timers_.find(id);
  if (found == timers_.end()) return;
  if (found->second.qt_id != 0) {
    timer_host_->killTimer(found->second.qt_id);
    by_qt_id_.erase(found->second.qt_id);
  }
  timers_.erase(found);
}

void QtEventPump::Fire(int qt_id) {
  const auto mapped = by_qt_id_.find(qt_id);
  if (mapped == by_qt_id_.end()) return;
  const TimerId id = mapped->second;
  // Kept alive here: the call may stop its own timer.
  const std::shared_ptr<std::function<void()>> call = timers_.at(id).call;
  if (timers_.at(id).kind == TimerKind::kOneShot) StopTimer(id);
  if (*call) (*call)();
}

void QtEventPump::RunLoopFor(int64_t ms) {
  if (QCoreApplication::instance() == nullptr) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return;
  }
  QEventLoop loop;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(static_cast<int>(ms));
  if (loop.exec() == kLoopRefused) {
    // Once the application has been told to quit, event loops refuse to start; serve
    // events until the timer fires instead, still sleeping while nothing happens.
    while (timer.isActive()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

}  // namespace tester
