#include "components/sqlite_tester_log.h"

#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <map>

#include "platform/paths.h"
#include "platform/wall_clock.h"

namespace tester {
namespace {

constexpr const char* kRole = "result log";

constexpr const char* kSchema[] = {
    // The stations of InitStations, by slot.
    "CREATE TABLE IF NOT EXISTS stations (slot INTEGER PRIMARY KEY, name TEXT NOT NULL)",
    // One row per completed run.
    "CREATE TABLE IF NOT EXISTS runs ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " logged_at TEXT NOT NULL, station TEXT NOT NULL, socket INTEGER, adapter TEXT,"
    " serial TEXT NOT NULL, operator TEXT, started_at TEXT NOT NULL, duration_ms INTEGER,"
    " outcome TEXT NOT NULL CHECK (outcome IN ('PASS', 'FAIL', 'ERROR', 'ABORTED')),"
    " err_code INTEGER NOT NULL, ext_err_code INTEGER NOT NULL, message TEXT,"
    " target TEXT, version_text TEXT, software_version TEXT, image_file TEXT,"
    " image_sha256 TEXT, new_main INTEGER, warnings TEXT, log_file TEXT, custom_log TEXT)",
    "CREATE INDEX IF NOT EXISTS runs_station ON runs (station, started_at)",
    "CREATE INDEX IF NOT EXISTS runs_started ON runs (started_at)",
    "CREATE INDEX IF NOT EXISTS runs_serial ON runs (serial, id)",
    // One row per reported step of a run, in order.
    "CREATE TABLE IF NOT EXISTS steps ("
    " run_id INTEGER NOT NULL REFERENCES runs (id), step_no INTEGER NOT NULL,"
    " text TEXT NOT NULL, status INTEGER NOT NULL, start_ms INTEGER NOT NULL,"
    " duration_ms INTEGER NOT NULL, PRIMARY KEY (run_id, step_no))",
    // One row per measured value of a run, with its limits and verdict.
    "CREATE TABLE IF NOT EXISTS measurements ("
    " run_id INTEGER NOT NULL REFERENCES runs (id), item_no INTEGER NOT NULL,"
    " name TEXT NOT NULL, value REAL NOT NULL, unit TEXT, low REAL, high REAL,"
    " passed INTEGER NOT NULL, PRIMARY KEY (run_id, item_no))",
};

constexpr const char* kRunColumns =
    "id, logged_at, station, socket, adapter, serial, started_at, duration_ms, outcome, "
    "err_code, ext_err_code, message, target, version_text, log_file, custom_log";

QVariant Text(const std::string& text) { return QString::fromStdString(text); }
QVariant Optional(const std::optional<double>& value) {
  return value ? QVariant(*value) : QVariant();
}

bool WithinLimits(const RunMeasurement& m) {
  return (!m.low || m.value >= *m.low) && (!m.high || m.value <= *m.high);
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

// The WHERE clause of a filter and its values, for the runs table under `alias`.
struct Where {
  QString sql;
  std::vector<QVariant> values;
};

Where WhereOf(const RunFilter& filter, const QString& alias) {
  Where where;
  QStringList terms;
  if (!filter.since.empty()) {
    terms << alias + "started_at >= ?";
    where.values.push_back(Text(filter.since));
  }
  if (!filter.station.empty()) {
    terms << alias + "station = ?";
    where.values.push_back(Text(filter.station));
  }
  if (filter.outcome) {
    terms << alias + "outcome = ?";
    where.values.push_back(QString::fromUtf8(OutcomeText(*filter.outcome).data()));
  }
  if (!terms.isEmpty()) where.sql = " WHERE " + terms.join(" AND ");
  return where;
}

bool Run(SqliteConnection& db, QSqlQuery& query, const QString& sql,
         const std::vector<QVariant>& values, std::string& error) {
  if (!query.prepare(sql)) {
    error = db.Explain("preparing a query", query.lastError().text());
    return false;
  }
  for (const QVariant& value : values) query.addBindValue(value);
  if (!query.exec()) {
    error = db.Explain("a query", query.lastError().text());
    return false;
  }
  return true;
}

LoggedRun RunFromRow(const QSqlQuery& q) {
  LoggedRun run;
  run.id = q.value(0).toLongLong();
  run.logged_at = q.value(1).toString().toStdString();
  run.station = q.value(2).toString().toStdString();
  if (!q.value(3).isNull()) run.socket = q.value(3).toInt();
  run.adapter = q.value(4).toString().toStdString();
  run.serial = q.value(5).toString().toStdString();
  run.started_at = q.value(6).toString().toStdString();
  run.duration_ms = q.value(7).toLongLong();
  run.outcome = OutcomeFromText(q.value(8).toString().toStdString()).value_or(RunOutcome::kAborted);
  run.err_code = q.value(9).toInt();
  run.ext_err_code = q.value(10).toInt();
  run.message = q.value(11).toString().toStdString();
  run.target = q.value(12).toString().toStdString();
  run.version_text = q.value(13).toString().toStdString();
  run.log_file = q.value(14).toString().toStdString();
  run.custom_log = q.value(15).toString().toStdString();
  return run;
}

}  // namespace

SqliteTesterLog::SqliteTesterLog(const std::string& app_folder, const EventPump& clock)
    : clock_(clock), db_(NativePath(JoinProgramPath(app_folder, kResultDatabaseFile)), kRole) {
  open_error_ = db_.Error();
  if (open_error_.empty()) CreateSchema(open_error_);
}

bool SqliteTesterLog::CreateSchema(std::string& error) {
  return db_.ApplySchema(std::vector<QString>(std::begin(kSchema), std::end(kSchema)), error);
}

bool SqliteTesterLog::Usable(std::string& error) const {
  if (open_error_.empty()) return true;
  error = open_error_;
  return false;
}

void SqliteTesterLog::InitStations(std::span<const std::string> names, int16_t count) {
  const size_t n = std::min(names.size(), static_cast<size_t>(std::max<int16_t>(count, 0)));
  stations_.assign(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(n));
  std::string error;
  if (!Usable(error)) return;  // the next AddToLog says why
  // Kept for the engineers' tools; a failure here loses no result.
  WriteTransaction transaction(db_);
  if (!transaction.Error().empty() || !db_.Exec("DELETE FROM stations", error)) return;
  QSqlQuery insert(db_.Database());
  for (size_t slot = 0; slot < stations_.size(); ++slot) {
    if (!db_.Exec(insert, "INSERT INTO stations (slot, name) VALUES (?, ?)",
                  {static_cast<int>(slot), Text(stations_[slot])}, error)) {
      return;
    }
  }
  transaction.Commit(error);
}

std::string SqliteTesterLog::AddToLog(const std::string& sStationName, const std::string& sSerial,
                                      Status nErrCode, Status nExtErrCode,
                                      const std::string& sLogFile,
                                      const std::string& sCustomLogStr, const RunRecord* record) {
  const std::string what = "the run of " + sStationName + " (serial " + sSerial + ", code " +
                           std::to_string(nErrCode) + ") was not logged: ";
  std::string error;
  if (!Usable(error)) return what + error;
  WriteTransaction transaction(db_);
  if (!transaction.Error().empty()) return what + transaction.Error();

  const std::string now = WallClockText(clock_);
  const auto slot = std::find(stations_.begin(), stations_.end(), sStationName);
  const QVariant socket =
      slot == stations_.end() ? QVariant() : QVariant(static_cast<int>(slot - stations_.begin()));
  const RunOutcome outcome = record && record->completed ? record->outcome
                             : nErrCode == 0             ? RunOutcome::kPass
                                                         : RunOutcome::kFail;
  const RunRecord empty;
  const RunRecord& r = record ? *record : empty;
  QSqlQuery query(db_.Database());
  if (!db_.Exec(query,
                "INSERT INTO runs (logged_at, station, socket, adapter, serial, operator, "
                "started_at, duration_ms, outcome, err_code, ext_err_code, message, target, "
                "version_text, software_version, image_file, image_sha256, new_main, warnings, "
                "log_file, custom_log) VALUES (?, ?, ?, ?, ?, NULL, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                "?, ?, ?, ?, ?, ?)",
                {Text(now), Text(sStationName), socket, Text(r.adapter), Text(sSerial),
                 Text(r.started_at.empty() ? now : r.started_at),
                 QVariant::fromValue<qint64>(r.duration_ms),
                 QString::fromUtf8(OutcomeText(outcome).data()), nErrCode, nExtErrCode,
                 Text(r.message), Text(r.target), Text(r.version_text), Text(r.software_version),
                 Text(r.image_file), Text(r.image_sha256), record ? QVariant(r.new_main ? 1 : 0) : QVariant(),
                 Text(Joined(r.warnings)), Text(sLogFile), Text(sCustomLogStr)},
                error)) {
    return what + error;
  }
  const qint64 run_id = query.lastInsertId().toLongLong();
  for (size_t i = 0; i < r.steps.size(); ++i) {
    const RunStep& step = r.steps[i];
    if (!db_.Exec(query,
                  "INSERT INTO steps (run_id, step_no, text, status, start_ms, duration_ms) "
                  "VALUES (?, ?, ?, ?, ?, ?)",
                  {run_id, static_cast<int>(i + 1), Text(step.text), step.status,
                   QVariant::fromValue<qint64>(step.start_ms),
                   QVariant::fromValue<qint64>(step.duration_ms)},
                  error)) {
      return what + error;
    }
  }
  for (size_t i = 0; i < r.measurements.size(); ++i) {
    const RunMeasurement& m = r.measurements[i];
    if (!db_.Exec(query,
                  "INSERT INTO measurements (run_id, item_no, name, value, unit, low, high, "
                  "passed) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                  {run_id, static_cast<int>(i + 1), Text(m.name), m.value, Text(m.unit),
                   Optional(m.low), Optional(m.high), WithinLimits(m) ? 1 : 0},
                  error)) {
      return what + error;
    }
  }
  if (!transaction.Commit(error)) return what + error;
  return {};
}

