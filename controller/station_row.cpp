#include "controller/station_row.h"

#include <cstdio>

#include "common/rounding.h"

namespace tester {

std::optional<int64_t> StationRow::ElapsedMs(int64_t now_us) const {
  if (running) return (now_us - started_us) / 1000;
  if (finished_us == 0 && started_us == 0) return std::nullopt;
  return (finished_us - started_us) / 1000;
}

std::optional<double> StationRow::Yield() const {
  const int completed = passed + failed;
  if (completed == 0) return std::nullopt;
  return static_cast<double>(passed) / completed;
}

std::string SecondsText(int64_t ms) {
  const int64_t tenths = RoundToInt64(static_cast<double>(ms) / 100.0);
  char text[32];
  std::snprintf(text, sizeof text, "%s%lld.%lld s", tenths < 0 ? "-" : "",
                static_cast<long long>((tenths < 0 ? -tenths : tenths) / 10),
                static_cast<long long>((tenths < 0 ? -tenths : tenths) % 10));
  return text;
}

std::string YieldText(const StationRow& row) {
  const std::optional<double> yield = row.Yield();
  if (!yield) return "-";
  char text[16];
  std::snprintf(text, sizeof text, "%.1f %%", *yield * 100.0);
  return text;
}

}  // namespace tester
