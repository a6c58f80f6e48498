#include "platform/bus/bus_factory.h"

#include <cstdlib>

#include "platform/i2c_dev_control.h"
#include "platform/replay_control.h"
#include "platform/trace_control.h"
#include "sim/sim_control.h"

namespace tester {
namespace {

std::string EnvValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

BusConfig BusConfigFromEnvironment() {
  return BusConfig{EnvValue("TESTER_BUS"), EnvValue("TESTER_TRACE"), EnvValue("TESTER_CLOCK")};
}

std::optional<BusChoice> ParseBusChoice(const std::string& value, std::string& error) {
  if (value.empty() || value == "sim") return BusChoice{BusKind::Sim, ""};
  auto with_file = [&](const std::string& prefix, BusKind kind) -> std::optional<BusChoice> {
    std::string file = value.substr(prefix.size());
    if (file.empty()) {
      error = "TESTER_BUS=" + value + ": a file name must follow \"" + prefix + "\"";
      return std::nullopt;
    }
    return BusChoice{kind, file};
  };
  if (value == "i2c-dev") return BusChoice{BusKind::I2cDev, ""};
  if (value.rfind("sim:", 0) == 0) return with_file("sim:", BusKind::Sim);
  if (value.rfind("replay:", 0) == 0) return with_file("replay:", BusKind::Replay);
  error = "TESTER_BUS=" + value +
          " names no backend (use sim, sim:<jig file>, replay:<trace file> or i2c-dev)";
  return std::nullopt;
}

std::unique_ptr<GaugeControl> MakeGaugeControl(const BusConfig& config, EventPump& pump,
                                               std::string& error) {
  std::optional<BusChoice> choice = ParseBusChoice(config.bus, error);
  if (!choice) return nullptr;

  std::unique_ptr<GaugeControl> control;
  if (choice->kind == BusKind::Sim) {
    control = MakeSimControl(choice->file, pump, error);
  } else if (choice->kind == BusKind::Replay) {
    control = ReplayControl::FromFile(choice->file, pump, error);
  } else {
    control = MakeI2cDevControl(pump, error);
  }
  if (!control) return nullptr;

  if (!config.trace.empty()) {
    auto traced = std::make_unique<TracingControl>(std::move(control), pump, config.trace);
    if (!traced->Ok()) {
      error = "cannot open the trace file " + traced->Path();
      return nullptr;
    }
    control = std::move(traced);
  }
  return control;
}

}  // namespace tester
