#pragma once
// Register-style ROM loader at 0x16 (command sets 5, 6, 7). A command is the byte written
// to register 0x00 (with its row or address bytes in the same block), data bytes go to
// registers 0x04.., and writing the 16-bit checksum to 0x64 executes the command: it must
// equal the sum of the command byte and every byte sent with it. The result byte at 0x66
// says whether it was accepted; outputs are read from 0x04.. and 0x64/0x65. Command and
// parameters may equally come as single register-byte writes (the Monowire switch: 0x16 to
// 0x00, the interface 0x05 to 0x04, checksum 0x001B).
#include <array>

#include "sim/bus_device.h"
#include "sim/gauge_core.h"

namespace tester {

// Result byte at register 0x66.
inline constexpr uint8_t kSimLoaderAccepted = 0x00;
inline constexpr uint8_t kSimLoaderBadChecksum = 0x01;  // checksum did not match the bytes
inline constexpr uint8_t kSimLoaderFailed = 0x02;       // unknown command, bad row, flash fault
inline constexpr uint8_t kSimLoaderBusy = 0x03;         // erase/program/checksum still running

class RegLoader final : public BusDevice {
public:
  explicit RegLoader(GaugeCore& core) : core_(core) { regs_.fill(0); }

  SimStatus WriteRegs(uint8_t reg, std::span<const uint8_t> data) override;
  SimStatus ReadRegs(uint8_t reg, int count, std::vector<uint8_t>& data) override;

private:
  void StartCommand(std::span<const uint8_t> block);
  void Execute(uint16_t checksum);
  uint8_t Run();  // runs the pending command, returns its result byte
  uint8_t ReadInstructionRow(int row);
  uint8_t WriteInstructionRow(int row);
  uint8_t MassErase();
  uint8_t ProgramRow(int row);
  uint8_t ComputeChecksum();
  uint8_t ReadDataFlash(int address);
  uint8_t SwitchInterface();
  void PutWordLE(uint8_t reg, uint16_t value);
  uint16_t Param() const;  // row or address: bytes 1, 2 of the command block, little-endian

  GaugeCore& core_;
  std::array<uint8_t, 256> regs_;
  uint8_t command_ = 0;
  uint8_t params_[2] = {0, 0};
  uint32_t sum_ = 0;  // command byte and every byte sent with it
  bool data_sent_ = false;  // data registers written since the command byte
};

}  // namespace tester
