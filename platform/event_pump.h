#pragma once
// The one road to time: every wait and every timer of the programs goes through an
// EventPump. Implementations: the Qt event loop (real time) and the virtual clock (waits
// advance time instantly). Nothing else reads the system clock or sleeps.
#include <cstdint>
#include <functional>

namespace tester {

inline constexpr int64_t kMicrosPerMs = 1000;
inline constexpr int64_t kMicrosPerDay = 86'400'000'000LL;

struct CivilDate {
  int year = 2000;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  bool operator==(const CivilDate&) const = default;
};

// A one-shot timer fires once; a periodic one every interval until it is stopped, each due
// time counted from the one before (a late call does not push the later ones back).
enum class TimerKind { kOneShot, kPeriodic };

// Names a started timer; never kNoTimer, never reused by the same pump.
using TimerId = uint64_t;
inline constexpr TimerId kNoTimer = 0;

class EventPump {
public:
  virtual ~EventPump() = default;

  // Microseconds on the station clock: counted from local midnight of the day the
  // clock started, never going backwards. Time of day = Now() mod kMicrosPerDay.
  virtual int64_t Now() const = 0;
  // Waits at least `ms` milliseconds while serving pending events. Never returns
  // early, never spins the CPU. A negative or zero wait serves events once.
  virtual void WaitMs(int64_t ms) = 0;
  // Serves the events pending now, without waiting.
  virtual void PumpOnce() = 0;
  // Time spent inside a device operation (bus transfer time of the virtual jig): the
  // clock moves on by it without serving events (the virtual clock at once, the real
  // clock by sleeping, since a simulated transfer takes no real time of its own).
  virtual void Elapse(int64_t micros) = 0;
  // Today's local date on the station clock.
  virtual CivilDate Today() const = 0;
  // Local time minus UTC, in minutes (for the records' time stamps).
  virtual int32_t UtcOffsetMinutes() const { return 0; }

  // Starts a timer on this clock: `call` runs once `ms` milliseconds have passed on it (a
  // periodic timer: every `ms`, at least 1), always from the event loop, from inside a
  // wait or pump or from the program's own loop, never from inside StartTimer.
  virtual TimerId StartTimer(int64_t ms, std::function<void()> call, TimerKind kind) = 0;
  // The timer's call does not run again, also when its own call stops it. An id that names
  // no running timer (stopped already, a one-shot that has fired, kNoTimer) is ignored.
  virtual void StopTimer(TimerId id) = 0;
};

// Seconds since midnight, the resolution of Now().
inline double SecondsSinceMidnight(const EventPump& pump) {
  return static_cast<double>(pump.Now() % kMicrosPerDay) / 1e6;
}

}  // namespace tester
