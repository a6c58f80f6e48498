// The application folder's stores with their durability on this machine's disk (WAL,
// synchronous=FULL, every allocation and every run committed before the call returns):
//  - NextSerial latency, median and 99th percentile (target p99 <= 10 ms);
//  - AddToLog latency for a run with 12 steps and 8 measurements (target p99 <= 20 ms);
//  - over 100,000 logged runs: the CSV export of them all, and first-pass yield per
//    station (target <= 200 ms).
// The 100,000 runs are written in one transaction through a connection of the bench's own
// (written one by one at FULL durability they would take minutes). Exit 1 when a target
// is missed.
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "components/result_columns.h"
#include "components/sqlite_serial_counter.h"
#include "components/sqlite_tester_log.h"
#include "platform/virtual_clock.h"
#include "testing/bench_clock.h"
#include "testing/scratch_folder.h"

namespace {

constexpr int kCalls = 400;
constexpr int kLoggedRuns = 100'000;
constexpr int kStations = 12;

struct Spread {
  double median_ms = 0;
  double p99_ms = 0;
};

Spread SpreadOf(std::vector<int64_t> micros) {
  std::sort(micros.begin(), micros.end());
  const auto at = [&](double q) {
    return static_cast<double>(micros[static_cast<size_t>(q * static_cast<double>(micros.size() - 1))]) / 1000.0;
  };
  return {at(0.5), at(0.99)};
}

tester::RunRecord SampleRecord(int i) {
  tester::RunRecord r;
  r.station = "Station" + std::to_string(i % kStations + 1);
  r.adapter = "3F2A9C41D07B4E8895A1C6E2B0F47D01";
  r.started_at = "2026-01-05T08:00:00.000+01:00";
  r.duration_ms = 8800;
  r.target = "800.1.02";
  r.version_text = "800.1.02";
  r.completed = true;
  r.serial = std::to_string(i + 1);
  r.outcome = tester::RunOutcome::kPass;
  for (int s = 0; s < 12; ++s) r.steps.push_back({"Step " + std::to_string(s), 2, s * 700, 700});
  for (int m = 0; m < 8; ++m) r.measurements.push_back({"value" + std::to_string(m), 1.0 + m, "mV", 0.0, 100.0});
  return r;
}

// 100,000 runs of 12 stations, one in ten failed and one in twenty a retest of the run
// before, in one transaction.
bool FillLog(const std::string& path) {
  QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench-fill");
  db.setDatabaseName(QString::fromStdString(path));
  if (!db.open()) return false;
  QSqlQuery q(db);
  q.exec("BEGIN");
  q.prepare("INSERT INTO runs (logged_at, station, socket, adapter, serial, started_at, "
            "duration_ms, outcome, err_code, ext_err_code, message, target, version_text) "
            "VALUES (?, ?, ?, 'A1', ?, ?, 8800, ?, ?, ?, ?, '800.1.02', '800.1.02')");
  for (int i = 0; i < kLoggedRuns; ++i) {
    const bool failed = i % 10 == 3;
    const bool retest = i % 20 == 4;  // the pack of the run before, again
    char started[40];
    std::snprintf(started, sizeof started, "2026-01-%02dT%02d:%02d:%02d.000+01:00", 1 + i / 8000,
                  i / 360 % 24, i / 6 % 60, i % 6 * 10);
    q.addBindValue(QString(started));
    q.addBindValue(QString("Station%1").arg(i % kStations + 1));
    q.addBindValue(i % kStations);
    q.addBindValue(failed ? QString("0") : QString::number(retest ? i : i + 1));
    q.addBindValue(QString(started));
    q.addBindValue(failed ? "FAIL" : "PASS");
    q.addBindValue(failed ? 65544 : 0);
    q.addBindValue(failed ? 65544 : 0);
    q.addBindValue(failed ? "Cal limits failed." : "");
    if (!q.exec()) return false;
  }
  const bool ok = q.exec("COMMIT");
  q = QSqlQuery();
  db.close();
  db = QSqlDatabase();
  QSqlDatabase::removeDatabase("bench-fill");
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  tester::test::ScratchFolder dir("stores-bench");
  tester::VirtualClock clock;
  bool met = true;

  {
    tester::SqliteSerialCounter counter(dir.Path(), clock);
    counter.SetRequester("Station1", "bench");
    std::vector<int64_t> micros;
    for (int i = 0; i < kCalls; ++i) {
      int32_t n = 0;
      const int64_t start = tester::test::WallMicros();
      counter.NextSerial(n);
      micros.push_back(tester::test::WallMicros() - start);
    }
    const Spread s = SpreadOf(micros);
    std::printf("NextSerial (%d calls): median %.2f ms, p99 %.2f ms (target p99 <= 10 ms)\n",
                kCalls, s.median_ms, s.p99_ms);
    met = met && s.p99_ms <= 10.0;
  }
  {
    tester::SqliteTesterLog log(dir.Path(), clock);
    std::vector<int64_t> micros;
    for (int i = 0; i < kCalls; ++i) {
      const tester::RunRecord r = SampleRecord(i);
      const int64_t start = tester::test::WallMicros();
      const std::string error = log.AddToLog(r.station, r.serial, 0, 0, "", "", &r);
      micros.push_back(tester::test::WallMicros() - start);
      if (!error.empty()) {
        std::printf("AddToLog failed: %s\n", error.c_str());
        return 1;
      }
    }
    const Spread s = SpreadOf(micros);
    std::printf("AddToLog, 12 steps and 8 measurements (%d calls): median %.2f ms, p99 %.2f ms "
                "(target p99 <= 20 ms)\n",
                kCalls, s.median_ms, s.p99_ms);
    met = met && s.p99_ms <= 20.0;
  }
  tester::test::ScratchFolder big("stores-bench-100k");
  { tester::SqliteTesterLog schema(big.Path(), clock); }
  if (!FillLog(big.File(tester::kResultDatabaseFile))) {
    std::printf("could not fill the log\n");
    return 1;
  }
  tester::SqliteTesterLog log(big.Path(), clock);
  std::string error;
  int64_t start = tester::test::WallMicros();
  const auto yields = log.FirstPassYield(tester::RunFilter{}, error);
  const double yield_ms = static_cast<double>(tester::test::WallMicros() - start) / 1000.0;
  if (!yields) {
    std::printf("yield query failed: %s\n", error.c_str());
    return 1;
  }
  double lowest = 1.0, highest = 0.0;
  for (const tester::StationYield& y : *yields) {
    lowest = std::min(lowest, y.Yield());
    highest = std::max(highest, y.Yield());
  }
  std::printf("First-pass yield per station over %d runs: %.1f ms (target <= 200 ms); "
              "%zu stations, %.1f %% to %.1f %%\n",
              kLoggedRuns, yield_ms, yields->size(), 100.0 * lowest, 100.0 * highest);
  met = met && yield_ms <= 200.0;

  // The export as `gangwright results` writes it: every run, then its CSV line.
  start = tester::test::WallMicros();
  auto runs = log.Runs(tester::RunFilter{}, error);
  std::string csv = tester::CsvLine(tester::ResultColumnNames());
  for (const tester::LoggedRun& run : runs.value_or(std::vector<tester::LoggedRun>{})) {
    csv += tester::CsvLine(tester::ResultCells(run));
  }
  std::printf("CSV export of %zu runs: %.0f ms, %.1f MB\n", runs ? runs->size() : 0,
              static_cast<double>(tester::test::WallMicros() - start) / 1000.0,
              static_cast<double>(csv.size()) / 1e6);
  tester::RunFilter details;
  details.details = true;
  start = tester::test::WallMicros();
  runs = log.Runs(details, error);
  std::printf("Reading %zu runs with their steps and measurements (the JSON export's read): "
              "%.0f ms\n",
              runs ? runs->size() : 0,
              static_cast<double>(tester::test::WallMicros() - start) / 1000.0);
  return met ? 0 : 1;
}
