#pragma once
// The gauge's manufacture date: one 16-bit word, bits 15..9 years since 1980, bits 8..5
// the month, bits 4..0 the day, i.e. (year - 1980) * 512 + month * 32 + day. Years from
// 2044 set bit 15, so those codes read as negative 16-bit values; the bit pattern is
// what the gauge stores.
#include <cstdint>

#include "common/status_codes.h"
#include "common/tester_config.h"
#include "platform/event_pump.h"

namespace tester {

inline constexpr int kDateCodeFirstYear = 1980;  // year 0 of the code
inline constexpr int kDateCodeLastYear = 2107;   // 1980 + 127, the largest seven-bit year
inline constexpr int kDateCodeYearShift = 9;     // bits 15..9: years since 1980
inline constexpr int kDateCodeMonthShift = 5;    // bits 8..5: month 1..12

// A date the code cannot carry (before 1980, after 2107, or not a calendar date) is
// refused, never clamped: a clamped date would be a wrong date stored without a word.
// The refusal reports the manufacture-date failure code, so the run fails at its date
// step with the code it uses for that step.
inline constexpr Status kStatusDateNotEncodable = kStatusMfrDateWriteFailed;

// True for a calendar date the code can carry.
bool IsEncodableDate(const CivilDate& date);

// Packs `date` into `code`; kStatusDateNotEncodable (code untouched) when it cannot.
Status EncodeDateCode(const CivilDate& date, int16_t& code);

// The date code a run writes: today's date on the station clock when UseCurrentDate is
// on (its low byte equals 1), else the fixed MfrDateCode as it stands.
Status MfrDateCodeForRun(const TesterConfigProperties& config, const EventPump& pump,
                         int16_t& code);

}  // namespace tester
