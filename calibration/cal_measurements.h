#pragma once
// A calibration's values as the run's record keeps them: each with its unit and the
// limits the checks compared it with (cal_checks.h for host-computed coefficients,
// engine/cal_limits.h for what a gauge-assisted calibration left in the gauge). A value
// whose check is switched off is recorded without limits.
#include <vector>

#include "common/calibration_values.h"
#include "common/run_record.h"
#include "common/tester_config.h"

namespace tester {

struct StationSettings;

// Either may be null (no such values in this run).
std::vector<RunMeasurement> CalibrationMeasurements(const TesterConfig& config,
                                                    const StationSettings& settings,
                                                    const CalibrationResults* computed,
                                                    const CalLimitReadings* checked);

}  // namespace tester
