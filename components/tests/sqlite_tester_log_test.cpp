// The result log on disk: a run with its steps and measurements, read back newest first
// through the filters, first-pass yield per station, and a log that cannot store a run
// saying so.
#include "components/sqlite_tester_log.h"

#include <gtest/gtest.h>

#include "platform/virtual_clock.h"
#include "testing/qt_app.h"
#include "testing/scratch_folder.h"

namespace tester {
namespace {

RunRecord Record(const std::string& station, const std::string& serial, int32_t code,
                 RunOutcome outcome, const std::string& started) {
  RunRecord r;
  r.station = station;
  r.adapter = "A1";
  r.started_at = started;
  r.duration_ms = 8800;
  r.target = "800.1.02";
  r.completed = true;
  r.serial = serial;
  r.err_code = code;
  r.ext_err_code = code;
  r.outcome = outcome;
  r.message = code ? "Cal limits failed." : "";
  r.steps = {{"Power Up...", 2, 0, 120}, {"Passed", 4, 8700, 100}};
  r.measurements = {{"senseResistance", 10020, "uOhm", 9000, 11000},
                    {"cellGain1", 1.5, "counts", std::nullopt, 1.0}};
  return r;
}

class TesterLogTest : public ::testing::Test {
protected:
  void SetUp() override { EnsureQtApp(); }
  std::string Add(SqliteTesterLog& log, const RunRecord& r) {
    return log.AddToLog(r.station, r.serial, r.err_code, r.ext_err_code, "", "custom", &r);
  }
  test::ScratchFolder dir_{"tester-log"};
  VirtualClock clock_;
};

TEST_F(TesterLogTest, RunsComeBackNewestFirstWithTheirRecordAndFilters) {
  {
    SqliteTesterLog log(dir_.Path(), clock_);
    ASSERT_EQ(log.OpenError(), "");
    const std::vector<std::string> names = {"Station1", "Station2", "unused"};
    log.InitStations(names, 2);
    EXPECT_EQ(Add(log, Record("Station1", "1", 0, RunOutcome::kPass, "2026-01-05T08:00:00")), "");
    EXPECT_EQ(Add(log, Record("Station2", "0", 65544, RunOutcome::kFail, "2026-01-05T09:00:00")),
              "");
    EXPECT_EQ(Add(log, Record("Station1", "1", 0, RunOutcome::kPass, "2026-01-05T10:00:00")), "");
    EXPECT_EQ(log.AddToLog("Station2", "3", 0, 0, "log.txt", "", nullptr), "")
        << "a completion without a record is logged too";
  }
  SqliteTesterLog log(dir_.Path(), clock_);
  EXPECT_EQ(log.Stations(), (std::vector<std::string>{"Station1", "Station2"}));
  std::string error;
  RunFilter filter;
  filter.details = true;
  auto runs = log.Runs(filter, error);
  ASSERT_TRUE(runs) << error;
  ASSERT_EQ(runs->size(), 4u);
  EXPECT_EQ((*runs)[0].serial, "3");
  EXPECT_EQ((*runs)[0].outcome, RunOutcome::kPass);
  EXPECT_EQ((*runs)[0].log_file, "log.txt");
  const LoggedRun& fail = (*runs)[2];
  EXPECT_EQ(fail.station, "Station2");
  EXPECT_EQ(fail.socket, 1);
  EXPECT_EQ(fail.outcome, RunOutcome::kFail);
  EXPECT_EQ(fail.err_code, 65544);
  EXPECT_EQ(fail.message, "Cal limits failed.");
  EXPECT_EQ(fail.custom_log, "custom");
  EXPECT_EQ(fail.duration_ms, 8800);
  ASSERT_EQ(fail.steps.size(), 2u);
  EXPECT_EQ(fail.steps[1], (RunStep{"Passed", 4, 8700, 100}));
  ASSERT_EQ(fail.measurements.size(), 2u);
  EXPECT_TRUE(fail.measurements[0].passed);
  EXPECT_FALSE(fail.measurements[1].passed) << "1.5 above its high limit 1.0";
  EXPECT_FALSE(fail.measurements[1].measurement.low.has_value());

  filter = RunFilter{};
  filter.station = "Station1";
  filter.since = "2026-01-05T09";
  runs = log.Runs(filter, error);
  ASSERT_TRUE(runs) << error;
  ASSERT_EQ(runs->size(), 1u);
  EXPECT_EQ((*runs)[0].started_at, "2026-01-05T10:00:00");
  filter = RunFilter{};
  filter.outcome = RunOutcome::kFail;
  EXPECT_EQ(log.Runs(filter, error)->size(), 1u);

  // Station1's second run of serial 1 is a retest: one first run, passed.
  const auto yields = log.FirstPassYield(RunFilter{}, error);
  ASSERT_TRUE(yields) << error;
  ASSERT_EQ(yields->size(), 2u);
  EXPECT_EQ((*yields)[0].station, "Station1");
  EXPECT_EQ((*yields)[0].first_runs, 1);
  EXPECT_EQ((*yields)[0].passed, 1);
  EXPECT_EQ((*yields)[1].first_runs, 2);
  EXPECT_DOUBLE_EQ((*yields)[1].Yield(), 0.5);
}

TEST_F(TesterLogTest, DamagedLogGivesAnErrorTextForEveryRun) {
  dir_.Write(kResultDatabaseFile, std::string(8192, '\x5a'));
  SqliteTesterLog log(dir_.Path(), clock_);
  const std::string error = log.AddToLog("Station1", "17", 0, 0, "", "", nullptr);
  EXPECT_NE(error.find("the run of Station1 (serial 17, code 0) was not logged"),
            std::string::npos)
      << error;
  EXPECT_NE(error.find("damaged"), std::string::npos) << error;
  std::string read_error;
  EXPECT_FALSE(log.Runs(RunFilter{}, read_error));
  EXPECT_FALSE(read_error.empty());
}

}  // namespace
}  // namespace tester
