#pragma once
// Records of a calibration: the options the test sequence builds from the station
// configuration, the averaged raw readings of one sampling pass and the coefficients
// that are range-checked and written into the gauge's calibration class.
#include <array>
#include <cstdint>

#include "common/calibration_values.h"

namespace tester {

// Flags here are 16-bit truth values: True = -1, False = 0; any nonzero value counts as set.
struct CalOptions {
  int16_t CalCCOffset = 0;        // measure and store the coulomb-counter offset
  int16_t CalBoardOffset = 0;     // measure and store the board offset
  int16_t CalVoltage = 0;         // compute cell and pack voltage gains
  int16_t CalTemperature = 0;     // compute temperature offsets
  int16_t CurrentCalEnabled = 0;  // compute CC gain and CC delta (includes the CC offset)
  int16_t CalSimultaneous = 0;    // voltage and current references applied together
  int32_t RefVoltage1 = 0;        // mV across cell 1
  int16_t RefVoltage2 = 0;        // mV across cells 1..2
  int16_t RefVoltage3 = 0;        // mV across cells 1..3
  int16_t RefVoltage4 = 0;        // mV across cells 1..4
  int16_t CalParamE = 0;          // carried, not used by calibration
  int16_t CellCount = 0;          // series cells, 1..4
  float RefTemperature = 0.0f;    // degC
  int16_t IntTSCalEnabled = 0;    // calibrate the gauge's internal sensor
  int16_t TS1CalEnabled = 0;
  int16_t TS2CalEnabled = 0;
  int16_t TS3CalEnabled = 0;
  int16_t TS4CalEnabled = 0;
  int16_t RefCurrentNeg = 0;      // mA as the gauge sees it: minus the station's RefCurrent
  int16_t CalParamL = 0;          // carried, not used by calibration
};

// Averaged raw readings of one sampling pass (calibration data block 0x23).
struct RawCalData {
  int32_t Counter = 0;       // sample counter of the last block
  int32_t Mode = 0;          // mode byte of the last block
  int32_t CurrentRaw = 0;    // coulomb counter with the reference current (mode byte 1)
  int32_t CCOffsetRaw = 0;   // coulomb counter without it (other mode bytes)
  std::array<int32_t, 4> CellRaw{};  // cell voltage readings 1..4 (values 1..4)
  std::array<int32_t, 5> Extra{};    // values 5..9, signed, carried but not interpreted
  int32_t Value10 = 0;       // value 10, unsigned, carried but not interpreted
  int32_t PackRaw = 0;       // value 11: pack voltage reading
};

// CalibrationResults and the temperature slots: common/calibration_values.h.

}  // namespace tester
