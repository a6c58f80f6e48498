// The production batch on the virtual jig: the demo's stations and packs, serial numbers
// from one counter, stations without a file or without a free adapter, and the batch's
// refusals to start.
#include "engine/cli/batch_cli.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "components/sqlite_serial_counter.h"
#include "components/sqlite_tester_log.h"
#include "components/tester_config_store.h"
#include "engine/cli/station_cli.h"
#include "platform/virtual_clock.h"
#include "sim/default_jig.h"
#include "sim/sim_control.h"
#include "testing/demo_home.h"

namespace tester {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The jig's word on a SimControl's open adapter, as the program gives it.
std::optional<JigPlace> DescribeSim(GaugeControl& control) {
  auto& sim = dynamic_cast<SimControl&>(control);
  SimStation* station = sim.OpenStation();
  if (!station) return std::nullopt;
  const auto& adapters = sim.Jig().adapters;
  for (size_t i = 0; i < adapters.size(); ++i) {
    if (adapters[i].identifier != station->Adapter().identifier) continue;
    return JigPlace{static_cast<int>(i), static_cast<int>(adapters[i].packs.size()),
                    static_cast<int>(station->PackIndex()),
                    adapters[i].packs.at(station->PackIndex()).label};
  }
  return std::nullopt;
}

// An application folder holding a copy of demo/, a lock folder of its own and the jig.
class BatchTest : public ::testing::Test {
protected:
  void SetUp() override {
    home_ = std::make_unique<test::DemoHome>(test::DemoFolder(), "batch-cli");
    ASSERT_TRUE(home_->Ok()) << home_->Error();
    root_ = home_->Root();
    UseJig(DefaultJigText());
    backend_.make_control = [this](int, std::string& error) -> std::unique_ptr<GaugeControl> {
      return MakeSimControl(jig_, (root_ / "locks").string(), clock_, error);
    };
    backend_.describe = DescribeSim;
  }
  void TearDown() override { held_.clear(); }

  void UseJig(const std::string& text) {
    std::string error;
    auto jig = ParseJigText(text, error);
    ASSERT_TRUE(jig) << error;
    jig_ = *jig;
  }

  fs::path Home() const { return root_ / "home"; }
  fs::path StationFile(int k) const { return Home() / ("Station" + std::to_string(k) + ".ini"); }

  // Sets keys of a station file through the configuration object, as an operator would.
  template <typename Edit>
  void EditStation(int k, Edit edit) {
    TesterConfigStore config;
    config.IniFile = StationFile(k).string();
    config.LoadConfig();
    edit(config);
    ASSERT_EQ(config.SaveConfig(), "");
  }

  // Another program claims the adapter at `index` of the jig.
  void HoldAdapter(size_t index) {
    std::string error;
    held_.push_back(MakeSimControl(jig_, (root_ / "locks").string(), clock_, error));
    ASSERT_EQ(held_.back()->OpenAdapter(jig_.adapters.at(index).identifier), 0);
  }

  BatchOutcome Run(std::optional<int> runs = std::nullopt) {
    BatchVerbArgs args;
    args.runs = runs;
    args.virtual_clock = true;
    // The stores of the folder, opened afresh for each batch as a program would.
    SqliteSerialCounter serials(Home().string(), clock_);
    SqliteTesterLog log(Home().string(), clock_);
    return RunProductionBatch(clock_, backend_, Home().string(), args, {serials, log}, out_, err_);
  }

  static std::map<std::string, const BatchRow*> ByLabel(const BatchOutcome& outcome) {
    std::map<std::string, const BatchRow*> rows;
    for (const BatchRow& row : outcome.rows) rows[row.pack_label] = &row;
    return rows;
  }

