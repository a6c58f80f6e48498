#pragma once
// Real adapters behind the gauge-control seam: USB-to-I2C bridges through the kernel's
// i2c-dev interface (TESTER_BUS=i2c-dev).
//
// Stations. ListAdapters names the bridges sysfs shows (platform/i2c_sysfs.h) by their
// USB serials, free ones first, then those held by any process; OpenAdapter takes one by
// its serial and claims it with a lock (platform/adapter_claim.h, <lock dir>/<serial>.lock)
// held until CloseLink, so engines started one after another claim different bridges.
//
// Transfers (platform/i2c_segment.h). The programs' 8-bit addresses are the 7-bit device
// address shifted left with the read/write bit clear or set: 0x16 and 0x17 are both
// device 0x0B, 0xAA is 0x55, the calibration board's port 0xC0 is 0x60 and its sensors
// 0x90..0x94 are 0x48..0x4A.
//  - PutWord, GetWord, PutCommand: SMBus write-word, read-word, send-byte;
//  - PutBlock: one write of command, count, bytes; GetBlock: an SMBus block read;
//  - PutRegBlock: one write of register, bytes; GetRegBlock: register, repeated start,
//    `length` bytes (up to the 96-byte instruction rows and beyond);
//  - RegByteOp mode 1 and 2: register byte write and read; mode 0 (is the calibration
//    board there): a quick write to the board's port (a byte read of its output register
//    where the bridge has no quick command).
// Every transfer is finished when the ioctl returns, so BusStatus repeats the status of
// the last transfer (0 after SetBusMode, Pause and the adapter operations leave it as it
// was). Statuses: platform/i2c_status.h. A transfer the bridge cannot do is refused with
// kI2cBridgeCannot and a message naming the bridge and its limit; nothing is truncated.
//
// Bus mode. SetBusMode(1) moves the transfers to the bridge's register bus, channel 1 of a
// multiplexer on the bridge (platform/i2c_sysfs.h); 0 back to the bridge's own bus. A
// bridge without one refuses mode 1 with kI2cBridgeCannot.
//
// Adapter identity. The identifier lives in the registry of the application folder
// (platform/i2c_id_registry.h). AdapterFirmware tells whether the bridge can carry a
// station: kOldestAdapterFirmware when its functionality offers every transfer kind
// above, 0 (too old, so FirmwareAge is negative) when it lacks any; the bridge's own
// firmware release (USB bcdDevice) is in the bridge's description, not compared.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/gauge_control.h"
#include "platform/adapter_claim.h"
#include "platform/event_pump.h"
#include "platform/i2c_id_registry.h"
#include "platform/i2c_kernel.h"
#include "platform/i2c_segment.h"
#include "platform/i2c_status.h"
#include "platform/i2c_sysfs.h"

namespace tester {

struct I2cDevPaths {
  std::string sysfs = "/sys";      // TESTER_I2C_SYSFS
  std::string dev = "/dev";        // TESTER_I2C_DEV
  std::string locks;               // claims of the bridges
  std::string registry;            // AdapterIds.ini of the application folder
};

class I2cDevControl final : public GaugeControl {
public:
  // Where failures are told in words (the engine's diagnostics: stderr).
  using Diagnostics = std::function<void(const std::string&)>;

  I2cDevControl(std::unique_ptr<I2cKernel> kernel, I2cDevPaths paths, EventPump& pump,
                Diagnostics diagnostics = {});
  ~I2cDevControl() override;
  I2cDevControl(const I2cDevControl&) = delete;
  I2cDevControl& operator=(const I2cDevControl&) = delete;

  BusStatus16 PutWord(uint8_t cmd, int16_t word, uint8_t addr) override;
  BusStatus16 GetWord(uint8_t cmd, int16_t& word, uint8_t addr) override;
  BusStatus16 PutBlock(uint8_t cmd, std::span<const uint8_t> bytes, int16_t length,
                       uint8_t addr) override;
  BusStatus16 GetBlock(uint8_t cmd, std::span<uint8_t> bytes, int16_t& length,
                       uint8_t addr) override;
  int OpenAdapter(const std::string& name) override;
  void CloseLink() override;
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
  BusStatus16 ReadAdapterId(std::string& id) override;
  BusStatus16 WriteAdapterId(const std::string& id) override;
  int32_t AdapterFirmware() override;

  // The bridge open now, if any.
  const std::optional<I2cBridge>& Open() const { return open_; }
  // Words for the last failure (empty after a success).
  const std::string& LastMessage() const { return message_; }

private:
  I2cSegment* Segment();
  // The status of a transfer's kernel result, with its message told on failure.
  BusStatus16 Finish(int result, const char* what, uint8_t addr);
  BusStatus16 Fail(BusStatus16 status, const std::string& message);

  std::unique_ptr<I2cKernel> kernel_;
  I2cDevPaths paths_;
  EventPump& pump_;
  Diagnostics diagnostics_;
  I2cIdRegistry registry_;
  std::optional<I2cBridge> open_;
  std::optional<AdapterClaim> claim_;
  std::unique_ptr<I2cSegment> bus_;           // the bridge's own bus
  std::unique_ptr<I2cSegment> register_bus_;  // its register bus, when it has one
  int bus_mode_ = 0;
  BusStatus16 last_status_ = kI2cOk;
  std::string message_;
};

// The programs' backend: the Linux kernel, roots from TESTER_I2C_SYSFS and TESTER_I2C_DEV,
// locks in TESTER_I2C_LOCKS (default /tmp/tester-i2c-locks), the registry in the
// application folder, failures told on stderr. Null with `error` on failure.
std::unique_ptr<I2cDevControl> MakeI2cDevControl(EventPump& pump, std::string& error);

}  // namespace tester
