#pragma once
// The virtual jig behind the gauge-control seam: adapters claimed across processes,
// stations with calibration boards and queues of packs, gauges answering every
// transfer, and wire time on the event pump's clock (sim/bus_time.h).
//
// Statuses (sim/sim_status.h): 0 success; kSimNoAdapter without an open adapter;
// kSimAddressNack when nobody answers at the address; kSimCommandNack for a refused
// command; kSimBusy while the gauge's flash is busy; kSimInjectedError / kSimBusStuck
// from pack defects; kSimBadLength / kSimBadMode for arguments out of range.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/event_pump.h"
#include "common/gauge_control.h"
#include "platform/adapter_claim.h"
#include "sim/sim_lock_dir.h"
#include "sim/adapter_id_store.h"
#include "sim/jig.h"
#include "sim/sim_station.h"
#include "sim/sim_status.h"

namespace tester {

class SimControl final : public GaugeControl {
public:
  SimControl(JigDescription jig, std::string lock_dir, EventPump& pump);
  SimControl(const SimControl&) = delete;
  SimControl& operator=(const SimControl&) = delete;
  ~SimControl() override = default;

  BusStatus16 PutWord(uint8_t cmd, int16_t word, uint8_t addr) override;
  BusStatus16 GetWord(uint8_t cmd, int16_t& word, uint8_t addr) override;
  BusStatus16 PutBlock(uint8_t cmd, std::span<const uint8_t> bytes, int16_t length,
                       uint8_t addr) override;
  BusStatus16 GetBlock(uint8_t cmd, std::span<uint8_t> bytes, int16_t& length,
                       uint8_t addr) override;
  // Returns 0 when opened, -1 when the name is unknown or another holder has the adapter.
  int OpenAdapter(const std::string& name) override;
  void CloseLink() override;
  // Free adapters first (in jig order), then those held by any process or control.
  void ListAdapters(int32_t maximum, int32_t& count, std::string& names) override;
  BusStatus16 PutCommand(uint8_t cmd, uint8_t addr) override;
  BusStatus16 RegByteOp(int32_t mode, uint8_t dev, uint8_t reg, uint8_t& value) override;
  BusStatus16 BusStatus() override;
  void Pause(int32_t ms) override;
  BusStatus16 GetRegBlock(uint8_t reg, std::span<uint8_t> bytes, int16_t& length,
                          uint8_t addr) override;
  BusStatus16 PutRegBlock(uint8_t reg, std::span<const uint8_t> bytes, int16_t length,
                          uint8_t addr) override;
  BusStatus16 SetBusMode(int16_t mode) override;
  void AboutBox() override {}
  // The adapter's own memory: no bus traffic, no wire time. Identifiers persist in the
  // lock directory (sim/adapter_id_store.h). kSimNoAdapter without an open adapter;
  // kSimCommandNack for an identifier that is not 32 hexadecimal digits, a damaged stored
  // one, or a store that cannot be written.
  BusStatus16 ReadAdapterId(std::string& id) override;
  BusStatus16 WriteAdapterId(const std::string& id) override;
  // The jig's `adapter_firmware` of the open adapter; -1 without one.
  int32_t AdapterFirmware() override;

  // --- access for tests and the station harness ---
  const JigDescription& Jig() const { return jig_; }
  const std::string& LockDirectory() const { return lock_dir_; }
  // The station of the open adapter, or null.
  SimStation* OpenStation();
  // The pack on the open adapter's station, or null.
  PackModel* Pack();
  // Bus mode of the open adapter (0 when none is open).
  int BusMode() const;
  // The next pack of the queue comes onto the open station without any supply switching
  // (callers that change packs themselves; a run's own power-on changes them otherwise:
  // see SimStation).
  bool NextPack();
  SimStation& Station(size_t index) { return *stations_.at(index); }

private:
  template <typename Op>
  SimStatus Transfer(uint8_t addr, int bytes, bool is_write, Op op);
  BusDevice* Resolve(uint8_t addr, SimStatus& refused);
  std::optional<size_t> FindAdapter(const std::string& name) const;

  JigDescription jig_;
  std::string lock_dir_;
  AdapterIdStore ids_;
  EventPump& pump_;
  std::vector<std::unique_ptr<SimStation>> stations_;
  std::optional<size_t> open_;
  std::optional<AdapterClaim> claim_;
  SimStatus last_status_ = kSimOk;
};

// The virtual jig of `jig_file` (empty = the built-in default jig); lock directory from
// $TESTER_SIM_LOCKS, else /tmp/tester-sim-locks-<uid>. Null with `error` set on failure.
std::unique_ptr<SimControl> MakeSimControl(const std::string& jig_file, EventPump& pump,
                                           std::string& error);
// The same with a parsed jig and an explicit lock directory (tests).
std::unique_ptr<SimControl> MakeSimControl(const JigDescription& jig, const std::string& lock_dir,
                                           EventPump& pump, std::string& error);

}  // namespace tester
