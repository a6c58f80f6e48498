#pragma once
// One pack on a station: its gauge's shared state and the personalities that answer on
// the bus, chosen by command-set family, gauge mode and the adapter's bus mode. Also
// applies the pack's bus defects (silent gauge, failing transfers, stuck bus status).
#include <memory>

#include "platform/event_pump.h"
#include "sim/gauge_core.h"
#include "sim/jig.h"
#include "sim/pack_environment.h"
#include "sim/register_gauge.h"
#include "sim/register_loader.h"
#include "sim/smbus_gauge.h"
#include "sim/smbus_loader.h"

namespace tester {

class PackModel {
public:
  PackModel(const PackDescription& description, const EventPump& clock);
  PackModel(const PackModel&) = delete;
  PackModel& operator=(const PackModel&) = delete;

  // Addresses the gauge can answer at (0x17, 0xAA, 0x16).
  static bool IsGaugeAddress(uint8_t addr);

  // Counts a transfer to the gauge and applies injected faults: nonzero = the transfer
  // fails before any device sees it.
  SimStatus BeginTransfer();
  // The personality answering at `addr` now, or null when nobody acknowledges.
  BusDevice* Route(uint8_t addr, int bus_mode);
  // A write reached the gauge: a pack with the stuck-bus defect jams the status now.
  void NoteWrite();
  bool BusStuck() const { return bus_stuck_; }

  const PackDescription& Description() const { return description_; }
  GaugeMemory& Memory() { return core_.Memory(); }
  const GaugeMemory& Memory() const { return core_.Memory(); }
  GaugeMode Mode() const { return core_.Mode(); }
  // The gauge was switched to Monowire: nothing answers at its addresses any more.
  bool Monowire() const { return core_.Monowire(); }
  const GaugeCounters& Counters() const { return core_.Counters(); }
  GaugeCore& Core() { return core_; }

  // What the station applies to the pack now (set by the station on every change of the
  // calibration board's relays, and when the pack comes onto the station).
  void SetEnvironment(const PackEnvironment& environment) { environment_ = environment; }
  const PackEnvironment& Environment() const { return environment_; }

private:
  BusDevice* RouteFirmware(uint8_t addr, int bus_mode);
  BusDevice* RouteLoader(uint8_t addr, int bus_mode);

  const PackDescription description_;
  GaugeCore core_;
  SmbusGauge smbus_gauge_;
  SmbusLoader smbus_loader_;
  RegGauge reg_gauge_;
  RegLoader reg_loader_;
  bool bus_stuck_ = false;
  PackEnvironment environment_;
};

}  // namespace tester
