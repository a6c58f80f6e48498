#pragma once
// What a factory keeps of every pack a station tested: one record per run, made by the
// engine, printed by the console run, sent with the completion to the controller and
// stored in the result log. Printed output is never the only copy of a result.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/calibration_values.h"

namespace tester {

// The verdict of one run: keeps a pack that failed apart from a station or bus fault and
// from a run broken off.
enum class RunOutcome {
  kPass,     // the pack passed
  kFail,     // the pack failed a check (identity, calibration limits, a write it refused)
  kError,    // the station, the bus or the engine failed (no answer, a transfer error)
  kAborted,  // the run broke off before its verdict (an outside component failed)
};

// "PASS", "FAIL", "ERROR", "ABORTED".
std::string_view OutcomeText(RunOutcome outcome);
std::optional<RunOutcome> OutcomeFromText(std::string_view text);

// One reported step: from its status text to the next report.
struct RunStep {
  std::string text;
  int32_t status = 2;          // the lights' status of the report (busy)
  int64_t start_ms = 0;        // station clock, since the run began
  int64_t duration_ms = 0;
  bool operator==(const RunStep&) const = default;
};

// One value the run measured or computed, with the limits it was checked against.
struct RunMeasurement {
  std::string name;            // e.g. "senseResistance", "cellGain1", "tempOffsetTS1"
  double value = 0;
  std::string unit;            // e.g. "uOhm", "counts", "0.1 K"
  std::optional<double> low;   // limits, both included; absent: not checked that way
  std::optional<double> high;
  bool operator==(const RunMeasurement&) const = default;
};

struct RunRecord {
  // Where and when.
  std::string station;            // station name: its station file without folder
  std::string adapter;            // identifier of the adapter the station ran on
  std::string started_at;         // wall clock, ISO 8601 with offset
  int64_t duration_ms = 0;        // from the first step to the station switched off
  std::string software_version;   // of the engine: major.minor.revision
  // What was tested, and with what.
  std::string target;             // the target the station expects (TargetName)
  std::string version_text;       // what the gauge reported, empty when unread
  std::string image_file;         // golden image set up, empty without programming
  std::string image_sha256;       // its digest, empty when it could not be read
  std::vector<std::string> warnings;  // what the station's set-up warned of
  bool new_main = false;          // the new-main process finished the run
  // What happened.
  std::vector<RunStep> steps;
  std::vector<RunMeasurement> measurements;
  std::optional<CalibrationResults> computed;  // host-computed coefficients
  std::optional<CalLimitReadings> checked;     // gauge-assisted: what the limit check read
  std::optional<int16_t> date_code;            // manufacture date written (packed)
  // The verdict (also the completion report's values).
  bool completed = false;         // a verdict was reached
  std::string serial = "0";       // serial written, "0" when none
  int32_t err_code = 0;
  int32_t ext_err_code = 0;
  std::string message;            // the failing step's message, empty on a pass
  RunOutcome outcome = RunOutcome::kAborted;
};

}  // namespace tester