  std::unique_ptr<test::DemoHome> home_;  // made afresh by every SetUp
  fs::path root_;
  VirtualClock clock_;
  JigDescription jig_;
  BatchBackend backend_;
  std::vector<std::unique_ptr<SimControl>> held_;
  std::ostringstream out_, err_;
};

TEST_F(BatchTest, DemoBatchGivesEachDefectItsCodeAndSerialsOnlyWhereWritten) {
  std::map<int, std::string> before;
  for (int k = 1; k <= 4; ++k) before[k] = ReadFile(StationFile(k));
  const BatchOutcome outcome = Run();
  ASSERT_EQ(outcome.exit_status, kExitOk) << err_.str();

  size_t packs = 0;
  for (const AdapterDescription& adapter : jig_.adapters) packs += adapter.packs.size();
  ASSERT_EQ(outcome.rows.size(), packs) << "every pack of every queue once";

  struct Expected {
    int station;
    int32_t code;
    std::optional<int32_t> ext;  // none: the failing operation's own status
  };
  const std::map<std::string, Expected> defects = {
      {"wrong-firmware 800.1.03", {1, 65538, 65538}},
      {"sense-11m5 800.1.02", {1, 65544, std::nullopt}},
      {"bad-row-12 450.2.01", {2, 65560, std::nullopt}},
      {"unresponsive 100.1.09", {3, 65559, std::nullopt}},
      {"sense-3m8 700.1.05", {4, 65543, std::nullopt}},
  };
  const auto rows = ByLabel(outcome);
  for (const auto& [label, expected] : defects) {
    ASSERT_TRUE(rows.count(label)) << label;
    const BatchRow& row = *rows.at(label);
    EXPECT_FALSE(row.passed) << label;
    EXPECT_EQ(row.station, expected.station) << label;
    EXPECT_EQ(row.code, expected.code) << label;
    if (expected.ext) {
      EXPECT_EQ(row.ext_code, expected.ext) << label;
    }
    EXPECT_NE(row.ext_code, 0) << label;
    EXPECT_FALSE(row.message.empty()) << label;
  }
  for (const BatchRow& row : outcome.rows) {
    if (defects.count(row.pack_label)) continue;
    EXPECT_TRUE(row.passed) << row.pack_label << " on station " << row.station << ": "
                            << row.code.value_or(-1) << " " << row.message;
    EXPECT_GT(row.duration_ms, 0) << row.pack_label;
  }
  EXPECT_EQ(rows.at("unresponsive 100.1.09")->message,
            "Communication error reading from Gas Gauge.");

  for (int k = 1; k <= 4; ++k) EXPECT_EQ(ReadFile(StationFile(k)), before[k]) << k;
  const std::string text = out_.str();
  EXPECT_NE(text.find("station-clock times"), std::string::npos);
  EXPECT_NE(text.find("wrong-firmware 800.1.03"), std::string::npos) << "the table";

  // Serial numbers: unique, and only where the run wrote one.
  std::set<int> written;
  for (const BatchRow& row : outcome.rows) {
    if (row.passed) {
      EXPECT_FALSE(row.serial.empty()) << row.pack_label;
    } else if (row.station != 4) {
      // Stations 1 to 3 write no number on a failure; station 4 does (NoSerialOnFail=0).
      EXPECT_TRUE(row.serial.empty()) << row.pack_label;
    } else {
      EXPECT_FALSE(row.serial.empty()) << row.pack_label;
    }
    if (row.serial.empty()) continue;
    EXPECT_TRUE(written.insert(std::stoi(row.serial)).second) << "twice: " << row.serial;
  }
  // Numbers issued once each, from the files' NextSerialNumber (1), none skipped.
  ASSERT_FALSE(written.empty());
  EXPECT_EQ(*written.begin(), 1);
  EXPECT_EQ(*written.rbegin(), static_cast<int>(written.size()));
  EXPECT_EQ(outcome.serials_issued, static_cast<int>(written.size()));
}

TEST_F(BatchTest, CounterStartsAtTheLargestNextSerialNumberOfTheFiles) {
  EditStation(1, [](TesterConfig& c) { c.NextSerialNumber = 7; });
  EditStation(3, [](TesterConfig& c) { c.NextSerialNumber = 500; });
  const std::string file3 = ReadFile(StationFile(3));
  const BatchOutcome outcome = Run(1);
  ASSERT_EQ(outcome.exit_status, kExitOk) << err_.str();
  ASSERT_EQ(outcome.rows.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(outcome.rows[i].station, static_cast<int>(i + 1));
    EXPECT_EQ(outcome.rows[i].serial, std::to_string(500 + i)) << "stations take turns";
  }
  EXPECT_EQ(ReadFile(StationFile(3)), file3) << "the batch does not write station files";
}

TEST_F(BatchTest, RunsGoRoundTheQueueWhenAskedForMoreThanItHolds) {
  for (int k = 2; k <= 4; ++k) fs::remove(StationFile(k));
  const BatchOutcome outcome = Run(9);
  ASSERT_EQ(outcome.exit_status, kExitOk) << err_.str();
  ASSERT_EQ(outcome.rows.size(), 9u);
  const int queue = static_cast<int>(jig_.adapters[0].packs.size());
  for (int run = 0; run < 9; ++run) EXPECT_EQ(outcome.rows[run].pack, run % queue) << run;
}

TEST_F(BatchTest, StationWithoutFileIsSkippedAndKeepsItsPlace) {
  fs::remove(StationFile(2));
  const BatchOutcome outcome = Run(1);
  ASSERT_EQ(outcome.exit_status, kExitOk) << err_.str();
  std::vector<int> stations;
  for (const BatchRow& row : outcome.rows) stations.push_back(row.station);
  EXPECT_EQ(stations, (std::vector<int>{1, 3, 4}));
  EXPECT_EQ(outcome.rows[1].target, "100.1.09") << "station 3 uses Station3.ini";
  EXPECT_TRUE(outcome.rows[1].passed);
  EXPECT_NE(out_.str().find("no station file Station2.ini, skipped"), std::string::npos);
}

TEST_F(BatchTest, StationWithRefusedImageIsSkippedAndKeepsItsAdapter) {
  EditStation(2, [](TesterConfig& c) { c.DataFlashImageFile = "missing.rom"; });
  const BatchOutcome outcome = Run(1);
  ASSERT_EQ(outcome.exit_status, kExitOk) << err_.str();
  std::vector<int> stations;
  for (const BatchRow& row : outcome.rows) stations.push_back(row.station);
  EXPECT_EQ(stations, (std::vector<int>{1, 3, 4})) << "no later station reopens adapter 2";
  EXPECT_NE(out_.str().find("golden image missing.rom refused"), std::string::npos) << out_.str();
}

TEST_F(BatchTest, AdapterHeldElsewhereLeavesTheOtherStations) {
  HoldAdapter(0);
  const BatchOutcome outcome = Run(1);
  ASSERT_EQ(outcome.exit_status, kExitOk) << err_.str();
  std::vector<int> stations;
  for (const BatchRow& row : outcome.rows) stations.push_back(row.station);
  EXPECT_EQ(stations, (std::vector<int>{2, 3, 4})) << "files by the adapter's place";
  EXPECT_NE(out_.str().find("held by another program"), std::string::npos);
}

TEST_F(BatchTest, FailedSerialWriteShowsNoSerialAndItsNumberIsNotReused) {
  // Station 1 only: an unanswering gauge, then a good pack; failures get a number.
  UseJig(R"([adapter 3F2A9C41D07B4E8895A1C6E2B0F47D01]
[pack dead 800.1.02]
unresponsive = yes
df_seed = 23
mass_erase_ms = 40
[pack good 800.1.02]
identity = 0x08A102
df_seed = 24
mass_erase_ms = 40
true_sense_mohm = 10.02
)");
  EditStation(1, [](TesterConfig& c) {
    c.NoSerialOnFail = 0;
    c.NextSerialNumber = 40;
  });
  const BatchOutcome outcome = Run();
  ASSERT_EQ(outcome.exit_status, kExitOk) << err_.str();
  ASSERT_EQ(outcome.rows.size(), 2u);
  const BatchRow& dead = outcome.rows[0];
  EXPECT_EQ(dead.code, 65559);
  EXPECT_EQ(dead.ext_code, 65545) << "the failure tail's serial write failed";
  EXPECT_TRUE(dead.serial.empty()) << "number 40 is not in the gauge";
  EXPECT_EQ(dead.unwritten, 1);
  EXPECT_TRUE(outcome.rows[1].passed) << outcome.rows[1].message;
  EXPECT_EQ(outcome.rows[1].serial, "41") << "an issued number is never issued again";
  EXPECT_EQ(outcome.serials_issued, 2);

  // The counter keeps each number's fate, the log each completion.
  SqliteSerialCounter counter(Home().string(), clock_);
  std::string error;
  const std::optional<SerialSummary> summary = counter.Summary(2, error);
  ASSERT_TRUE(summary) << error;
  ASSERT_EQ(summary->latest.size(), 2u);
  EXPECT_EQ(summary->latest[0].serial, 41);
  EXPECT_EQ(summary->latest[0].fate, SerialFate::kWritten);
  EXPECT_EQ(summary->latest[1].fate, SerialFate::kVoid);
  EXPECT_EQ(summary->latest[1].station, "Station1");
  SqliteTesterLog log(Home().string(), clock_);
  const auto runs = log.Runs(RunFilter{}, error);
  ASSERT_TRUE(runs) << error;
  ASSERT_EQ(runs->size(), 2u);
  EXPECT_EQ((*runs)[0].serial, "41");
  EXPECT_EQ((*runs)[1].outcome, RunOutcome::kError);
  EXPECT_EQ((*runs)[1].err_code, 65559);
  EXPECT_EQ(summary->latest[1].run, (*runs)[1].started_at) << "number and run tie up";

  // The next batch on the folder goes on from the counter, not from the station file.
  const BatchOutcome again = Run();
  ASSERT_EQ(again.rows.size(), 2u);
  EXPECT_EQ(again.rows[1].serial, "43") << "42 went to the dead pack again";
}

TEST_F(BatchTest, ExhaustedCounterWritesNoNumber) {
  for (int k = 2; k <= 4; ++k) fs::remove(StationFile(k));
  EditStation(1, [](TesterConfig& c) { c.NextSerialNumber = 2147483647; });
  {
    SqliteSerialCounter counter(Home().string(), clock_);
    ASSERT_EQ(counter.SetRange({2147483600, 2147483647}), "");
  }
  const BatchOutcome outcome = Run(2);
  ASSERT_EQ(outcome.exit_status, kExitOk) << err_.str();
  ASSERT_EQ(outcome.rows.size(), 2u);
  EXPECT_EQ(outcome.rows[0].serial, "2147483647");
  EXPECT_FALSE(outcome.rows[1].passed);
  EXPECT_EQ(outcome.rows[1].code, 65545);
  EXPECT_TRUE(outcome.rows[1].serial.empty()) << "no number wrapped round to a used one";
}

TEST_F(BatchTest, RefusesToStartWithoutStationsAdaptersOrRunCount) {
  for (int k = 1; k <= 4; ++k) fs::remove(StationFile(k));
  EXPECT_EQ(Run().exit_status, kExitCannotStart);
  EXPECT_NE(err_.str().find("no station to test"), std::string::npos);

  SetUp();  // fresh folder with its station files
  backend_.describe = nullptr;
  err_.str("");
  EXPECT_EQ(Run().exit_status, kExitCannotStart) << "no queue length without the jig";
  EXPECT_NE(err_.str().find("--runs"), std::string::npos);
  EXPECT_EQ(Run(1).rows.size(), 4u) << "with --runs it runs";

  backend_.make_control = [](int, std::string& error) -> std::unique_ptr<GaugeControl> {
    error = "no backend";
    return nullptr;
  };
  err_.str("");
  EXPECT_EQ(Run(1).exit_status, kExitCannotStart);
  EXPECT_NE(err_.str().find("no backend"), std::string::npos);
}

TEST(BatchArgs, RunCountMustBeAWholeNumberInRange) {
  std::string error;
  EXPECT_FALSE(ParseBatchArgs({}, error)->runs.has_value());
  EXPECT_EQ(ParseBatchArgs({"--runs", "3"}, error)->runs, 3);
  EXPECT_EQ(ParseBatchArgs({"--runs", std::to_string(kMaxBatchRuns)}, error)->runs,
            kMaxBatchRuns);
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--runs"}, {"--runs", "0"}, {"--runs", "-2"}, {"--runs", "3x"},
        {"--runs", ""}, {"--runs", "99999999999"}, {"--runs", std::to_string(kMaxBatchRuns + 1)},
        {"--count", "3"}, {"--runs", "3", "4"}}) {
    error.clear();
    EXPECT_FALSE(ParseBatchArgs(bad, error).has_value()) << bad.back();
    EXPECT_FALSE(error.empty());
  }
}

