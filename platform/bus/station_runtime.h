#pragma once
// What a program needs to talk to gauges: the station clock and the gauge-control
// backend, both chosen from the environment (see bus_factory.h).
#include <memory>
#include <optional>
#include <string>

#include "platform/bus/bus_factory.h"

namespace tester {

struct StationRuntime {
  std::unique_ptr<EventPump> pump;
  std::unique_ptr<GaugeControl> control;
};

// Clock and backend together; refuses the virtual clock with a backend that talks to real
// hardware. nullopt and `error` when anything is wrong.
std::optional<StationRuntime> MakeStationRuntime(const BusConfig& config, std::string& error);

}  // namespace tester
