#include "components/recal_reminder.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <utility>

#include "components/global_value.h"
#include "platform/atomic_file.h"
#include "platform/civil_time.h"
#include "platform/ini_document.h"
#include "platform/paths.h"

namespace tester {
namespace {

constexpr std::string_view kSection = "Reminder";
constexpr std::string_view kKey = "LastResetUtc";
constexpr int64_t kSecondsPerHour = 3600;
// Longest single timer: the reminder looks again at least this often, so a clock or
// period that changes meanwhile is noticed and no timer exceeds what a Qt timer holds.
constexpr int64_t kLongestCheckMs = 3'600'000;

std::optional<int64_t> ReadLastReset(const std::string& path) {
  const std::optional<std::string> text = ReadWholeFile(path, nullptr);
  if (!text) return std::nullopt;
  const std::string value = IniDocument::Parse(*text).Value(kSection, kKey).value_or("");
  int64_t seconds = 0;
  const auto done = std::from_chars(value.data(), value.data() + value.size(), seconds);
  if (value.empty() || done.ec != std::errc{} || done.ptr != value.data() + value.size()) {
    return std::nullopt;
  }
  return seconds;
}

// "2026-01-05 08:00:00 UTC", for people reading the file.
std::string UtcText(int64_t seconds) {
  const int64_t days = (seconds >= 0 ? seconds : seconds - 86'399) / 86'400;
  const int64_t of_day = seconds - days * 86'400;
  const CivilDate date = CivilFromDays(days);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d UTC", date.year, date.month,
                date.day, static_cast<int>(of_day / 3600), static_cast<int>(of_day / 60 % 60),
                static_cast<int>(of_day % 60));
  return text;
}

}  // namespace

RecalReminder::RecalReminder(std::string program_folder, EventPump& pump)
    : program_folder_(std::move(program_folder)), pump_(pump) {
  last_reset_ = ReadLastReset(FilePath());
  Arm();
}

RecalReminder::~RecalReminder() { pump_.StopTimer(timer_); }

std::string RecalReminder::FilePath() const {
  return JoinProgramPath(program_folder_, std::string(kReminderFileName));
}

int64_t RecalReminder::PeriodSeconds() const {
  return GlobalNumber(program_folder_, "RecalReminderHours") * kSecondsPerHour;
}

std::optional<int64_t> RecalReminder::SecondsLeft() const {
  const int64_t period = PeriodSeconds();
  if (!enabled_ || period <= 0) return std::nullopt;
  if (!last_reset_) return 0;
  const int64_t now = UtcSeconds(pump_);
  if (now < *last_reset_) return 0;
  return std::max<int64_t>(0, *last_reset_ + period - now);
}

bool RecalReminder::ReminderDue() {
  const std::optional<int64_t> left = SecondsLeft();
  return left && *left == 0;
}

void RecalReminder::EnableReminder(bool enable) {
  enabled_ = enable;
  Arm();
}

void RecalReminder::ResetReminder() {
  last_reset_ = UtcSeconds(pump_);
  IniDocument doc;
  doc.AppendLines({"; Recalibration reminder: when the reference values were last updated,",
                   "; in seconds since 1970-01-01 UTC (" + UtcText(*last_reset_) + ")."});
  doc.AppendSection(kSection, {});
  doc.Set(kSection, kKey, std::to_string(*last_reset_));
  store_error_.clear();
  if (!WriteFileAtomically(FilePath(), doc.Render(), &store_error_)) {
    store_error_ = "The reminder's reset was not stored: " + store_error_;
  }
  Arm();
}

void RecalReminder::Arm() {
  pump_.StopTimer(timer_);
  timer_ = kNoTimer;
  const std::optional<int64_t> left = SecondsLeft();
  if (!left || *left == 0) return;  // nothing ahead: off, or due already
  const int64_t ms = std::min(*left * 1000, kLongestCheckMs);
  timer_ = pump_.StartTimer(ms, [this] { OnTimer(); }, TimerKind::kOneShot);
}

void RecalReminder::OnTimer() {
  timer_ = kNoTimer;
  if (ReminderDue()) {
    if (listener_ != nullptr) listener_->ReminderFired();
    return;
  }
  Arm();
}

}  // namespace tester
