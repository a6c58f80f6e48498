#include "components/sqlite_serial_counter.h"

#include <QSqlQuery>
#include <algorithm>

#include "common/component_error.h"
#include "platform/paths.h"
#include "platform/wall_clock.h"

namespace tester {
namespace {

constexpr const char* kRole = "serial-number database";

// The counter row (one, id 1) and one row per number ever handed out.
constexpr const char* kSchema[] = {
    "CREATE TABLE IF NOT EXISTS counter ("
    " id INTEGER PRIMARY KEY CHECK (id = 1),"
    " first_serial INTEGER NOT NULL, last_serial INTEGER NOT NULL,"
    " next_serial INTEGER NOT NULL, seeded INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE IF NOT EXISTS serials ("
    " serial INTEGER PRIMARY KEY, seq INTEGER NOT NULL UNIQUE,"
    " fate TEXT NOT NULL CHECK (fate IN ('issued', 'written', 'void')),"
    " station TEXT NOT NULL, run TEXT NOT NULL,"
    " issued_at TEXT NOT NULL, fate_at TEXT)",
    "CREATE INDEX IF NOT EXISTS serials_fate ON serials (fate)",
};

std::optional<SerialFate> FateFromText(const QString& text) {
  for (SerialFate fate : {SerialFate::kIssued, SerialFate::kWritten, SerialFate::kVoid}) {
    if (text.toStdString() == SerialFateText(fate)) return fate;
  }
  return std::nullopt;
}

QString FateValue(SerialFate fate) { return QString::fromUtf8(SerialFateText(fate).data()); }

std::string UsedUp(const SerialRange& range, int64_t next) {
  return "the next serial number " + std::to_string(next) + " is beyond the last of the range " +
         std::to_string(range.first) + " to " + std::to_string(range.last) +
         " (the range is used up, or the start was set past it): set a new range "
         "(gangwright serials --first N --last M)";
}

}  // namespace

SqliteSerialCounter::SqliteSerialCounter(const std::string& app_folder, const EventPump& clock)
    : clock_(clock), db_(NativePath(JoinProgramPath(app_folder, kSerialDatabaseFile)), kRole) {
  open_error_ = db_.Error();
  if (open_error_.empty()) CreateSchema(open_error_);
}

bool SqliteSerialCounter::CreateSchema(std::string& error) {
  std::vector<QString> statements(std::begin(kSchema), std::end(kSchema));
  statements.push_back(QStringLiteral("INSERT OR IGNORE INTO counter (id, first_serial, "
                                      "last_serial, next_serial) VALUES (1, %1, %2, %1)")
                           .arg(kDefaultSerialRange.first)
                           .arg(kDefaultSerialRange.last));
  return db_.ApplySchema(statements, error);
}

std::optional<SqliteSerialCounter::CounterRow> SqliteSerialCounter::ReadCounter(
    std::string& error) {
  QSqlQuery query(db_.Database());
  if (!db_.Exec(query,
                "SELECT first_serial, last_serial, next_serial, seeded FROM counter WHERE id = 1",
                {}, error)) {
    return std::nullopt;
  }
  if (!query.next()) {
    error = db_.Explain("reading the counter", "the counter row is missing");
    return std::nullopt;
  }
  CounterRow row;
  row.range = {query.value(0).toLongLong(), query.value(1).toLongLong()};
  row.next = query.value(2).toLongLong();
  row.seeded = query.value(3).toInt() != 0;
  return row;
}

std::optional<int64_t> SqliteSerialCounter::FirstUnused(int64_t from, std::string& error) {
  QSqlQuery query(db_.Database());
  if (!db_.Exec(query, "SELECT 1 FROM serials WHERE serial = ?",
                {QVariant::fromValue<qint64>(from)}, error)) {
    return std::nullopt;
  }
  if (!query.next()) return from;
  // The first held number at or above `from` whose successor is free.
  if (!db_.Exec(query,
                "SELECT MIN(a.serial) + 1 FROM serials a WHERE a.serial >= ? AND NOT EXISTS "
                "(SELECT 1 FROM serials b WHERE b.serial = a.serial + 1)",
                {QVariant::fromValue<qint64>(from)}, error)) {
    return std::nullopt;
  }
  query.next();
  return query.value(0).toLongLong();
}

bool SqliteSerialCounter::StoreNext(int64_t next, bool seeded, std::string& error) {
  QSqlQuery query(db_.Database());
  return db_.Exec(query, "UPDATE counter SET next_serial = ?, seeded = ? WHERE id = 1",
                  {QVariant::fromValue<qint64>(next), seeded ? 1 : 0}, error);
}

std::string SqliteSerialCounter::StartAt(int32_t n) {
  std::string error;
  const std::optional<CounterRow> row = ReadCounter(error);
  if (!row) return error;
  const std::optional<int64_t> next =
      FirstUnused(std::max<int64_t>(n, row->range.first), error);
  if (!next || !StoreNext(*next, true, error)) return error;
  return {};
}

void SqliteSerialCounter::SetStart(int32_t n) {
  if (!open_error_.empty()) throw ComponentError(open_error_);
  WriteTransaction transaction(db_);
  std::string error = transaction.Error();
  if (error.empty()) error = StartAt(n);
  if (error.empty()) transaction.Commit(error);
  if (!error.empty()) throw ComponentError(error);
}

std::string SqliteSerialCounter::SeedIfFresh(int32_t n) {
  if (!open_error_.empty()) return open_error_;
  WriteTransaction transaction(db_);
  std::string error = transaction.Error();
  if (!error.empty()) return error;
  const std::optional<CounterRow> row = ReadCounter(error);
  if (!row) return error;
  if (row->seeded) return {};
  error = StartAt(n);
  if (error.empty()) transaction.Commit(error);
  return error;
}

void SqliteSerialCounter::NextSerial(int32_t& n) {
  if (!open_error_.empty()) throw ComponentError(open_error_);
  WriteTransaction transaction(db_);
  std::string error = transaction.Error();
  if (!error.empty()) throw ComponentError(error);
  const std::optional<CounterRow> row = ReadCounter(error);
  if (!row) throw ComponentError(error);
  const std::string problem = SerialRangeProblem(row->range);
  if (!problem.empty()) throw ComponentError(problem);
  // The stored next is unused unless the file was edited by hand: checked all the same.
  const std::optional<int64_t> number = FirstUnused(std::max(row->next, row->range.first), error);
  if (!number) throw ComponentError(error);
  if (*number > row->range.last) throw ComponentError(UsedUp(row->range, *number));
  QSqlQuery insert(db_.Database());
  if (!db_.Exec(insert,
                "INSERT INTO serials (serial, seq, fate, station, run, issued_at) VALUES "
                "(?, (SELECT IFNULL(MAX(seq), 0) + 1 FROM serials), ?, ?, ?, ?)",
                {QVariant::fromValue<qint64>(*number), FateValue(SerialFate::kIssued),
                 QString::fromStdString(station_), QString::fromStdString(run_),
                 QString::fromStdString(WallClockText(clock_))},
                error)) {
    throw ComponentError(error);
  }
  const std::optional<int64_t> next = FirstUnused(*number + 1, error);
  if (!next || !StoreNext(*next, row->seeded, error) || !transaction.Commit(error)) {
    throw ComponentError(error);
  }
  n = static_cast<int32_t>(*number);
}

std::string SqliteSerialCounter::SerialConfigError() {
  if (!open_error_.empty()) return open_error_;
  std::string error;
  const std::optional<CounterRow> row = ReadCounter(error);
  if (!row) return error;
  const std::string problem = SerialRangeProblem(row->range);
  if (!problem.empty()) return problem;
  if (row->next > row->range.last) return UsedUp(row->range, row->next);
  // The counter must be able to commit: a database that can be read but not written (a
  // read-only file or folder, a lock held elsewhere) fails here rather than at the first
  // number of a run.
  WriteTransaction probe(db_);
  if (!probe.Error().empty()) return probe.Error();
  if (!StoreNext(row->next, row->seeded, error)) return error;
  return {};  // rolled back
}

void SqliteSerialCounter::SetRequester(const std::string& station, const std::string& run) {
  station_ = station;
  run_ = run;
}

std::string SqliteSerialCounter::RecordFate(int32_t n, SerialFate fate) {
  if (fate == SerialFate::kIssued) {
    return "serial number " + std::to_string(n) + ": a fate is written or void";
  }
  if (!open_error_.empty()) return open_error_;
  WriteTransaction transaction(db_);
  std::string error = transaction.Error();
  if (!error.empty()) return error;
  QSqlQuery query(db_.Database());
  if (!db_.Exec(query, "SELECT fate FROM serials WHERE serial = ?", {n}, error)) return error;
  if (!query.next()) {
    return "serial number " + std::to_string(n) + " was never issued by this counter";
  }
  const std::optional<SerialFate> now = FateFromText(query.value(0).toString());
  if (now == fate) return {};
  if (now != SerialFate::kIssued) {
    return "serial number " + std::to_string(n) + " is already " +
           std::string(SerialFateText(now.value_or(SerialFate::kIssued)));
  }
  if (!db_.Exec(query, "UPDATE serials SET fate = ?, fate_at = ? WHERE serial = ?",
                {FateValue(fate), QString::fromStdString(WallClockText(clock_)), n}, error)) {
    return error;
  }
  transaction.Commit(error);
  return error;
}

std::string SqliteSerialCounter::SetRange(const SerialRange& range) {
  std::string problem = SerialRangeProblem(range);
  if (!problem.empty()) return problem;
  if (!open_error_.empty()) return open_error_;
  WriteTransaction transaction(db_);
  std::string error = transaction.Error();
  if (!error.empty()) return error;
  const std::optional<CounterRow> row = ReadCounter(error);
  if (!row) return error;
  std::vector<int64_t> issued;
  QSqlQuery query(db_.Database());
  if (!db_.Exec(query, "SELECT serial FROM serials", {}, error)) return error;
  while (query.next()) issued.push_back(query.value(0).toLongLong());
  problem = SerialRangeClash(range, issued);
  if (!problem.empty()) return problem;
  // A next number inside the new range stands; otherwise the range starts from its first.
  const bool inside = row->next >= range.first && row->next <= range.last;
  const std::optional<int64_t> next = FirstUnused(inside ? row->next : range.first, error);
  if (!next) return error;
  if (!db_.Exec(query,
                "UPDATE counter SET first_serial = ?, last_serial = ?, next_serial = ? WHERE id = 1",
                {QVariant::fromValue<qint64>(range.first), QVariant::fromValue<qint64>(range.last),
                 QVariant::fromValue<qint64>(*next)},
                error)) {
    return error;
  }
  transaction.Commit(error);
  return error;
}

std::optional<SerialSummary> SqliteSerialCounter::Summary(int latest, std::string& error) {
  if (!open_error_.empty()) {
    error = open_error_;
    return std::nullopt;
  }
  const std::optional<CounterRow> row = ReadCounter(error);
  if (!row) return std::nullopt;
  SerialSummary summary;
  summary.range = row->range;
  summary.next = row->next;
  summary.seeded = row->seeded;
  QSqlQuery query(db_.Database());
  if (!db_.Exec(query, "SELECT fate, COUNT(*) FROM serials GROUP BY fate", {}, error)) {
    return std::nullopt;
  }
  while (query.next()) {
    const int64_t count = query.value(1).toLongLong();
    switch (FateFromText(query.value(0).toString()).value_or(SerialFate::kIssued)) {
      case SerialFate::kIssued: summary.issued += count; break;
      case SerialFate::kWritten: summary.written += count; break;
      case SerialFate::kVoid: summary.voided += count; break;
    }
  }
  // Newest first: seq counts the numbers in the order they were handed out.
  if (!db_.Exec(query,
                "SELECT serial, fate, station, run, issued_at, fate_at FROM serials "
                "ORDER BY seq DESC LIMIT ?",
                {latest}, error)) {
    return std::nullopt;
  }
  while (query.next()) {
    SerialEntry entry;
    entry.serial = query.value(0).toLongLong();
    entry.fate = FateFromText(query.value(1).toString()).value_or(SerialFate::kIssued);
    entry.station = query.value(2).toString().toStdString();
    entry.run = query.value(3).toString().toStdString();
    entry.issued_at = query.value(4).toString().toStdString();
    entry.fate_at = query.value(5).toString().toStdString();
    summary.latest.push_back(entry);
  }
  return summary;
}

std::unique_ptr<SerialStore> OpenSerialStore(const std::string& app_folder,
                                             const EventPump& clock) {
  return std::make_unique<SqliteSerialCounter>(app_folder, clock);
}

}  // namespace tester
