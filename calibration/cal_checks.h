#pragma once
// Range checks of computed calibration coefficients against the nominal values and
// tolerances of the station configuration. Each check runs only when its enable property
// is 1; the first failing check decides the result.
#include <cstdint>

#include "calibration/cal_types.h"
#include "common/status_codes.h"
#include "common/tester_config.h"

namespace tester {

struct StationSettings;

// Sense resistance (uOhm) follows from the coulomb-counter gain as this over the gain.
inline constexpr double kSenseResistorPerGain = 9.419;

// |nominal - value| / nominal x 100 > |tolerance|, compared exactly in integers so that a
// deviation equal to the tolerance passes. `nominal` is positive.
bool BeyondTolerance(int64_t nominal, int64_t value, int16_t tolerance);

// A gain against its nominal (positive): 0 within the tolerance, else 65581 below and
// 65580 at or above.
Status CheckGainTolerance(int64_t nominal, int64_t gain, int16_t tolerance);

// 0 when |offset| <= |tolerance|; else 65591 when offset < tolerance, 65590 otherwise.
Status CheckOffsetLimit(int16_t offset, int16_t tolerance);

// Sense resistance `micro_ohms` against NominalSenseResistor (mOhm, formed wide as
// x 1000) and SenseResistorTolerance (%). A deviation equal to the tolerance passes.
// 0; 65570 below, 65571 at or above nominal; 65617 for a nominal of 0 or below.
Status CheckSenseResistance(const TesterConfig& config, int64_t micro_ohms);

// Cell and pack gains (command set 5: cell offsets in -128..127), sense resistance from
// CCGain, temperature offsets. 0 or the code of the first failing check: 65580/65581
// (gain above/below), 65570/65571 (sense resistance; 65571 also for CCGain <= 0),
// 65590/65591 (temperature); 65617 for a nominal gain, pack nominal or sense resistor
// of 0 or below, or a CellCount above 4, which leave nothing to compare with.
Status CheckCalResults(const StationSettings& settings, const TesterConfig& config,
                       const CalibrationResults& results);

}  // namespace tester
