#pragma once
// The result log in SQLite: results.db in the application folder, one row per run, one per
// step, one per measurement (docs/database.md has the schema). A run is stored in one
// transaction with its steps and measurements, committed before AddToLog returns; a log
// that cannot store it (damaged or read-only file, a lock held too long, a full disk)
// returns the reason and keeps nothing half-written.
#include <string>
#include <vector>

#include "components/result_store.h"
#include "components/sqlite_connection.h"

namespace tester {

inline constexpr const char* kResultDatabaseFile = "results.db";

class SqliteTesterLog : public ResultStore {
public:
  // `clock` gives the time each run is logged at. Never throws.
  SqliteTesterLog(const std::string& app_folder, const EventPump& clock);

  void InitStations(std::span<const std::string> names, int16_t count) override;
  std::string AddToLog(const std::string& sStationName, const std::string& sSerial,
                       Status nErrCode, Status nExtErrCode, const std::string& sLogFile,
                       const std::string& sCustomLogStr, const RunRecord* record) override;

  std::optional<std::vector<LoggedRun>> Runs(const RunFilter& filter, std::string& error) override;
  std::optional<std::vector<StationYield>> FirstPassYield(const RunFilter& filter,
                                                          std::string& error) override;
  std::vector<std::string> Stations() override;

  // Why the log cannot be used; empty when it can.
  const std::string& OpenError() const { return open_error_; }

private:
  bool CreateSchema(std::string& error);
  bool Usable(std::string& error) const;
  bool Details(std::vector<LoggedRun>& runs, std::string& error);

  const EventPump& clock_;
  SqliteConnection db_;
  std::string open_error_;
  std::vector<std::string> stations_;  // InitStations, in slot order
};

}  // namespace tester
