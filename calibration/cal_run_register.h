#pragma once
// Host-computed calibration of register-style gauges (command sets 6 and 7, address
// 0xAA): the coulomb-counter offset is measured by the gauge on command; current, board
// offset, temperature and voltage are computed here and patched into the 32-byte
// calibration class (data-flash class 104), which is written back once at the end.
//
// Calibration class 104 as patched here:
//   bytes 0-3   CC gain (data-flash float)      bytes 4-7  CC delta (data-flash float)
//   bytes 8-9   CC offset, big-endian            byte 10    board offset (x 4.7095 / 64)
//   byte 11     internal-sensor temperature offset, 0.1 K, signed
//   byte 12     external-sensor temperature offset, 0.1 K, signed
//   byte 13     cell-1 voltage offset, mV, signed (command set 7)
//   bytes 14-15 voltage gain, big-endian (command set 6)
#include <cstdint>

#include "calibration/cal_context.h"
#include "calibration/cal_types.h"
#include "common/tester_config.h"

namespace tester {

inline constexpr int16_t kI2CCalClass = 104;  // data-flash class of the coefficients

// The coulomb-counter offset step is given up after this long, or after this many polls,
// when the gauge never reports it done (bit 11 of its control status stays set).
inline constexpr int kCCOffsetDoneLimitMs = 5000;
inline constexpr int kCCOffsetDonePollLimit = 50;

// Runs the calibration the options ask for. 0; 5001 nothing requested; 5010 calibration
// mode not entered; 5020 the coulomb-counter offset step never reported done; 5025 the
// corrected current reading is 0; 5026 a temperature read failed; 5031 NumSamples below 1;
// 65542 writing the class failed; 65570/65571 sense resistance; 65580/65581 voltage
// reference, gain or offset out of range; 65590/65591 temperature offset; 65612 no
// external sensor; 65615 a board offset value that does not fit its byte; 65617 a
// nominal sense resistor of 0 or below; other statuses of failed transfers unchanged.
Status RunCalibrationI2C(CalContext& ctx, const TesterConfig& config, const CalOptions& options,
                         uint8_t maCommand, uint8_t addr);

}  // namespace tester
