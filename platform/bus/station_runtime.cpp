#include "platform/bus/station_runtime.h"

#include "platform/qt/station_clock.h"

namespace tester {

std::optional<StationRuntime> MakeStationRuntime(const BusConfig& config, std::string& error) {
  const std::optional<BusChoice> bus = ParseBusChoice(config.bus, error);
  if (!bus) return std::nullopt;
  std::optional<ClockKind> clock = ParseClockKind(config.clock.c_str());
  if (!clock) {
    error = "TESTER_CLOCK=" + config.clock + " is not a clock (use virtual, or leave it unset)";
    return std::nullopt;
  }
  // Real hardware takes real time: settle times and polls on a virtual clock would pass
  // in no time while the pack and the bus did not.
  if (bus->Hardware() && *clock != ClockKind::kReal) {
    error = "TESTER_CLOCK=" + config.clock + " cannot be used with TESTER_BUS=" + config.bus +
            ": real adapters need the real clock";
    return std::nullopt;
  }
  StationRuntime runtime;
  runtime.pump = MakeStationClock(*clock);
  runtime.control = MakeGaugeControl(config, *runtime.pump, error);
  if (!runtime.control) return std::nullopt;
  return runtime;
}

}  // namespace tester
