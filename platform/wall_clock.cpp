#include "platform/wall_clock.h"

#include <cstdio>
#include <cstdlib>

namespace tester {
namespace {

constexpr int64_t kMicrosPerSecond = 1'000'000;
constexpr int kMinutesPerHour = 60;

}  // namespace

std::string WallClockText(const EventPump& pump) {
  const CivilDate date = pump.Today();
  const int64_t of_day = pump.Now() % kMicrosPerDay;
  const int64_t seconds = of_day / kMicrosPerSecond;
  const int64_t millis = (of_day % kMicrosPerSecond) / kMicrosPerMs;
  const int32_t offset = pump.UtcOffsetMinutes();
  const int32_t magnitude = std::abs(offset);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", date.year,
                date.month, date.day, static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60),
                static_cast<int>(millis), offset < 0 ? '-' : '+', magnitude / kMinutesPerHour,
                magnitude % kMinutesPerHour);
  return text;
}

}  // namespace tester
