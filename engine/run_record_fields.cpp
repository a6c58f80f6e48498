#include "engine/run_record_fields.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "common/automation_contract.h"
#include "common/status_codes.h"

namespace tester {
namespace {

constexpr int64_t kMicrosPerSecond = 1'000'000;
constexpr int kMinutesPerHour = 60;

}  // namespace

std::string StationName(const std::string& settings_file) {
  std::filesystem::path name = std::filesystem::path(settings_file).filename();
  if (name.extension() == ".ini") name.replace_extension();
  return name.string();
}

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

std::string FailureMessage(const std::vector<RunStep>& steps, int32_t err_code) {
  if (err_code == 0) return {};
  for (const RunStep& step : steps) {
    if (step.status == vb_cbfail) return step.text;
  }
  return {};
}

RunOutcome RunOutcomeOf(int32_t err_code, int32_t ext_err_code) {
  if (err_code == 0) return RunOutcome::kPass;
  if (err_code == kStatusUnexpectedFailure && ext_err_code == kStatusUnexpectedFailure) {
    return RunOutcome::kAborted;
  }
  if (err_code == kStatusVersionReadFailed) return RunOutcome::kError;
  if (ext_err_code != 0 && !IsOwnCode(ext_err_code)) return RunOutcome::kError;
  return RunOutcome::kFail;
}

}  // namespace tester
