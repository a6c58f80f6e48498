#include "calibration/cal_checks.h"

#include <array>
#include <cstdlib>

#include "common/rounding.h"
#include "common/status_codes.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

constexpr int64_t kMicroOhmsPerMilliOhm = 1000;
constexpr int32_t kPackNominalPerWindow = 10;  // nominal pack gain = 10 x VoltageWindow
constexpr int kCellOffsetMin = -128;           // command set 5 stores the offset in a byte
constexpr int kCellOffsetMax = 127;

Status CheckVoltage(const StationSettings& settings, const TesterConfig& config,
                    const CalibrationResults& results) {
  if (config.CellCount > static_cast<int16_t>(results.CellGain.size())) {
    return kStatusUnexpectedFailure;
  }
  if (settings.COMMANDSET == 5) {
    for (int i = 0; i < config.CellCount; ++i) {
      if (results.CellGain[i] < kCellOffsetMin) return kStatusGainLow;
      if (results.CellGain[i] > kCellOffsetMax) return kStatusGainHigh;
    }
    return 0;
  }
  if (config.CellCount > 0 && config.NominalCellGain <= 0) return kStatusUnexpectedFailure;
  for (int i = 0; i < config.CellCount; ++i) {
    const Status status =
        CheckGainTolerance(config.NominalCellGain, results.CellGain[i], config.CellGainTolerance);
    if (status != 0) return status;
  }
  if (settings.SkipVBATCal == 1 || results.PackGain == 0) return 0;
  const int64_t pack_nominal = static_cast<int64_t>(config.VoltageWindow) * kPackNominalPerWindow;
  if (pack_nominal <= 0) return kStatusUnexpectedFailure;
  return CheckGainTolerance(pack_nominal, results.PackGain, config.CellGainTolerance);
}

Status CheckCurrent(const TesterConfig& config, const CalibrationResults& results) {
  if (!(results.CCGain > 0.0)) return kStatusSenseResistorHigh;
  const int64_t micro_ohms =
      RoundToInt64(kSenseResistorPerGain / results.CCGain * kMicroOhmsPerMilliOhm);
  return CheckSenseResistance(config, micro_ohms);
}

Status CheckTemperatures(const TesterConfig& config, const CalibrationResults& results) {
  const std::array<int16_t, 5> enabled{config.IntTSCalEnabled, config.TS1CalEnabled,
                                       config.TS2CalEnabled, config.TS3CalEnabled,
                                       config.TS4CalEnabled};
  for (int k = 0; k < 5; ++k) {  // internal, TS1..TS4: the slots of TempOffset
    if (!IsFlagOn(enabled[k])) continue;
    const Status status = CheckOffsetLimit(results.TempOffset[k], config.TempOffsetTolerance);
    if (status != 0) return status;
  }
  return 0;
}

}  // namespace

bool BeyondTolerance(int64_t nominal, int64_t value, int16_t tolerance) {
  const __int128 deviation = static_cast<__int128>(nominal) - value;
  const __int128 magnitude = deviation < 0 ? -deviation : deviation;
  return magnitude * 100 > static_cast<__int128>(std::abs(static_cast<int32_t>(tolerance))) *
                               nominal;
}

Status CheckGainTolerance(int64_t nominal, int64_t gain, int16_t tolerance) {
  if (!BeyondTolerance(nominal, gain, tolerance)) return 0;
  return gain < nominal ? kStatusGainLow : kStatusGainHigh;
}

Status CheckOffsetLimit(int16_t offset, int16_t tolerance) {
  if (std::abs(static_cast<int32_t>(offset)) <= std::abs(static_cast<int32_t>(tolerance))) {
    return 0;
  }
  return offset < tolerance ? kStatusTempOffsetLow : kStatusTempOffsetHigh;
}

Status CheckSenseResistance(const TesterConfig& config, int64_t micro_ohms) {
  // Formed wide: as a 16-bit product every nominal above 32 mOhm would overflow.
  const int64_t nominal =
      static_cast<int64_t>(config.NominalSenseResistor) * kMicroOhmsPerMilliOhm;
  if (nominal <= 0) return kStatusUnexpectedFailure;
  if (!BeyondTolerance(nominal, micro_ohms, config.SenseResistorTolerance)) return 0;
  return micro_ohms >= nominal ? kStatusSenseResistorHigh : kStatusSenseResistorLow;
}

Status CheckCalResults(const StationSettings& settings, const TesterConfig& config,
                       const CalibrationResults& results) {
  if (IsFlagOn(config.VoltageCalEnabled)) {
    const Status status = CheckVoltage(settings, config, results);
    if (status != 0) return status;
  }
  if (IsFlagOn(config.CurrentCalEnabled)) {
    const Status status = CheckCurrent(config, results);
    if (status != 0) return status;
  }
  if (IsFlagOn(config.TemperatureCalEnabled)) return CheckTemperatures(config, results);
  return 0;
}

}  // namespace tester
