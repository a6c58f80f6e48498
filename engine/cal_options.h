#pragma once
// The calibration options of a run, built from the station configuration when the run
// reaches calibration. A flag becomes True (-1) when its property equals 1, else False.
#include <cstdint>

#include "calibration/cal_types.h"
#include "common/tester_config.h"

namespace tester {

// `commandset` decides two flags: register-style gauges (6, 7) take the board-offset flag
// from CalBoardOffsetAlt and calibrate voltage whenever VoltageCalEnabled is on; the others
// calibrate voltage inside the calibration only for VoltageCalMode 0 or 2 (mode 1 leaves
// it to the separate per-tap step). RefVoltage2..4 and the current are 16-bit fields: the
// station file keeps them within 0..65535 mV and -32767..32767 mA.
void GetCalOptions(const TesterConfig& config, int16_t commandset, CalOptions& options);

}  // namespace tester
