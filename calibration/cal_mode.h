#pragma once
// Calibration mode of SMBus gauges: the gauge streams raw readings (block 0x23) instead of
// calibrated values while it is in this mode. How the mode is read and toggled depends on
// the gauge family (COMMANDSET); all toggles go through the manufacturer-access command.
#include <cstdint>

#include "calibration/cal_context.h"

namespace tester {

// Manufacturer-access words, as (high byte, low byte).
inline constexpr uint8_t kCalToggleHigh = 0x00;    // (0x00, 0x2D): toggle calibration mode
inline constexpr uint8_t kCalToggleLow = 0x2D;
inline constexpr uint8_t kCalStopHigh = 0xF0;      // (0xF0, 0x80): stop calibration sampling
inline constexpr uint8_t kCalStopLow = 0x80;
inline constexpr uint8_t kCalStatusQueryLow = 0x81;  // (0xF0, 0x81): command set 2 status query
inline constexpr int16_t kCalStatusWord48 = 0x0057;  // command sets 4 and 8: status into 0x23

// Blocks that report the mode.
inline constexpr uint8_t kCalDataBlock = 0x23;    // calibration data / status block
inline constexpr uint8_t kCalStatusBlock = 0x57;  // operation status of the other families

// True when `bit` (0..15) of the 16-bit pattern of `value` is set; false for any other bit.
bool IsBitSet(int16_t value, int16_t bit);

// Puts the gauge into calibration mode (`enter` nonzero) or takes it out (`enter` 0).
// The state is read first; the mode is toggled only when it differs from the one asked
// for, and then read again. 0 when the gauge ends in the state asked for.
// Failures: 5010 when it does not (command sets 4 and 8: 1); a failed transfer's status
// unchanged; command sets 4 and 8 show "Communication error reading manufacturer status
// determining cal mode status." and return 1 when the read after the toggle fails.
Status SetCalMode(CalContext& ctx, uint8_t maCommand, uint8_t addr, int16_t enter);

}  // namespace tester
