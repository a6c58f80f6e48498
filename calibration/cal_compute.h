#pragma once
// Calibration coefficients of SMBus gauges from the averaged raw readings, the station's
// reference values and words the gauge keeps in its calibration class of data flash
// (CC-offset sample count, board offset). Bus reads go to the SMBus gauge at 0x17 through
// the manufacturer-access command of the QZMAC setting.
#include <cstdint>

#include "calibration/cal_context.h"
#include "calibration/cal_types.h"

namespace tester {

struct StationSettings;

// Coulomb-counter delta per unit of gain: 2^32/3600 (command set 5) and 2^30/3600.
inline constexpr double kCCDeltaFactor5 = 1193046.4711;
inline constexpr double kCCDeltaFactor = 298261.6178;

// Cell gains round(65536 x R[j] / S), S the sum of the raw cell readings up to tap j,
// and the pack gain round(65536 x P / PackRaw) (0 when PackRaw is 0); command set 5
// computes the cell-1 offset RefVoltage1 - CellRaw[0] instead. 0, or:
//  - 65617 when CellCount lies outside 1..4;
//  - 65580 (above) / 65581 (below) when a cell gain or offset does not fit a signed 16-bit
//    value, or the pack gain a signed 32-bit value; a sum S of 0 counts as above.
Status ComputeVoltageGains(const StationSettings& settings, const CalOptions& options,
                           const RawCalData& raw, CalibrationResults& results);

// BoardOffset = N x (B.CurrentRaw - A.CCOffsetRaw), N the gauge's CC-offset sample count.
// 0, or 5030 for a failed read, an N of 0, or a result beyond a signed 16-bit value.
Status ComputeBoardOffset(CalContext& ctx, const RawCalData& a, const RawCalData& b,
                          CalibrationResults& results);

// CCOffsetTotal = N x CCOffsetRaw; unless `offsetOnly`, also CCGain from the corrected
// current reading and CCDelta. 0, 5025 when the corrected reading is 0, or 5031 for a
// failed read, an N of 0, or a CCOffsetTotal beyond a signed 16-bit value.
Status ComputeCurrentCal(CalContext& ctx, const CalOptions& options, const RawCalData& raw,
                         bool offsetOnly, CalibrationResults& results);

// Temperature offsets round(T - reading) in 0.1 K, T the reference temperature in 0.1 K.
// 0, or 5026 for a failed read or a short temperature block. An offset beyond a signed
// 16-bit value is held at its end (the range check then rejects it).
Status ComputeTempOffsets(CalContext& ctx, const CalOptions& options,
                          CalibrationResults& results);

}  // namespace tester
