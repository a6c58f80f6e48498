#pragma once
// Chooses the gauge-control backend and the station clock from the environment:
//   TESTER_BUS   = sim (default) | sim:<jig file> | replay:<trace file>
//   TESTER_TRACE = <file>  wraps the backend in the tracing decorator ({pid} -> process id)
//   TESTER_CLOCK = virtual  selects the virtual clock (simulated or replayed buses only)
#include <memory>
#include <optional>
#include <string>

#include "platform/event_pump.h"
#include "common/gauge_control.h"

namespace tester {

struct BusConfig {
  std::string bus;    // value of TESTER_BUS ("" = sim)
  std::string trace;  // value of TESTER_TRACE ("" = no trace)
  std::string clock;  // value of TESTER_CLOCK ("" = real time)
};

// Reads TESTER_BUS, TESTER_TRACE and TESTER_CLOCK.
BusConfig BusConfigFromEnvironment();

enum class BusKind { Sim, Replay };

struct BusChoice {
  BusKind kind = BusKind::Sim;
  std::string file;  // jig file (empty = built-in default jig) or trace file
};

// Parses a TESTER_BUS value; nullopt and `error` when it names no backend.
std::optional<BusChoice> ParseBusChoice(const std::string& value, std::string& error);

// Builds the backend (wrapped for tracing when asked). Null and `error` on failure.
std::unique_ptr<GaugeControl> MakeGaugeControl(const BusConfig& config, EventPump& pump,
                                               std::string& error);

}  // namespace tester