TEST(BatchTable, SecondsRoundToTheNearestTenthTiesToEven) {
  EXPECT_EQ(FormatSeconds(8849), "8.8");
  EXPECT_EQ(FormatSeconds(8850), "8.8");
  EXPECT_EQ(FormatSeconds(8950), "9.0");
  EXPECT_EQ(FormatSeconds(8851), "8.9");
  EXPECT_EQ(FormatSeconds(0), "0.0");
  EXPECT_EQ(FormatSeconds(-1250), "-1.2");
}

TEST(BatchTable, FailedRowsCarryTheirCodesAndTotalsCountThem) {
  BatchRow pass{1, "800.1.02", 0, "reference", "17", 0, true, 0, 0, "", 8800};
  BatchRow fail{3, "100.1.09", 4, "", "", 1, false, 65559, 65545, "No answer.", 1150};
  BatchRow none{2, "450.2.01", 1, "", "", 0, false, std::nullopt, std::nullopt,
                "the run ended without a verdict", 0};
  std::ostringstream out;
  PrintBatchTable({pass, fail, none}, BatchTotals{2, 3000}, out);
  const std::string text = out.str();
  EXPECT_NE(text.find("3 100.1.09  4"), std::string::npos) << text;
  EXPECT_NE(text.find("65559  65545"), std::string::npos) << text;
  EXPECT_NE(text.find("No answer."), std::string::npos);
  EXPECT_NE(text.find("3 run(s): 1 passed, 2 failed"), std::string::npos) << text;
  EXPECT_NE(text.find("1 written, 2 issued (1 of them to a write that failed)"), std::string::npos);
  EXPECT_NE(text.find("Station time: 10.0 s"), std::string::npos);
  EXPECT_NE(text.find("Real time elapsed: 3000 ms"), std::string::npos);
}

}  // namespace
}  // namespace tester
