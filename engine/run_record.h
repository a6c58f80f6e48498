#pragma once
// What one run did, beyond its completion report, for traceability: the gauge it found,
// when each step began and how long it took, and the calibration values it produced.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "calibration/cal_types.h"
#include "engine/cal_limits.h"
#include "engine/run_reports.h"

namespace tester {

// One reported step: from its status text to the next report.
struct RunStep {
  std::string text;
  int32_t status = vb_cbbusy;  // the lights' status of the report
  int64_t start_ms = 0;        // station clock, since the run began
  int64_t duration_ms = 0;
};

struct RunRecord {
  std::vector<std::string> warnings;  // what the station's set-up warned of
  std::string image_file;         // golden image of the set-up, empty without programming
  std::string image_sha256;       // its digest, empty when it could not be read
  std::string version_text;       // what the gauge reported, empty when unread
  bool new_main = false;          // the new-main process finished the run
  std::vector<RunStep> steps;
  std::optional<int16_t> date_code;        // manufacture date written (packed)
  std::optional<CalibrationResults> computed;  // host-computed coefficients
  std::optional<CalLimitReadings> checked;     // gauge-assisted: what the limit check read
  std::optional<CompletionReport> completion;
  int64_t duration_ms = 0;        // from the first step to the station switched off
};

}  // namespace tester
