#include "calibration/cal_measurements.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "calibration/cal_checks.h"
#include "common/rounding.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

constexpr double kMicroOhmsPerMilliOhm = 1000;
constexpr double kPackNominalPerWindow = 10;
constexpr double kCellGainNominalUnit = 20;  // gauge-assisted: NominalCellGain x 20
constexpr double kCellOffsetMin = -128;      // command set 5 keeps cell offsets in a byte
constexpr double kCellOffsetMax = 127;
constexpr const char* kTempNames[] = {"tempOffsetInternal", "tempOffsetTS1", "tempOffsetTS2",
                                      "tempOffsetTS3", "tempOffsetTS4"};

struct Limits {
  std::optional<double> low;
  std::optional<double> high;
};

// nominal +/- |tolerance| %, both ends passing.
Limits Around(double nominal, int16_t tolerance_percent) {
  const double spread = std::abs(nominal) * std::abs(tolerance_percent) / 100.0;
  return {nominal - spread, nominal + spread};
}

Limits Within(double magnitude) { return {-std::abs(magnitude), std::abs(magnitude)}; }

class Collector {
public:
  void Add(std::string name, double value, const char* unit, Limits limits = {}) {
    out.push_back({std::move(name), value, unit, limits.low, limits.high});
  }
  std::vector<RunMeasurement> out;
};

void AddComputed(Collector& c, const TesterConfig& config, const StationSettings& settings,
                 const CalibrationResults& r) {
  const bool voltage = IsFlagOn(config.VoltageCalEnabled);
  const int cells = std::min<int>(std::max<int>(config.CellCount, 0), 4);
  for (int i = 0; i < cells; ++i) {
    Limits limits;
    if (voltage) {
      limits = settings.COMMANDSET == 5 ? Limits{kCellOffsetMin, kCellOffsetMax}
                                        : Around(config.NominalCellGain, config.CellGainTolerance);
    }
    c.Add("cellGain" + std::to_string(i + 1), r.CellGain[i], "counts", limits);
  }
  if (r.PackGain != 0) {
    const bool checked = voltage && settings.COMMANDSET != 5 && settings.SkipVBATCal != 1;
    c.Add("packGain", r.PackGain, "counts",
          checked ? Around(config.VoltageWindow * kPackNominalPerWindow, config.CellGainTolerance)
                  : Limits{});
  }
  if (r.CCGain > 0.0) {
    const double micro_ohms =
        static_cast<double>(RoundToInt64(kSenseResistorPerGain / r.CCGain * kMicroOhmsPerMilliOhm));
    c.Add("senseResistance", micro_ohms, "uOhm",
          IsFlagOn(config.CurrentCalEnabled)
              ? Around(config.NominalSenseResistor * kMicroOhmsPerMilliOhm,
                       config.SenseResistorTolerance)
              : Limits{});
    c.Add("ccGain", r.CCGain, "mA/count");
    c.Add("ccDelta", r.CCDelta, "factor");
  }
  c.Add("ccOffsetTotal", r.CCOffsetTotal, "counts");
  c.Add("boardOffset", r.BoardOffset, "counts");
  const std::array<int16_t, 5> enabled{config.IntTSCalEnabled, config.TS1CalEnabled,
                                       config.TS2CalEnabled, config.TS3CalEnabled,
                                       config.TS4CalEnabled};
  for (int k = 0; k < 5; ++k) {
    if (!IsFlagOn(enabled[k])) continue;
    c.Add(kTempNames[k], r.TempOffset[k], "0.1 K",
          IsFlagOn(config.TemperatureCalEnabled) ? Within(config.TempOffsetTolerance) : Limits{});
  }
}

void AddChecked(Collector& c, const TesterConfig& config, const CalLimitReadings& r) {
  if (r.cell_gain) {
    c.Add("cellGain", *r.cell_gain, "counts",
          Around(config.NominalCellGain * kCellGainNominalUnit, config.CellGainTolerance));
  }
  if (r.sense_resistance) {
    c.Add("senseResistance", *r.sense_resistance, "uOhm",
          Around(config.NominalSenseResistor * kMicroOhmsPerMilliOhm,
                 config.SenseResistorTolerance));
  }
  if (r.temp_offsets) {
    const std::array<int16_t, 3> enabled{config.IntTSCalEnabled, config.TS1CalEnabled,
                                         config.TS2CalEnabled};
    for (int k = 0; k < 3; ++k) {
      c.Add(kTempNames[k], (*r.temp_offsets)[k], "0.1 K",
            IsFlagOn(enabled[k]) ? Within(config.TempOffsetTolerance) : Limits{});
    }
  }
}

}  // namespace

std::vector<RunMeasurement> CalibrationMeasurements(const TesterConfig& config,
                                                    const StationSettings& settings,
                                                    const CalibrationResults* computed,
                                                    const CalLimitReadings* checked) {
  Collector c;
  if (computed != nullptr) AddComputed(c, config, settings, *computed);
  if (checked != nullptr) AddChecked(c, config, *checked);
  return c.out;
}

}  // namespace tester
