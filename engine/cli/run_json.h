#pragma once
// The completion report of a console run as one JSON object on one line: the values every
// completion carries (serial, errCode, extErrCode, logFile, custom) and the run's whole
// record beside them (platform/automation/run_record_json.h; docs/run-report.md).
#include <string>

#include "common/automation_contract.h"
#include "common/run_record.h"

namespace tester {

std::string RunReportJson(const CompletionReport& report, const RunRecord& record);

}  // namespace tester
