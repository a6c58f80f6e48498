#pragma once
// SMBus ROM loader at 0x17 (command sets other than 5, 6, 7): instruction-row save and
// restore, signature and identity, erase, row programming, checksum, data-flash reads,
// exit to the firmware. Erase and programming take time; meanwhile the probe (0x0D)
// answers "not ready" and every other command is refused as busy.
#include "sim/bus_device.h"
#include "sim/gauge_core.h"

namespace tester {

// Probe values of command 0x0D.
inline constexpr uint16_t kSimProbeReady = 0x00C8;  // 200: ROM mode, ready (> 100)
inline constexpr uint16_t kSimProbeBusy = 0x0010;   // 16: flash operation still running (< 100)

class SmbusLoader final : public BusDevice {
public:
  explicit SmbusLoader(GaugeCore& core) : core_(core) {}

  SimStatus WriteWord(uint8_t cmd, uint16_t word) override;
  SimStatus ReadWord(uint8_t cmd, uint16_t& word) override;
  SimStatus WriteBlock(uint8_t cmd, std::span<const uint8_t> data) override;
  SimStatus ReadBlock(uint8_t cmd, std::vector<uint8_t>& data) override;
  SimStatus SendByte(uint8_t cmd) override;

private:
  SimStatus ProgramDataRow(std::span<const uint8_t> data);
  SimStatus WriteInstructionRow(std::span<const uint8_t> data);

  GaugeCore& core_;
  uint8_t pointer_[3] = {0, 0, 0};  // last block written to command 0x00
  uint16_t read_address_ = 0;       // bus address set with command 0x09
};

}  // namespace tester
