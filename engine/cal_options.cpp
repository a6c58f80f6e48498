#include "engine/cal_options.h"

#include "gauge/station_settings.h"

namespace tester {
namespace {

int16_t Flag(bool on) { return on ? -1 : 0; }

}  // namespace

void GetCalOptions(const TesterConfig& config, int16_t commandset, CalOptions& options) {
  const bool register_gauge = IsRegisterGauge(commandset);
  options.CalCCOffset = Flag(IsFlagOn(config.CalCCOffset));
  options.CalBoardOffset =
      Flag(IsFlagOn(register_gauge ? config.CalBoardOffsetAlt : config.CalBoardOffset));
  const bool voltage_inside = config.VoltageCalMode == kVoltageCalTotal ||
                              config.VoltageCalMode == kVoltageCalPerTapInside;
  options.CalVoltage =
      Flag(IsFlagOn(config.VoltageCalEnabled) && (register_gauge || voltage_inside));
  options.CalTemperature = Flag(IsFlagOn(config.TemperatureCalEnabled));
  options.CurrentCalEnabled = Flag(IsFlagOn(config.CurrentCalEnabled));
  options.CalSimultaneous = Flag(IsFlagOn(config.CalSimultaneous));
  options.RefVoltage1 = config.RefVoltage1;
  options.RefVoltage2 = static_cast<int16_t>(config.RefVoltage2);
  options.RefVoltage3 = static_cast<int16_t>(config.RefVoltage3);
  options.RefVoltage4 = static_cast<int16_t>(config.RefVoltage4);
  options.CalParamE = config.CalParamE;
  options.CellCount = config.CellCount;
  options.RefTemperature = config.RefTemperature;
  options.IntTSCalEnabled = Flag(IsFlagOn(config.IntTSCalEnabled));
  options.TS1CalEnabled = Flag(IsFlagOn(config.TS1CalEnabled));
  options.TS2CalEnabled = Flag(IsFlagOn(config.TS2CalEnabled));
  options.TS3CalEnabled = Flag(IsFlagOn(config.TS3CalEnabled));
  options.TS4CalEnabled = Flag(IsFlagOn(config.TS4CalEnabled));
  options.RefCurrentNeg = static_cast<int16_t>(-config.RefCurrent);
  options.CalParamL = config.CalParamL;
}

}  // namespace tester
