#include "platform/civil_time.h"

namespace tester {
namespace {

constexpr int64_t kMicrosPerSecond = 1'000'000;
constexpr int64_t kSecondsPerDay = 86'400;

}  // namespace

// Era-based, exact for any year.
int64_t DaysFromCivil(const CivilDate& date) {
  const int64_t y = date.year - (date.month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t year_of_era = y - era * 400;
  const int64_t month_from_march = (date.month + 9) % 12;
  const int64_t day_of_year = (153 * month_from_march + 2) / 5 + date.day - 1;
  const int64_t day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

CivilDate CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t day_of_era = days - era * 146097;
  const int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int64_t month_from_march = (5 * day_of_year + 2) / 153;
  const int day = static_cast<int>(day_of_year - (153 * month_from_march + 2) / 5 + 1);
  const int month = static_cast<int>(month_from_march < 10 ? month_from_march + 3
                                                           : month_from_march - 9);
  const int year = static_cast<int>(year_of_era + era * 400 + (month <= 2 ? 1 : 0));
  return CivilDate{year, month, day};
}


int64_t UtcSeconds(const EventPump& pump) {
  // Read the time of day on both sides of the date, so a midnight between the reads
  // cannot pair one day's date with the next day's time.
  int64_t before = pump.Now();
  CivilDate date = pump.Today();
  int64_t after = pump.Now();
  while (before / kMicrosPerDay != after / kMicrosPerDay) {
    before = after;
    date = pump.Today();
    after = pump.Now();
  }
  const int64_t local = DaysFromCivil(date) * kSecondsPerDay +
                        (after % kMicrosPerDay) / kMicrosPerSecond;
  return local - int64_t{pump.UtcOffsetMinutes()} * 60;
}

}  // namespace tester
