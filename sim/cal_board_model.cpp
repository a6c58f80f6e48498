#include "sim/cal_board_model.h"

#include <cmath>

#include "platform/gauge_control.h"

namespace tester {
namespace {

constexpr uint8_t kRegOutput = 0x44;       // board output byte
constexpr uint8_t kRegTemperature = 0x00;  // sensor: temperature, big-endian
constexpr uint8_t kRegConfiguration = 0x01;
constexpr double kCelsiusPerStep = 0.0625;  // one step of the 12-bit reading

}  // namespace

SimStatus CalBoardPort::WriteRegs(uint8_t reg, std::span<const uint8_t> data) {
  if (reg != kRegOutput || data.size() != 1) return kSimCommandNack;
  output_ = data[0];
  return kSimOk;
}

SimStatus CalBoardPort::ReadRegs(uint8_t reg, int count, std::vector<uint8_t>& data) {
  if (reg != kRegOutput || count != 1) return kSimCommandNack;
  data = {output_};
  return kSimOk;
}

SimStatus TemperatureSensor::WriteRegs(uint8_t reg, std::span<const uint8_t> data) {
  if (reg != kRegConfiguration || data.size() != 1) return kSimCommandNack;
  configuration_ = data[0];
  return kSimOk;
}

SimStatus TemperatureSensor::ReadRegs(uint8_t reg, int count, std::vector<uint8_t>& data) {
  if (reg == kRegConfiguration && count == 1) {
    data = {configuration_};
    return kSimOk;
  }
  if (reg != kRegTemperature || count != 2) return kSimCommandNack;
  auto steps = static_cast<int16_t>(std::lround(celsius_ / kCelsiusPerStep));
  auto raw = static_cast<uint16_t>(steps * 16);
  data = {static_cast<uint8_t>(raw >> 8), static_cast<uint8_t>(raw)};
  return kSimOk;
}

CalBoardModel::CalBoardModel(const AdapterDescription& adapter) : fitted_(adapter.cal_board) {
  for (uint8_t addr : adapter.sensors) {
    sensors_.emplace_back(addr, TemperatureSensor(adapter.ambient_c));
  }
}

TemperatureSensor* CalBoardModel::Sensor(uint8_t addr) {
  for (auto& [a, sensor] : sensors_) {
    if (a == addr) return &sensor;
  }
  return nullptr;
}

BusDevice* CalBoardModel::Device(uint8_t addr) {
  if (!fitted_) return nullptr;
  if (addr == kAddrCalBoard) return &port_;
  return Sensor(addr);
}

}  // namespace tester
