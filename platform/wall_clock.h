#pragma once
// The date and time of day of a station clock as text, for the time stamps of records,
// result-log rows and serial numbers.
#include <string>

#include "platform/event_pump.h"

namespace tester {

// The station clock's date and time of day as ISO 8601 with the local offset,
// e.g. "2026-01-05T08:00:00.000+01:00".
std::string WallClockText(const EventPump& pump);

}  // namespace tester
