#include "sim/cal_readings.h"

#include <algorithm>
#include <limits>

#include "common/rounding.h"

namespace tester {
namespace {

int ToWordRange(double x, int lo, int hi) {
  return static_cast<int>(std::clamp<int64_t>(RoundToInt64(x), lo, hi));
}

constexpr int kI16Min = std::numeric_limits<int16_t>::min();
constexpr int kI16Max = std::numeric_limits<int16_t>::max();
constexpr int kU16Max = std::numeric_limits<uint16_t>::max();

}  // namespace

CalCoefficients CalReadings::Coefficients() const {
  return ReadCoefficients(core_.Pack(), core_.Memory().DataFlash());
}

double CalReadings::TapMv(const CalCoefficients& c, int tap, int64_t sample) const {
  if (c.cell_offsets) {
    double mv = 0.0;
    for (int cell = 0; cell <= tap; ++cell) {
      mv += physics_.CellCounts(cell, sample) * c.tap_mv_per_count[cell] + c.cell_offset_mv;
    }
    return mv;
  }
  double counts = 0.0;
  for (int cell = 0; cell <= tap; ++cell) counts += physics_.CellCounts(cell, sample);
  return counts * c.tap_mv_per_count[tap];
}

int CalReadings::CellMv(int cell) const {
  // The gauge reports no voltage beyond the pack's cells.
  if (cell < 0 || cell >= physics_.Cells()) return 0;
  const CalCoefficients c = Coefficients();
  const int64_t sample = physics_.SampleNow();
  double below = cell == 0 ? 0.0 : TapMv(c, cell - 1, sample);
  return ToWordRange(TapMv(c, cell, sample) - below, 0, kU16Max);
}

int CalReadings::VoltageMv() const {
  const CalCoefficients c = Coefficients();
  const int64_t sample = physics_.SampleNow();
  if (c.pack_mv_per_count > 0.0) {
    return ToWordRange(physics_.PackCounts(sample) * c.pack_mv_per_count, 0, kU16Max);
  }
  int top = std::max(physics_.Cells(), 1) - 1;
  return ToWordRange(TapMv(c, top, sample), 0, kU16Max);
}

int CalReadings::CurrentMa() const {
  const CalCoefficients c = Coefficients();
  double counts = physics_.CcCounts(SenseInput::kConnected, physics_.SampleNow());
  double ma = physics_.CcPolarity() * c.cc_gain * (counts - c.cc_offset_counts);
  return ToWordRange(ma, kI16Min, kI16Max);
}

int CalReadings::SensorTenths(int sensor) const {
  if (sensor < 0 || sensor >= kSimSensors) return 0;
  const CalCoefficients c = Coefficients();
  double tenths =
      physics_.SensorTenths(sensor, physics_.SampleNow()) + c.temp_offset_tenths[sensor];
  return ToWordRange(tenths, 0, kU16Max);
}

int CalReadings::SenseMicroohm() const {
  const CalCoefficients c = Coefficients();
  if (c.cc_gain <= 0.0) return 0;
  return ToWordRange(physics_.CcMicrovolts() * 1000.0 / c.cc_gain, 0, kU16Max);
}

}  // namespace tester
