#include "platform/qt/station_clock.h"

#include <QCoreApplication>
#include <QDateTime>
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
  return clock;
}

std::unique_ptr<EventPump> MakeStationClock(ClockKind kind) {
  if (kind == ClockKind::kVirtual) return MakeVirtualClockAtLocalTime();
  return std::make_unique<QtEventPump>();
}

}  // namespace tester
