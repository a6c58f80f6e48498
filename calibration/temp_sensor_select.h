#pragma once
// Temperature source of SMBus gauges: one byte of the registers class in data flash
// (at byte address RegistersClsID) says which sensor the gauge measures. Before
// calibration it is switched to the sensor being calibrated, through the 32-byte page
// selected by the manufacturer-access word (0x01, page) and block 0x2F.
#include <cstdint>

#include "calibration/cal_context.h"
#include "calibration/cal_types.h"

namespace tester {

// Source byte values of command set 0.
inline constexpr uint8_t kTempSourceInternal = 0x20;  // internal sensor
inline constexpr uint8_t kTempSourceTS1 = 0x28;       // external sensor TS1
// Command set 5: bit 0 of the byte set = external sensor TS1.
inline constexpr uint8_t kTempSourceTS1Bit5 = 0x01;

// Patches the source byte at block position (RegistersClsID mod 32) + 1 of page
// RegistersClsID div 32 and reads the page back. 0 (also when nothing needs to change);
// 65558 when the read-back differs from what was written; a failed transfer's status;
// kStatusDfPositionOutOfBlock when the byte or page lies where the block commands cannot
// reach (refused before anything is written).
Status SelectTempSensor(CalContext& ctx, const CalOptions& options);

}  // namespace tester
