#include "platform/qt/station_clock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>
#include <algorithm>
#include <limits>
#include <string_view>

#include "platform/qt/qt_event_pump.h"

namespace tester {

std::optional<ClockKind> ParseClockKind(const char* value) {
  const std::string_view text = value == nullptr ? std::string_view() : std::string_view(value);
  if (text.empty() || text == "real") return ClockKind::kReal;
  if (text == "virtual") return ClockKind::kVirtual;
  return std::nullopt;
}

std::unique_ptr<VirtualClock> MakeVirtualClockAtLocalTime() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate date = now.date();
  auto clock = std::make_unique<VirtualClock>(
      static_cast<int64_t>(now.time().msecsSinceStartOfDay()) * kMicrosPerMs,
      CivilDate{date.year(), date.month(), date.day()});
  clock->SetUtcOffsetMinutes(now.offsetFromUtc() / 60);
  clock->SetPumpHook([] {
    if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents();
  });
  // Idle time passes in real time: one Qt timer, re-armed for whatever the earliest
  // virtual timer needs. It lives as long as the clock keeps the driver.
  VirtualClock* raw = clock.get();
  auto idle = std::make_shared<std::unique_ptr<QTimer>>();
  clock->SetIdleDriver([raw, idle](int64_t ms_left) {
    if (ms_left < 0) {
      if (*idle) (*idle)->stop();
      return;
    }
    if (QCoreApplication::instance() == nullptr) return;  // no loop to be idle in
    if (!*idle) {
      *idle = std::make_unique<QTimer>();
      (*idle)->setSingleShot(true);
      (*idle)->setTimerType(Qt::PreciseTimer);
      QObject::connect(idle->get(), &QTimer::timeout, [raw] { raw->RunIdleTimers(); });
    }
    const int64_t longest = std::numeric_limits<int>::max();  // a QTimer's interval is an int
    (*idle)->start(static_cast<int>(std::min(ms_left, longest)));
  });
  return clock;
}

std::unique_ptr<EventPump> MakeStationClock(ClockKind kind) {
  if (kind == ClockKind::kVirtual) return MakeVirtualClockAtLocalTime();
  return std::make_unique<QtEventPump>();
}

}  // namespace tester
