#pragma once
// Verification of what a gauge-assisted calibration left in the gauge: the cell voltage
// gain and the sense resistance against the nominal values and tolerances of the station
// configuration, and the three temperature offsets against their limit. Nothing is
// written to the gauge; the first finding ends the checks.
#include <array>
#include <cstdint>
#include <optional>

#include "common/calibration_values.h"
#include "common/status_codes.h"
#include "common/tester_config.h"
#include "gauge/gauge_link.h"

namespace tester {

// Data-flash class holding the gauge's own calibration results.
inline constexpr int16_t kCalResultsClass = 0x68;
// Offset of the 16-bit cell voltage gain in that class.
inline constexpr int32_t kCellGainOffset = 8;
// SMBus command reading the calibrated sense resistance (word).
inline constexpr uint8_t kSenseResistanceCmd = 0x71;
// NominalCellGain is given in units of 20 gain counts.
inline constexpr int32_t kCellGainNominalUnit = 20;
// NominalSenseResistor is given in mOhm, the gauge reports in units of 1/1000 of that.
inline constexpr int64_t kSenseResistorNominalUnit = 1000;

// 0 when everything checked lies within its limit. In this order, each only when its
// enable flags are on (equal to 1):
//  - cell gain (VoltageCalMode 0 and VoltageCalEnabled): 65580 at or above, 65581 below;
//    65617 when NominalCellGain x 20 does not fit a 16-bit word or is 0;
//  - sense resistance (CurrentCalEnabled): 65571 at or above, 65570 below; 65617 for a
//    nominal of 0 or below;
//  - temperature offsets (TemperatureCalEnabled; each of IntTS/TS1/TS2 by its own flag):
//    65590 / 65591 (see CheckOffsetLimit).
// A deviation equal to the tolerance passes. Any failing gauge read is returned unchanged;
// an error raised inside the checks returns 65617.
// The data-flash offsets of the temperature offsets come from the link's station settings.
Status CheckCalLimits(GaugeLink& link, const TesterConfig& config);

// What the checks read (common/calibration_values.h), for the run's record.
Status CheckCalLimits(GaugeLink& link, const TesterConfig& config, CalLimitReadings& readings);

}  // namespace tester
