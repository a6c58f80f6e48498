#pragma once
// The station clock of a program: the real-time Qt pump, or with TESTER_CLOCK=virtual the
// virtual clock started at the current local time and date (whether the chosen gauge
// backend allows virtual time is for the program to check).
#include <memory>
#include <optional>
#include <string>

#include "platform/event_pump.h"
#include "platform/virtual_clock.h"

namespace tester {

enum class ClockKind { kReal, kVirtual };

// Reads a TESTER_CLOCK value: unset or empty, or "real", gives kReal; "virtual" gives
// kVirtual; anything else nullopt (the program reports it and stops).
std::optional<ClockKind> ParseClockKind(const char* value);

// A virtual clock starting at the local time of day and date read now, serving pending Qt
// events on every pump when a QCoreApplication exists, and driven by a Qt timer while the
// program is idle in its event loop (see "Idle time" in virtual_clock.h).
std::unique_ptr<VirtualClock> MakeVirtualClockAtLocalTime();

// The clock of the given kind (the real one needs a QCoreApplication to serve events).
std::unique_ptr<EventPump> MakeStationClock(ClockKind kind);

}  // namespace tester