std::optional<std::vector<LoggedRun>> SqliteTesterLog::Runs(const RunFilter& filter,
                                                            std::string& error) {
  if (!Usable(error)) return std::nullopt;
  const Where where = WhereOf(filter, "");
  QString sql = QString("SELECT %1 FROM runs").arg(kRunColumns) + where.sql + " ORDER BY id DESC";
  if (filter.limit > 0) sql += QString(" LIMIT %1").arg(filter.limit);
  QSqlQuery query(db_.Database());
  query.setForwardOnly(true);
  if (!Run(db_, query, sql, where.values, error)) return std::nullopt;
  std::vector<LoggedRun> runs;
  while (query.next()) runs.push_back(RunFromRow(query));
  if (filter.details && !runs.empty() && !Details(runs, error)) return std::nullopt;
  return runs;
}

// Steps and measurements of `runs` (newest first, ids descending), two queries over the
// id span rather than two per run.
bool SqliteTesterLog::Details(std::vector<LoggedRun>& runs, std::string& error) {
  std::map<int64_t, LoggedRun*> by_id;
  for (LoggedRun& run : runs) by_id[run.id] = &run;
  const std::vector<QVariant> span = {QVariant::fromValue<qint64>(runs.back().id),
                                      QVariant::fromValue<qint64>(runs.front().id)};
  QSqlQuery query(db_.Database());
  query.setForwardOnly(true);
  if (!Run(db_, query,
           "SELECT run_id, text, status, start_ms, duration_ms FROM steps "
           "WHERE run_id BETWEEN ? AND ? ORDER BY run_id, step_no",
           span, error)) {
    return false;
  }
  while (query.next()) {
    const auto it = by_id.find(query.value(0).toLongLong());
    if (it == by_id.end()) continue;
    it->second->steps.push_back(RunStep{query.value(1).toString().toStdString(),
                                        query.value(2).toInt(), query.value(3).toLongLong(),
                                        query.value(4).toLongLong()});
  }
  if (!Run(db_, query,
           "SELECT run_id, name, value, unit, low, high, passed FROM measurements "
           "WHERE run_id BETWEEN ? AND ? ORDER BY run_id, item_no",
           span, error)) {
    return false;
  }
  while (query.next()) {
    const auto it = by_id.find(query.value(0).toLongLong());
    if (it == by_id.end()) continue;
    LoggedMeasurement m;
    m.measurement.name = query.value(1).toString().toStdString();
    m.measurement.value = query.value(2).toDouble();
    m.measurement.unit = query.value(3).toString().toStdString();
    if (!query.value(4).isNull()) m.measurement.low = query.value(4).toDouble();
    if (!query.value(5).isNull()) m.measurement.high = query.value(5).toDouble();
    m.passed = query.value(6).toInt() != 0;
    it->second->measurements.push_back(m);
  }
  return true;
}

