#pragma once
// The serial counter in SQLite: serials.db in the application folder, shared by every
// process that uses the folder (docs/database.md has the schema).
//
//  - NextSerial allocates in one BEGIN IMMEDIATE transaction and returns only after the
//    commit (WAL, synchronous=FULL): a number handed out is on disk before any gauge holds
//    it, so a crash, kill -9 or power cut never hands it out again; processes queue for the
//    write lock and draw disjoint numbers.
//  - Every number handed out keeps a row: fate issued, then written or void, with the
//    requester's station and run and the times. A number with a row is never handed out
//    again, whatever its fate; SetStart below such numbers starts at the first number at
//    or above it that has none.
//  - The range (first, last) lives in the database with the counter (default 1 to 65535)
//    and is set with SetRange (`gangwright serials --first N --last M`). NextSerial
//    never goes beyond last and never wraps.
//
// Construction never throws; what is wrong (the file unreadable, damaged or not writable,
// the range unsound or used up) is in SerialConfigError(). NextSerial throws ComponentError
// when it cannot hand out a number, leaving `n` as it was.
#include <string>

#include "components/serial_store.h"
#include "components/sqlite_connection.h"
#include "platform/event_pump.h"

namespace tester {

inline constexpr const char* kSerialDatabaseFile = "serials.db";

class SqliteSerialCounter : public SerialStore {
public:
  // `clock` gives the time stamps of the numbers (only its date and time are read).
  SqliteSerialCounter(const std::string& app_folder, const EventPump& clock);

  void SetStart(int32_t n) override;
  void NextSerial(int32_t& n) override;
  std::string SerialConfigError() override;
  void SetRequester(const std::string& station, const std::string& run) override;
  std::string RecordFate(int32_t n, SerialFate fate) override;

  std::string SeedIfFresh(int32_t n) override;
  std::string SetRange(const SerialRange& range) override;
  std::optional<SerialSummary> Summary(int latest, std::string& error) override;

private:
  struct CounterRow {
    SerialRange range;
    int64_t next = 0;
    bool seeded = false;
  };
  bool CreateSchema(std::string& error);
  std::optional<CounterRow> ReadCounter(std::string& error);
  // The first number at or above `from` that no row holds.
  std::optional<int64_t> FirstUnused(int64_t from, std::string& error);
  bool StoreNext(int64_t next, bool seeded, std::string& error);
  std::string StartAt(int32_t n);  // SetStart inside an open transaction

  const EventPump& clock_;
  SqliteConnection db_;
  std::string open_error_;  // why the store cannot be used; empty when it can
  std::string station_;
  std::string run_;
};

}  // namespace tester
