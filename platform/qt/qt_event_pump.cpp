#include "platform/qt/qt_event_pump.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
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
