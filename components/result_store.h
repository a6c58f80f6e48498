#pragma once
// The result log as the programs, its display and the export see it: the TesterLog
// contract to add runs, and a small query side to read them back. The programs hold a
// ResultStore and never a database type, so a log on a database server shared by several
// jigs can take SQLite's place.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/run_record.h"
#include "common/tester_log.h"
#include "platform/event_pump.h"

namespace tester {

// One measurement of a logged run, with its verdict against its limits.
struct LoggedMeasurement {
  RunMeasurement measurement;
  bool passed = true;  // within both limits that are set
};

// One logged run: the completion's values and what its record said.
struct LoggedRun {
  int64_t id = 0;             // order of logging, from 1
  std::string logged_at;      // wall clock when it was logged
  std::string station;
  std::optional<int> socket;  // the station's slot in InitStations, from 0
  std::string adapter;
  std::string serial;         // "0": none written
  std::string started_at;     // the record's start, else logged_at
  int64_t duration_ms = 0;
  RunOutcome outcome = RunOutcome::kAborted;
  int32_t err_code = 0;
  int32_t ext_err_code = 0;
  std::string message;
  std::string target;
  std::string version_text;
  std::string log_file;
  std::string custom_log;
  std::vector<RunStep> steps;                     // filled when asked for details
  std::vector<LoggedMeasurement> measurements;    // filled when asked for details
};

struct RunFilter {
  std::string since;                 // started_at at or after this (ISO 8601 text prefix)
  std::string station;               // empty: every station
  std::optional<RunOutcome> outcome;  // none: every outcome
  int limit = 0;                     // newest this many; 0: all
  bool details = false;              // with steps and measurements
};

// First-pass yield of one station: runs of packs tested for the first time (a run whose
// serial an earlier logged run already carried is a retest and left out) and how many of
// them passed.
struct StationYield {
  std::string station;
  int64_t first_runs = 0;
  int64_t passed = 0;
  double Yield() const { return first_runs == 0 ? 0.0 : static_cast<double>(passed) / first_runs; }
};

class ResultQuery {
public:
  virtual ~ResultQuery() = default;
  // Runs matching `filter`, newest first; nullopt and `error` when the log cannot be read.
  virtual std::optional<std::vector<LoggedRun>> Runs(const RunFilter& filter,
                                                     std::string& error) = 0;
  // First-pass yield per station over the runs matching `filter` (limit and details
  // ignored), by station name.
  virtual std::optional<std::vector<StationYield>> FirstPassYield(const RunFilter& filter,
                                                                  std::string& error) = 0;
  // Station names: those of InitStations in slot order, then any other that was logged.
  virtual std::vector<std::string> Stations() = 0;
};

class ResultStore : public TesterLog, public ResultQuery {};

// The result log of the application folder `app_folder` (results.db in it). Never null,
// never throws: a log that cannot be opened says so in every AddToLog.
std::unique_ptr<ResultStore> OpenResultStore(const std::string& app_folder,
                                             const EventPump& clock);

}  // namespace tester
