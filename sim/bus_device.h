#pragma once
// One device on the simulated bus, as seen by the adapter: the SMBus transfer kinds and
// register reads/writes. A device answers the operations it knows; every other one is
// refused with kSimCommandNack (its address was acknowledged, the command was not).
#include <cstdint>
#include <span>
#include <vector>

#include "sim/sim_status.h"

namespace tester {

class BusDevice {
public:
  virtual ~BusDevice() = default;

  virtual SimStatus WriteWord(uint8_t cmd, uint16_t word);
  virtual SimStatus ReadWord(uint8_t cmd, uint16_t& word);
  virtual SimStatus WriteBlock(uint8_t cmd, std::span<const uint8_t> data);
  // `data` receives the bytes the device sends (its own count).
  virtual SimStatus ReadBlock(uint8_t cmd, std::vector<uint8_t>& data);
  virtual SimStatus SendByte(uint8_t cmd);
  // Bytes to consecutive registers from `reg`.
  virtual SimStatus WriteRegs(uint8_t reg, std::span<const uint8_t> data);
  // `count` bytes from consecutive registers from `reg`.
  virtual SimStatus ReadRegs(uint8_t reg, int count, std::vector<uint8_t>& data);
};

}  // namespace tester
