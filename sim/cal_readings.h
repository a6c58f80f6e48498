#pragma once
// The gauge's calibrated readings: raw counts of the conversion running now (PackPhysics)
// through the coefficients its data flash holds in the pack's layout (cal_layout.h).
// Every reading is rounded the way the gauge reports it: mV, mA, 0.1 K, uOhm.
#include "sim/cal_layout.h"
#include "sim/pack_physics.h"

namespace tester {

class CalReadings {
public:
  CalReadings(const GaugeCore& core, const PackPhysics& physics)
      : core_(core), physics_(physics) {}

  // Voltage of cell `cell` (0-based): tap `cell` minus the tap below it.
  int CellMv(int cell) const;
  // Pack voltage: the pack input through its gain where the layout has one, else the top
  // tap of the pack's cells.
  int VoltageMv() const;
  // Current, discharge negative.
  int CurrentMa() const;
  // Sensor (kSimSensorInternal, TS1..TS4) with its stored offset, 0.1 K.
  int SensorTenths(int sensor) const;
  // Sense resistance the stored CC gain stands for: count microvolts / gain x 1000.
  int SenseMicroohm() const;

private:
  CalCoefficients Coefficients() const;
  double TapMv(const CalCoefficients& c, int tap, int64_t sample) const;

  const GaugeCore& core_;
  const PackPhysics& physics_;
};

}  // namespace tester
