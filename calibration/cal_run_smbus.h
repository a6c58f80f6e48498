#pragma once
// Host-computed calibration of SMBus gauges (every command set but 6 and 7, address
// 0x17): calibration mode, sampling passes with and without the reference current (and
// one for the board offset), coefficients computed here, range checks, and the
// coefficients written into the gauge's calibration class.
#include <cstdint>

#include "calibration/cal_context.h"
#include "calibration/cal_types.h"
#include "common/tester_config.h"

namespace tester {

// True when any of CalCCOffset, CalBoardOffset, CalVoltage, CalTemperature,
// CurrentCalEnabled is set.
bool AnyCalibrationRequested(const CalOptions& options);

// Runs the calibration the options ask for. 0; 5001 when nothing is requested (no
// traffic but the temperature-source patch of ToggleTempBit); 5010 calibration mode not
// entered; 5032 a sampling pass failed; 65547 writing the coefficients failed; the codes
// of the computations and range checks; a calibration-board switch's status unchanged.
Status RunCalibrationSMBus(CalContext& ctx, const TesterConfig& config,
                           const CalOptions& options, uint8_t maCommand, uint8_t addr);

}  // namespace tester
