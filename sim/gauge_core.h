#pragma once
// State of one gauge shared by its personalities (gauge-mode firmware, ROM loaders):
// the memory, which program runs, the flash-busy window, and counters that tests use
// to see what a procedure did to the gauge.
#include <cstdint>

#include "platform/event_pump.h"
#include "sim/gauge_memory.h"
#include "sim/jig.h"
#include "sim/pack_environment.h"

namespace tester {

enum class GaugeMode {
  kFirmware,   // gauge mode: the firmware answers at 0x17 or 0xAA
  kRomLoader,  // ROM mode: the family's loader answers at 0x17 or 0x16
};

struct GaugeCounters {
  int transfers = 0;          // transfers addressed to the gauge (fault numbering)
  int rom_entries = 0;
  int rom_exits = 0;
  int row_erases = 0;         // instruction row 0 erased
  int row_writes = 0;         // instruction rows written
  int mass_erases = 0;
  int rows_programmed = 0;    // data-flash rows programmed by a loader
  int checksums = 0;          // checksum requests answered by a loader
  int gauge_mode_writes = 0;  // data-flash blocks written in gauge mode
};

class GaugeCore {
public:
  GaugeCore(const PackDescription& pack, const EventPump& clock, GaugeMemory memory)
      : pack_(pack), clock_(clock), memory_(memory) {}

  const PackDescription& Pack() const { return pack_; }
  GaugeMemory& Memory() { return memory_; }
  const GaugeMemory& Memory() const { return memory_; }
  GaugeCounters& Counters() { return counters_; }
  const GaugeCounters& Counters() const { return counters_; }
  GaugeMode Mode() const { return mode_; }
  int64_t Now() const { return clock_.Now(); }

  // What the station applies to the pack now (the pack model's environment).
  const PackEnvironment& Environment() const {
    return environment_ != nullptr ? *environment_ : idle_environment_;
  }
  void AttachEnvironment(const PackEnvironment* environment) { environment_ = environment; }

  // Flash operation running: the loaders answer "busy" until it ends.
  bool Busy() const { return clock_.Now() < busy_until_us_; }
  void StartBusy(int ms) { busy_until_us_ = clock_.Now() + ms * kMicrosPerMs; }

  // ROM entry from gauge mode; the register loader stays silent for its start-up time.
  void EnterRom() {
    mode_ = GaugeMode::kRomLoader;
    loader_ready_us_ = clock_.Now() + pack_.timings.rom_startup_ms * kMicrosPerMs;
    ++counters_.rom_entries;
  }
  bool LoaderStarted() const { return clock_.Now() >= loader_ready_us_; }
  // Leaving ROM mode starts the firmware, which needs instruction row 0: with row 0
  // erased the loader keeps running (the gauge stays in ROM mode).
  void LeaveRom() {
    ++counters_.rom_exits;
    if (!memory_.RowErased(0)) mode_ = GaugeMode::kFirmware;
  }

  // Monowire (single-wire) interface: once the register loader has accepted the switch
  // and its result byte has been read, the gauge answers nothing on the two-wire bus
  // until the pack is taken off the station.
  void RequestMonowire() { monowire_pending_ = true; }
  void CompleteMonowire() {
    if (monowire_pending_) monowire_ = true;
  }
  bool Monowire() const { return monowire_; }

private:
  const PackDescription& pack_;
  const EventPump& clock_;
  GaugeMemory memory_;
  GaugeMode mode_ = GaugeMode::kFirmware;
  int64_t busy_until_us_ = 0;
  int64_t loader_ready_us_ = 0;
  bool monowire_pending_ = false;
  bool monowire_ = false;
  GaugeCounters counters_;
  const PackEnvironment* environment_ = nullptr;
  PackEnvironment idle_environment_;
};

}  // namespace tester
