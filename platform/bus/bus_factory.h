#pragma once
// Chooses the gauge-control backend and the station clock from the environment:
//   TESTER_BUS   = sim (default) | sim:<jig file> | replay:<trace file> | i2c-dev
//   TESTER_TRACE = <file>  wraps the backend in the tracing decorator ({pid} -> process id)
//   TESTER_CLOCK = virtual  selects the virtual clock (simulated or replayed buses only)
// i2c-dev (real bridges) reads TESTER_I2C_SYSFS, TESTER_I2C_DEV and TESTER_I2C_LOCKS
// (platform/i2c_dev_control.h).
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

enum class BusKind { Sim, Replay, I2cDev };

struct BusChoice {
  BusKind kind = BusKind::Sim;
  std::string file;  // jig file (empty = built-in default jig) or trace file
  // The backend talks to real hardware (time is the hardware's: no virtual clock).
  bool Hardware() const { return kind == BusKind::I2cDev; }
};

// Parses a TESTER_BUS value; nullopt and `error` when it names no backend.
std::optional<BusChoice> ParseBusChoice(const std::string& value, std::string& error);

// Builds the backend (wrapped for tracing when asked). Null and `error` on failure.
std::unique_ptr<GaugeControl> MakeGaugeControl(const BusConfig& config, EventPump& pump,
                                               std::string& error);

}  // namespace tester
