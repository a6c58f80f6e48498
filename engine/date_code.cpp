#include "engine/date_code.h"

namespace tester {
namespace {

constexpr int kMonthsPerYear = 12;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[kMonthsPerYear] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && IsLeapYear(year)) return 29;
  return kDays[month - 1];
}

}  // namespace

bool IsEncodableDate(const CivilDate& date) {
  if (date.year < kDateCodeFirstYear || date.year > kDateCodeLastYear) return false;
  if (date.month < 1 || date.month > kMonthsPerYear) return false;
  return date.day >= 1 && date.day <= DaysInMonth(date.year, date.month);
}

Status EncodeDateCode(const CivilDate& date, int16_t& code) {
  if (!IsEncodableDate(date)) return kStatusDateNotEncodable;
  const int years = date.year - kDateCodeFirstYear;
  const int packed = (years << kDateCodeYearShift) | (date.month << kDateCodeMonthShift) | date.day;
  code = static_cast<int16_t>(static_cast<uint16_t>(packed));
  return 0;
}

Status MfrDateCodeForRun(const TesterConfigProperties& config, const EventPump& pump,
                         int16_t& code) {
  if (!IsLowByteOn(config.UseCurrentDate)) {
    code = config.MfrDateCode;
    return 0;
  }
  return EncodeDateCode(pump.Today(), code);
}

}  // namespace tester
