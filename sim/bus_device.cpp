#include "sim/bus_device.h"

namespace tester {

SimStatus BusDevice::WriteWord(uint8_t, uint16_t) { return kSimCommandNack; }
SimStatus BusDevice::ReadWord(uint8_t, uint16_t&) { return kSimCommandNack; }
SimStatus BusDevice::WriteBlock(uint8_t, std::span<const uint8_t>) { return kSimCommandNack; }
SimStatus BusDevice::ReadBlock(uint8_t, std::vector<uint8_t>&) { return kSimCommandNack; }
SimStatus BusDevice::SendByte(uint8_t) { return kSimCommandNack; }
SimStatus BusDevice::WriteRegs(uint8_t, std::span<const uint8_t>) { return kSimCommandNack; }
SimStatus BusDevice::ReadRegs(uint8_t, int, std::vector<uint8_t>&) { return kSimCommandNack; }

}  // namespace tester
