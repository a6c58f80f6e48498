#pragma once
// What the gauge of a pack measures: the pack's hidden truth (sim/jig.h TrueValues) and
// what the station applies (PackEnvironment) turned into raw counts, with a little noise
// that is fixed per pack and per sample, so every run of a test sees the same numbers.
// The scales below are the gauge's own; docs/jig-file.md ("Calibration physics") lists
// them with the tester formulas they agree with.
#include <cstdint>

#include "sim/gauge_core.h"

namespace tester {

// Cell taps: a host-layout tap gain of 16384 is nominal, 65536 / 16384 = 4 counts per mV.
inline constexpr int kSimNominalCellGain = 16384;
inline constexpr double kSimCellCountsPerMv = 4.0;
// Pack (VBAT) input: a host-layout pack gain of 30000 is nominal (65536 / 30000 counts per mV).
inline constexpr int kSimNominalPackGain = 30000;
// Gauge layout: a K factor of 20000 is nominal; tap mV = tap counts x K / 80000.
inline constexpr int kSimNominalKFactor = 20000;
inline constexpr double kSimKFactorScale = 80000.0;
// Coulomb counter: microvolts across the sense resistor per count.
inline constexpr double kSimCcMicrovolts = 9.419;      // SMBus gauges
inline constexpr double kSimRegCcMicrovolts = 4.7095;  // register-style gauges
// Offsets are stored as this many conversions summed (the CC-offset sample count).
inline constexpr int kSimCcOffsetSamples = 64;
inline constexpr int kSimRegOffsetSamples = 16;  // register-style gauges
// 0 degC in 0.1 K.
inline constexpr double kSimZeroCelsiusTenths = 2731.5;
// Temperature sensors of a gauge: internal, TS1, TS2, TS3, TS4.
inline constexpr int kSimSensors = 5;
inline constexpr int kSimSensorInternal = 0;
inline constexpr int kSimSensorTS1 = 1;
// Taps of the cell inputs.
inline constexpr int kSimTaps = 4;
// A new conversion (and calibration sample) every 250 ms.
inline constexpr int64_t kSimSampleMicros = 250'000;

// Whether the coulomb counter sees the sense resistor with the pack's board (connected)
// or its own input shorted inside the gauge (then the board offset does not show).
enum class SenseInput { kConnected, kShorted };

class PackPhysics {
public:
  explicit PackPhysics(const GaugeCore& core) : core_(core) {}

  // Series cells of the pack.
  int Cells() const;
  // Voltage across cell `cell` (0-based) now: the reference source while the supply relay
  // is closed, else the pack's own cell; 0 beyond the taps.
  double CellMv(int cell) const;
  // Current through the sense resistor now, mA, discharge negative.
  double CurrentMa() const;
  // Temperature of every sensor now, 0.1 K.
  double TrueTenthsK() const;

  // Raw readings of conversion `sample` (real-valued; the gauge rounds where it reports).
  double CellCounts(int cell, int64_t sample) const;
  double PackCounts(int64_t sample) const;
  // In the family's polarity (CcPolarity).
  double CcCounts(SenseInput input, int64_t sample) const;
  // Board and CC offsets alone, in counts of the family's polarity.
  double CcOffsetCounts(SenseInput input) const;
  double SensorTenths(int sensor, int64_t sample) const;

  // +1: discharge counts negative (SMBus gauges); -1: discharge counts positive (family 5
  // and the register-style gauges).
  int CcPolarity() const;
  double CcMicrovolts() const;
  // Number of the conversion running now.
  int64_t SampleNow() const { return core_.Now() / kSimSampleMicros; }
  // Deterministic noise in [-1, 1] for a channel and a conversion of this pack.
  double Noise(int channel, int64_t sample) const;

private:
  const TrueValues& Truth() const { return core_.Pack().truth; }
  double CellGainError(int cell) const;

  const GaugeCore& core_;
};

}  // namespace tester
