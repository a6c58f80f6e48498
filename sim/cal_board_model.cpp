#include "sim/cal_board_model.h"

#include <algorithm>

#include "common/rounding.h"
#include "common/gauge_control.h"

namespace tester {
namespace {

constexpr uint8_t kRegOutput = 0x44;        // port: the output byte
constexpr uint8_t kRegTemperature = 0x00;   // sensor: temperature word, big-endian
constexpr uint8_t kRegConfiguration = 0x01; // sensor: configuration byte
constexpr int kResolutionShift = 5;         // configuration bits 5-6: resolution
constexpr uint8_t kResolutionMask = 0x03;   // 0 = 9 bits ... 3 = 12 bits
constexpr int kMinResolutionBits = 9;       // power-up resolution, 0.5 degC
constexpr int kFullResolutionBits = 12;     // 1/16 degC
constexpr int kStepsPerDegree = 16;         // 12-bit steps per degC
constexpr int kWordShift = 4;               // the 12-bit reading sits in bits 4-15
// The reading saturates at the ends of what the word holds (held at a 0.5 degC step, so
// every resolution shows the same limit).
constexpr double kColdestC = -128.0;
constexpr double kHottestC = 127.5;

}  // namespace

SimStatus CalBoardPort::WriteRegs(uint8_t reg, std::span<const uint8_t> data) {
  if (reg != kRegOutput || data.size() != 1) return kSimCommandNack;
  const uint8_t before = output_;
  output_ = data[0];
  ++writes_;
  if (listener_) listener_(before, output_);
  return kSimOk;
}

SimStatus CalBoardPort::ReadRegs(uint8_t reg, int count, std::vector<uint8_t>& data) {
  if (reg != kRegOutput || count != 1) return kSimCommandNack;
  data = {output_};
  return kSimOk;
}

TemperatureSensor::TemperatureSensor(double ambient_c, double error_c)
    : ambient_c_(ambient_c), error_c_(error_c) {}

int TemperatureSensor::ResolutionBits() const {
  return kMinResolutionBits + ((configuration_ >> kResolutionShift) & kResolutionMask);
}

// The conversion rounds to the nearest step of the resolution set; the unused low bits
// of the 12-bit reading read 0.
uint16_t TemperatureSensor::TemperatureWord() const {
  const double celsius = std::clamp(ambient_c_ + error_c_, kColdestC, kHottestC);
  const int64_t step = int64_t{1} << (kFullResolutionBits - ResolutionBits());
  const int64_t steps = RoundToInt64(celsius * kStepsPerDegree / static_cast<double>(step)) * step;
  return static_cast<uint16_t>(static_cast<int16_t>(steps * (1 << kWordShift)));
}

SimStatus TemperatureSensor::WriteRegs(uint8_t reg, std::span<const uint8_t> data) {
  if (reg != kRegConfiguration || data.size() != 1) return kSimCommandNack;
  configuration_ = data[0];
  return kSimOk;
}

// The temperature register gives its high byte first; a one-byte read gets only that.
SimStatus TemperatureSensor::ReadRegs(uint8_t reg, int count, std::vector<uint8_t>& data) {
  if (reg == kRegConfiguration && count == 1) {
    data = {configuration_};
    return kSimOk;
  }
  if (reg != kRegTemperature || count < 1 || count > 2) return kSimCommandNack;
  const uint16_t word = TemperatureWord();
  data = {static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word & 0xFF)};
  data.resize(static_cast<size_t>(count));
  return kSimOk;
}

CalBoardModel::CalBoardModel(const AdapterDescription& adapter) : fitted_(adapter.cal_board) {
  for (uint8_t addr : adapter.sensors) {
    if (Sensor(addr) != nullptr) continue;  // named twice: one sensor
    double error_c = 0.0;
    for (const SensorError& e : adapter.sensor_errors) {
      if (e.addr == addr) error_c = e.error_c;
    }
    sensors_.emplace_back(addr, TemperatureSensor(adapter.ambient_c, error_c));
  }
}

TemperatureSensor* CalBoardModel::Sensor(uint8_t addr) {
  for (auto& [a, sensor] : sensors_) {
    if (a == addr) return &sensor;
  }
  return nullptr;
}

void CalBoardModel::SetAmbient(double celsius) {
  for (auto& entry : sensors_) entry.second.SetAmbient(celsius);
}

BusDevice* CalBoardModel::Device(uint8_t addr) {
  if (!fitted_) return nullptr;
  if (addr == kAddrCalBoard) return &port_;
  return Sensor(addr);
}

}  // namespace tester
