// The console run's JSON line: texts from station files and gauges reach it, so every
// character must come out as valid JSON.
#include "engine/run_json.h"

#include <gtest/gtest.h>

namespace tester {
namespace {

TEST(RunJsonTest, StringsAreEscapedAndUtf8PassesThrough) {
  EXPECT_EQ(JsonString("plain"), "\"plain\"");
  EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonString("l1\nl2\r\t"), "\"l1\\nl2\\r\\t\"");
  EXPECT_EQ(JsonString(std::string("\x01\x1f\x7f", 3)), "\"\\u0001\\u001f\\u007f\"");
  EXPECT_EQ(JsonString(std::string("nul\0x", 5)), "\"nul\\u0000x\"");
  EXPECT_EQ(JsonString("25 \xC2\xB0""C"), "\"25 \xC2\xB0""C\"");
}

TEST(RunJsonTest, OptionalPartsAppearOnlyWhenTheRunProducedThem) {
  CompletionReport report{"12", 65544, 65571, "log \"a\".txt", ""};
  RunRecord record;
  record.version_text = "800.1.02";
  record.steps.push_back(RunStep{"Power Up...", vb_cbbusy, 0, 1003});
  std::string json = RunReportJson(report, record, "ADAPTER");
  EXPECT_EQ(json.find("calibration"), std::string::npos);
  EXPECT_EQ(json.find("dateCode"), std::string::npos);
  EXPECT_NE(json.find("\"logFile\":\"log \\\"a\\\".txt\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"steps\":[{\"text\":\"Power Up...\",\"status\":2,\"startMs\":0,"
                      "\"durationMs\":1003}]"),
            std::string::npos)
      << json;

  CalLimitReadings checked;
  checked.sense_resistance = 10040;
  record.checked = checked;
  record.date_code = 23942;
  json = RunReportJson(report, record, "ADAPTER");
  EXPECT_NE(json.find("\"calibration\":{\"checked\":{\"senseResistance\":10040}}"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"dateCode\":23942}"), std::string::npos) << json;
}

}  // namespace
}  // namespace tester
