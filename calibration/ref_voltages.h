#pragma once
// Per-tap voltage scale factors (K factors) of gauges that calibrate themselves: after
// the gauge-assisted calibration the tester compares the gauge's tap voltages with the
// station's reference taps and, when they are not all within the window, rescales each
// tap's K factor in the calibration class of data flash.
#include <array>
#include <cstdint>

#include "calibration/cal_context.h"

namespace tester {

inline constexpr int kKFactorTaps = 4;  // taps (series cells) a pack may have
// Cell voltage commands count down from cell 1: 0x3F, 0x3E, 0x3D, 0x3C.
inline constexpr uint8_t kCellVoltageCmdBase = 0x40;
inline constexpr int kKFactorStabilityMs = 1500;       // how long the readings may take to settle
inline constexpr int kKFactorStabilityPollMs = 100;    // between two passes over the taps
inline constexpr int kKFactorOverrideSettleMs = 2500;  // the gauge applies the override word

// Cumulative tap voltages (mV): tap i = cell 1 + ... + cell i.
using TapVoltages = std::array<int32_t, kKFactorTaps>;
// Reference voltages of taps 1..4 (mV), cumulative like the taps.
using TapReferences = std::array<int16_t, kKFactorTaps>;

// `refVoltages`: cumulative tap references in mV (tap 1..4); `cellCount` 1..4; `window`
// in mV, 0 = always correct. 0 when the taps are within the window or the correction
// was written; bus and data-flash statuses pass through; kStatusUnexpectedFailure for a
// cell count outside 1..4, K factors outside their block, a tap reading or K factor of 0,
// or a new K factor that does not fit its 16-bit word.
Status CalibrateRefVoltages(CalContext& ctx, const TapReferences& refVoltages, int16_t cellCount,
                            int16_t window);

// --- pieces, also used to drive simulated gauges -------------------------------------

// Reads cells 1..cellCount once (cell readings are unsigned mV) into cumulative taps.
Status ReadTapVoltages(GaugeLink& link, int cellCount, TapVoltages& taps);

// Every tap 1..cellCount within ref - window .. ref + window.
bool TapsWithinWindow(const TapVoltages& taps, const TapReferences& refs, int cellCount,
                      int window);

// K_new = round(ref / (tap / K_old)), ties to even. K factors are unsigned 16-bit scale
// factors. 0 with `kNew` set, or kStatusUnexpectedFailure when K_old or the tap is 0 or
// the result does not lie in 1..65535 (0 would stop the tap from reading anything).
Status ScaleKFactor(uint16_t kOld, int32_t tapMv, int32_t refMv, uint16_t& kNew);

}  // namespace tester
