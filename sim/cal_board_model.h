#pragma once
// The station's calibration board as far as the bus sees it: the output port at 0xC0
// (register 0x44: reference switches and status lamps) and the temperature sensors
// (configuration register 1, temperature register 0, big-endian, 1/16 degC in the upper
// 12 bits). Reference voltage and current physics are added by calibration work.
#include <array>
#include <cstdint>
#include <vector>

#include "sim/bus_device.h"
#include "sim/jig.h"

namespace tester {

class CalBoardPort final : public BusDevice {
public:
  SimStatus WriteRegs(uint8_t reg, std::span<const uint8_t> data) override;
  SimStatus ReadRegs(uint8_t reg, int count, std::vector<uint8_t>& data) override;
  uint8_t Output() const { return output_; }

private:
  uint8_t output_ = 0;  // last byte written to register 0x44
};

class TemperatureSensor final : public BusDevice {
public:
  explicit TemperatureSensor(double celsius) : celsius_(celsius) {}
  SimStatus WriteRegs(uint8_t reg, std::span<const uint8_t> data) override;
  SimStatus ReadRegs(uint8_t reg, int count, std::vector<uint8_t>& data) override;
  void SetCelsius(double celsius) { celsius_ = celsius; }
  uint8_t Configuration() const { return configuration_; }

private:
  double celsius_;
  uint8_t configuration_ = 0;
};

// Board devices of one station; answers only when the adapter has a board fitted.
class CalBoardModel {
public:
  explicit CalBoardModel(const AdapterDescription& adapter);
  bool Fitted() const { return fitted_; }
  // Device at `addr`, or null when nothing on the board answers there.
  BusDevice* Device(uint8_t addr);
  const CalBoardPort& Port() const { return port_; }
  TemperatureSensor* Sensor(uint8_t addr);

private:
  bool fitted_;
  CalBoardPort port_;
  std::vector<std::pair<uint8_t, TemperatureSensor>> sensors_;
};

}  // namespace tester
