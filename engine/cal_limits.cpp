#include "engine/cal_limits.h"

#include <array>
#include <cstdlib>
#include <limits>

#include "calibration/cal_checks.h"
#include "gauge/df_access.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

// The nominal gain is formed as a 16-bit word, as the gauge holds it; one that does not fit
// has no meaning to compare with.
Status CheckCellGain(GaugeLink& link, const TesterConfig& config, CalLimitReadings& readings) {
  DFValue gain{DFValueType::Int16, 0};
  const Status status = ReadDFValue(link, kCalResultsClass, kCellGainOffset, gain);
  if (status != 0) return status;
  readings.cell_gain = gain.value;
  const int32_t nominal = int32_t{config.NominalCellGain} * kCellGainNominalUnit;
  if (nominal <= 0 || nominal > std::numeric_limits<int16_t>::max()) {
    return kStatusUnexpectedFailure;
  }
  return CheckGainTolerance(nominal, gain.value, config.CellGainTolerance);
}

// The nominal (mOhm x 1000) is formed wide: 33 mOhm and more would not fit a 16-bit word.
Status CheckSenseResistor(GaugeLink& link, const TesterConfig& config,
                          CalLimitReadings& readings) {
  int16_t measured = 0;
  const Status status = link.ReadWord(kSenseResistanceCmd, measured, kAddrSmbusGauge);
  if (status != 0) return status;
  readings.sense_resistance = measured;
  return CheckSenseResistance(config, measured);
}

// All three offsets are read before any is judged; a byte holds a signed offset.
Status CheckTempOffsets(GaugeLink& link, const TesterConfig& config,
                        CalLimitReadings& readings) {
  const StationSettings& settings = link.Settings();
  const std::array<int16_t, 3> positions{settings.ITOff_DFOff, settings.ET1Off_DFOff,
                                         settings.ET2Off_DFOff};
  const std::array<int16_t, 3> enabled{config.IntTSCalEnabled, config.TS1CalEnabled,
                                       config.TS2CalEnabled};
  std::array<int16_t, 3> offsets{};
  for (std::size_t i = 0; i < positions.size(); ++i) {
    DFValue value{DFValueType::Byte, 0};
    const Status status = ReadDFValue(link, kCalResultsClass, positions[i], value);
    if (status != 0) return status;
    offsets[i] = static_cast<int8_t>(static_cast<uint8_t>(value.value));
  }
  readings.temp_offsets = offsets;
  for (std::size_t i = 0; i < offsets.size(); ++i) {
    if (!IsFlagOn(enabled[i])) continue;
    const Status status = CheckOffsetLimit(offsets[i], config.TempOffsetTolerance);
    if (status != 0) return status;
  }
  return 0;
}

}  // namespace

Status CheckCalLimits(GaugeLink& link, const TesterConfig& config) {
  CalLimitReadings ignored;
  return CheckCalLimits(link, config, ignored);
}

namespace {

Status CheckAllLimits(GaugeLink& link, const TesterConfig& config, CalLimitReadings& readings) {
  if (config.VoltageCalMode == kVoltageCalTotal && IsFlagOn(config.VoltageCalEnabled)) {
    const Status status = CheckCellGain(link, config, readings);
    if (status != 0) return status;
  }
  if (IsFlagOn(config.CurrentCalEnabled)) {
    const Status status = CheckSenseResistor(link, config, readings);
    if (status != 0) return status;
  }
  if (IsFlagOn(config.TemperatureCalEnabled)) return CheckTempOffsets(link, config, readings);
  return 0;
}

}  // namespace

Status CheckCalLimits(GaugeLink& link, const TesterConfig& config, CalLimitReadings& readings) {
  // An error raised on the way (a gauge control or settings object that throws) is a
  // finding of the check like any other: the run fails the step through its tail.
  try {
    return CheckAllLimits(link, config, readings);
  } catch (...) {
    return kStatusUnexpectedFailure;
  }
}

}  // namespace tester
