#include "platform/bus/station_runtime.h"

#include "platform/qt/station_clock.h"

namespace tester {

std::optional<StationRuntime> MakeStationRuntime(const BusConfig& config, std::string& error) {
  // Every backend there is today is simulated or replayed, so the virtual clock is
  // allowed with all of them; a hardware backend will have to refuse it here.
  if (!ParseBusChoice(config.bus, error)) return std::nullopt;
  std::optional<ClockKind> clock = ParseClockKind(config.clock.c_str());
  if (!clock) {
    error = "TESTER_CLOCK=" + config.clock + " is not a clock (use virtual, or leave it unset)";
    return std::nullopt;
  }
  StationRuntime runtime;
  runtime.pump = MakeStationClock(*clock);
  runtime.control = MakeGaugeControl(config, *runtime.pump, error);
  if (!runtime.control) return std::nullopt;
  return runtime;
}

}  // namespace tester