std::optional<std::vector<StationYield>> SqliteTesterLog::FirstPassYield(const RunFilter& filter,
                                                                         std::string& error) {
  if (!Usable(error)) return std::nullopt;
  const Where where = WhereOf(filter, "r.");
  // A retest is a run whose serial (not "0": none written) an earlier run carried.
  const QString retest =
      "(r.serial <> '0' AND EXISTS (SELECT 1 FROM runs e WHERE e.serial = r.serial AND "
      "e.id < r.id))";
  const QString sql =
      "SELECT r.station, COUNT(*), SUM(r.outcome = 'PASS') FROM runs r" +
      (where.sql.isEmpty() ? " WHERE NOT " + retest : where.sql + " AND NOT " + retest) +
      " GROUP BY r.station ORDER BY r.station";
  QSqlQuery query(db_.Database());
  query.setForwardOnly(true);
  if (!Run(db_, query, sql, where.values, error)) return std::nullopt;
  std::vector<StationYield> yields;
  while (query.next()) {
    yields.push_back(StationYield{query.value(0).toString().toStdString(),
                                  query.value(1).toLongLong(), query.value(2).toLongLong()});
  }
  return yields;
}

std::vector<std::string> SqliteTesterLog::Stations() {
  std::vector<std::string> names = stations_;
  std::string error;
  if (!Usable(error)) return names;
  QSqlQuery query(db_.Database());
  if (names.empty() && Run(db_, query, "SELECT name FROM stations ORDER BY slot", {}, error)) {
    while (query.next()) names.push_back(query.value(0).toString().toStdString());
  }
  if (!Run(db_, query, "SELECT DISTINCT station FROM runs ORDER BY station", {}, error)) {
    return names;
  }
  while (query.next()) {
    const std::string name = query.value(0).toString().toStdString();
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

std::unique_ptr<ResultStore> OpenResultStore(const std::string& app_folder,
                                             const EventPump& clock) {
  return std::make_unique<SqliteTesterLog>(app_folder, clock);
}

}  // namespace tester
