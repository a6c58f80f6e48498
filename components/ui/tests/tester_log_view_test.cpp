// The result log's display: newest first, filters by station and outcome, a run logged
// through it shows at once, and the screenshot of a few runs.
#include <QComboBox>
#include <QDir>
#include <QtTest>

#include "components/sqlite_tester_log.h"
#include "components/ui/result_table_model.h"
#include "components/ui/tester_log_view.h"
#include "platform/virtual_clock.h"
#include "testing/scratch_folder.h"

namespace tester {

class TesterLogViewTest : public QObject {
  Q_OBJECT
private slots:
  void ShowsNewestFirstFiltersAndGoesLive();
};

namespace {

RunRecord Run(const std::string& station, const std::string& serial, int32_t code,
              RunOutcome outcome, const std::string& started, const std::string& message) {
  RunRecord r;
  r.station = station;
  r.adapter = "3F2A9C41D07B4E88";
  r.started_at = started;
  r.duration_ms = code ? 1121 : 8823;
  r.target = "800.1.02";
  r.version_text = code == 65538 ? "800.1.03" : "800.1.02";
  r.completed = true;
  r.serial = serial;
  r.err_code = code;
  r.ext_err_code = code == 65559 ? 258 : code;
  r.outcome = outcome;
  r.message = message;
  return r;
}

std::string Log(TesterLog& log, const RunRecord& r) {
  return log.AddToLog(r.station, r.serial, r.err_code, r.ext_err_code, "results.log", "", &r);
}

}  // namespace

void TesterLogViewTest::ShowsNewestFirstFiltersAndGoesLive() {
  test::ScratchFolder dir("tester-log-view");
  VirtualClock clock;
  SqliteTesterLog store(dir.Path(), clock);
  QCOMPARE(Log(store, Run("Station1", "101", 0, RunOutcome::kPass, "2026-01-05T08:00:10.000+01:00", "")), std::string());
  QCOMPARE(Log(store, Run("Station2", "0", 65538, RunOutcome::kFail, "2026-01-05T08:00:12.000+01:00",
                          "The Gas Gauge version does not match. Please check the configuration!")),
           std::string());
  QCOMPARE(Log(store, Run("Station3", "0", 65559, RunOutcome::kError, "2026-01-05T08:00:13.000+01:00",
                          "Communication error reading from Gas Gauge.")),
           std::string());

  TesterLogView view(store);
  QCOMPARE(view.objectName(), QString("TesterLog1"));
  const std::vector<std::string> names = {"Station1", "Station2", "Station3", "Station4"};
  view.InitStations(names, 4);
  QCOMPARE(view.StationFilter().count(), 5);  // all stations, then the four
  QCOMPARE(view.Model().rowCount(), 3);
  QCOMPARE(view.Model().Runs().front().station, std::string("Station3"));

  // Logged through the view: at the top at once.
  QCOMPARE(Log(view, Run("Station4", "102", 0, RunOutcome::kPass, "2026-01-05T08:00:19.000+01:00", "")),
           std::string());
  QCOMPARE(view.Model().rowCount(), 4);
  QCOMPARE(view.Model().Runs().front().serial, std::string("102"));
  QCOMPARE(Log(view, Run("Station1", "103", 0, RunOutcome::kPass, "2026-01-05T08:00:21.000+01:00", "")),
           std::string());

  view.resize(1000, 240);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  QDir().mkpath(TESTER_SCREENSHOT_DIR);
  QVERIFY(view.grab().save(QString(TESTER_SCREENSHOT_DIR) + "/tester_log_view.png"));

  view.OutcomeFilter().setCurrentText("FAIL");
  QCOMPARE(view.Model().rowCount(), 1);
  QCOMPARE(view.Model().Runs().front().err_code, 65538);
  view.OutcomeFilter().setCurrentIndex(0);
  view.StationFilter().setCurrentText("Station1");
  QCOMPARE(view.Model().rowCount(), 2);
  QCOMPARE(view.Model().Runs().front().serial, std::string("103"));
}

}  // namespace tester

QTEST_MAIN(tester::TesterLogViewTest)
#include "tester_log_view_test.moc"
