#pragma once
// The completion report of a console run as one JSON object (one line): the five values
// of the report, the station and the run's duration, then what the run recorded for
// traceability (gauge version, process, steps with their timings, calibration values).
//
//   {"serial":"17","errCode":0,"extErrCode":0,"logFile":"results.log","custom":"",
//    "station":"3F2A…","durationMs":9321,"version":"800.1.02","process":"main",
//    "steps":[{"text":"Power Up...","status":2,"startMs":0,"durationMs":250},…],
//    "calibration":{"checked":{"cellGain":20010,"senseResistance":10040,
//                              "tempOffsets":[0,-4,0]}},"dateCode":23942}
#include <string>
#include <string_view>

#include "engine/run_record.h"
#include "engine/run_reports.h"

namespace tester {

// `text` as a JSON string literal, quotes included; control characters escaped, bytes of
// UTF-8 passed through.
std::string JsonString(std::string_view text);

std::string RunReportJson(const CompletionReport& report, const RunRecord& record,
                          const std::string& station);

}  // namespace tester
