#pragma once
// The serial counter as the programs and the engineers' console see it: the SerialCounter
// contract plus what a jig's own tools need (seeding a fresh counter, the range, an
// account of the numbers). The programs hold a SerialStore and never a database type, so
// a counter on a database server shared by several jigs can take SQLite's place.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/serial_counter.h"
#include "components/serial_range.h"
#include "platform/event_pump.h"

namespace tester {

// One number handed out, and what became of it.
struct SerialEntry {
  int64_t serial = 0;
  SerialFate fate = SerialFate::kIssued;
  std::string station;    // the requester when it was issued
  std::string run;
  std::string issued_at;  // wall clock, ISO 8601 with offset
  std::string fate_at;    // when written / void was recorded; empty while issued
};

// What `gangwright serials` shows.
struct SerialSummary {
  SerialRange range;
  int64_t next = 0;       // the number NextSerial hands out next (> last: used up)
  bool seeded = false;    // SetStart was called at least once
  int64_t issued = 0;     // numbers still without a fate
  int64_t written = 0;
  int64_t voided = 0;
  std::vector<SerialEntry> latest;  // the last numbers handed out, newest first
};

class SerialStore : public SerialCounter {
public:
  // SetStart(n) when the counter was never started, else nothing: the station file's
  // NextSerialNumber seeds a fresh application folder only, and the counter's own record
  // rules after that. Checked and done in one transaction (two processes on a fresh folder
  // seed it once). Error text, empty = success.
  virtual std::string SeedIfFresh(int32_t n) = 0;

  // Sets the range; refused (error text) when it breaks the range rules or would write a
  // word a number issued outside it already wrote. A next number inside the new range
  // stands; otherwise the next is the first unused number at or above the range's first.
  virtual std::string SetRange(const SerialRange& range) = 0;

  // The counter's state and the `latest` last numbers; nullopt and `error` when the store
  // cannot be read.
  virtual std::optional<SerialSummary> Summary(int latest, std::string& error) = 0;
};

// The serial counter of the application folder `app_folder` (serials.db in it). Never
// null, never throws: a store that cannot be opened says so in SerialConfigError().
std::unique_ptr<SerialStore> OpenSerialStore(const std::string& app_folder,
                                             const EventPump& clock);

}  // namespace tester
