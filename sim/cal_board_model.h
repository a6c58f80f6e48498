#pragma once
// The station's calibration board as far as the bus sees it: the output port at 0xC0
// (register 0x44: the supply and load relays and the four status lamps) and the
// temperature sensors (configuration register 1, temperature register 0, big-endian,
// two's complement, 1/16 degC per step in the upper 12 bits at full resolution).
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "sim/bus_device.h"
#include "sim/jig.h"

namespace tester {

// Bits of the output byte.
inline constexpr uint8_t kPortLoadRelay = 0x04;    // reference current (load) through the pack
inline constexpr uint8_t kPortSupplyRelay = 0x08;  // reference source on the cell taps
inline constexpr int kPortLedShift = 4;            // status lamps in bits 4-7

class CalBoardPort final : public BusDevice {
public:
  // Told of every byte written to the output register: the byte before and after.
  using Listener = std::function<void(uint8_t before, uint8_t after)>;

  SimStatus WriteRegs(uint8_t reg, std::span<const uint8_t> data) override;
  SimStatus ReadRegs(uint8_t reg, int count, std::vector<uint8_t>& data) override;
  void SetListener(Listener listener) { listener_ = std::move(listener); }

  uint8_t Output() const { return output_; }
  bool SupplyOn() const { return (output_ & kPortSupplyRelay) != 0; }
  bool LoadOn() const { return (output_ & kPortLoadRelay) != 0; }
  // The lamp nibble: the station status value (1 ready, 2 busy, 4 pass, 8 fail).
  uint8_t Leds() const { return static_cast<uint8_t>(output_ >> kPortLedShift); }
  // Bytes written to the output register since the station was created.
  int Writes() const { return writes_; }

private:
  uint8_t output_ = 0;  // last byte written to register 0x44; relays open, lamps dark
  int writes_ = 0;
  Listener listener_;
};

// A temperature sensor whose resolution follows its configuration register: bits 5-6
// select 9 to 12 bits. At power-up (configuration 0x00) it converts with 9 bits, so the
// temperature word moves in 0.5 degC steps and its lower bits stay 0 until 12-bit mode
// (0x60) is set.
class TemperatureSensor final : public BusDevice {
public:
  TemperatureSensor(double ambient_c, double error_c);
  SimStatus WriteRegs(uint8_t reg, std::span<const uint8_t> data) override;
  SimStatus ReadRegs(uint8_t reg, int count, std::vector<uint8_t>& data) override;

  void SetAmbient(double celsius) { ambient_c_ = celsius; }
  uint8_t Configuration() const { return configuration_; }
  int ResolutionBits() const;
  // The word register 0 delivers now (high byte first on the bus).
  uint16_t TemperatureWord() const;

private:
  double ambient_c_;
  double error_c_;      // the sensor reads this much above the true temperature
  uint8_t configuration_ = 0x00;
};

// Board devices of one station; nothing answers when the adapter has no board fitted.
class CalBoardModel {
public:
  explicit CalBoardModel(const AdapterDescription& adapter);
  CalBoardModel(const CalBoardModel&) = delete;
  CalBoardModel& operator=(const CalBoardModel&) = delete;

  bool Fitted() const { return fitted_; }
  // Device answering at `addr`, or null when nothing on the board answers there.
  BusDevice* Device(uint8_t addr);
  CalBoardPort& Port() { return port_; }
  const CalBoardPort& Port() const { return port_; }
  // The sensor at `addr` (whether or not the board answers), or null.
  TemperatureSensor* Sensor(uint8_t addr);
  // Every sensor follows the room temperature.
  void SetAmbient(double celsius);

private:
  bool fitted_;
  CalBoardPort port_;
  std::vector<std::pair<uint8_t, TemperatureSensor>> sensors_;
};

}  // namespace tester
