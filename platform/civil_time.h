#pragma once
// Calendar arithmetic for the station clock: dates as day numbers, and the clock's reading
// as an absolute time that means the same after a restart, across midnight and whatever day
// the clock started on (for what a component keeps on disk, such as the reminder's last
// reset).
#include <cstdint>

#include "platform/event_pump.h"

namespace tester {

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(const CivilDate& date);
// The date `days` after 1970-01-01.
CivilDate CivilFromDays(int64_t days);

// Whole seconds since 1970-01-01 00:00 UTC on the pump's clock: its date and time of day,
// less its offset from UTC.
int64_t UtcSeconds(const EventPump& pump);

}  // namespace tester
