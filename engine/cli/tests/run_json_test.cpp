// The console run's JSON line and the record's JSON form: texts from station files and
// gauges reach them, so every character must come out as valid JSON and read back as it
// went in; what a run did not produce is left out.
#include "engine/cli/run_json.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "platform/automation/run_record_json.h"

namespace tester {
namespace {

QJsonObject Parsed(const std::string& line) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
  EXPECT_EQ(line.find('\n'), std::string::npos) << "one line";
  return doc.object();
}

TEST(RunJsonTest, TheLineCarriesTheReportAndTheRecordAndOnlyWhatTheRunProduced) {
  const CompletionReport report{"12", 65544, 65571, "log \"a\".txt\n", ""};
  RunRecord record;
  record.adapter = "ADAPTER";
  record.version_text = std::string("800.\x01\xC2\xB0", 7);
  record.steps.push_back(RunStep{"Power Up...", vb_cbbusy, 0, 1003});
  QJsonObject line = Parsed(RunReportJson(report, record));
  EXPECT_EQ(line.value("logFile").toString().toStdString(), report.sLogFile);
  EXPECT_EQ(line.value("version").toString().toStdString(), record.version_text);
  EXPECT_EQ(line.value("station").toString(), "ADAPTER");
  EXPECT_EQ(line.value("extErrCode").toInt(), 65571);
  EXPECT_FALSE(line.contains("calibration"));
  EXPECT_FALSE(line.contains("dateCode"));
  EXPECT_FALSE(line.contains("imageFile"));
  EXPECT_FALSE(line.contains("warnings"));

  record.checked = CalLimitReadings{std::nullopt, 10040, std::nullopt};
  record.date_code = 23942;
  line = Parsed(RunReportJson(report, record));
  EXPECT_EQ(line.value("calibration").toObject(),
            (QJsonObject{{"checked", QJsonObject{{"senseResistance", 10040}}}}));
  EXPECT_EQ(line.value("dateCode").toInt(), 23942);
}

TEST(RunJsonTest, ARecordReadsBackAsItWasWritten) {
  RunRecord record;
  record.station = "Station1";
  record.adapter = "3F2A";
  record.started_at = "2026-01-05T08:00:00.000+01:00";
  record.duration_ms = 8767;
  record.software_version = "1.1.0";
  record.target = "800.1.02";
  record.version_text = "800.1.02";
  record.image_file = "/jig/Tester_800.1.02.rom";
  record.image_sha256 = std::string(64, 'a');
  record.warnings = {"Warning: x"};
  record.new_main = true;
  record.steps = {{"Power Up...", vb_cbbusy, 0, 5}, {"Passed", vb_cbPASS, 5, 7}};
  record.measurements = {{"senseResistance", 10040, "uOhm", 9000, 11000},
                         {"ccDelta", 0.25, "", std::nullopt, std::nullopt}};
  CalibrationResults computed;
  computed.CellGain = {1, -2, 3, 4};
  computed.CCGain = 0.9419;
  computed.TempOffset = {5, 0, -5, 0, 1};
  record.computed = computed;
  record.checked = CalLimitReadings{20010, std::nullopt, std::array<int16_t, 3>{1, 2, 3}};
  record.date_code = 23942;
  record.completed = true;
  record.serial = "17";
  record.err_code = 65559;
  record.ext_err_code = 258;
  record.message = "Communication error reading from Gas Gauge.";
  record.outcome = RunOutcome::kError;

  std::string error;
  const std::optional<RunRecord> back = RunRecordFromJson(RunRecordToJson(record), error);
  ASSERT_TRUE(back) << error;
  EXPECT_EQ(back->steps, record.steps);
  EXPECT_EQ(back->measurements, record.measurements);
  EXPECT_EQ(back->computed->CellGain, computed.CellGain);
  EXPECT_EQ(back->computed->TempOffset, computed.TempOffset);
  EXPECT_EQ(back->checked->temp_offsets, record.checked->temp_offsets);
  EXPECT_EQ(back->outcome, RunOutcome::kError);
  EXPECT_EQ(RunRecordToJson(*back), RunRecordToJson(record));

  QJsonObject broken = RunRecordToJson(record);
  broken.insert("durationMs", "long");
  EXPECT_FALSE(RunRecordFromJson(broken, error));
  EXPECT_NE(error.find("durationMs"), std::string::npos);
}

}  // namespace
}  // namespace tester
