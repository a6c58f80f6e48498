#pragma once
// Gauge-mode firmware on the SMBus command interface (0x17): identity through the
// manufacturer-access command, ROM entry, data-flash classes (0x77/0x78..), absolute
// 32-byte blocks (0x0100 + k, then 0x2F) and, for command set 2, 64-byte blocks 0x58 + k.
// Calibration: calibrated readings (0x08 temperature, 0x09 voltage, 0x0A current, 0x3F..0x3C
// cells 1..4, 0x71 sense resistance), host-computed calibration mode (smbus_cal_mode.h) and
// gauge-assisted calibration (onboard_cal.h).
// Other commands behave as plain registers: a word written reads back, unknown reads 0.
#include <map>
#include <optional>

#include "sim/bus_device.h"
#include "sim/cal_readings.h"
#include "sim/gauge_core.h"
#include "sim/gauge_mode_flash.h"
#include "sim/onboard_cal.h"
#include "sim/pack_physics.h"
#include "sim/smbus_cal_mode.h"

namespace tester {

class SmbusGauge final : public BusDevice {
public:
  explicit SmbusGauge(GaugeCore& core)
      : core_(core),
        flash_(core),
        physics_(core),
        readings_(core, physics_),
        cal_mode_(core, physics_, readings_),
        onboard_(core, physics_) {}

  SimStatus WriteWord(uint8_t cmd, uint16_t word) override;
  SimStatus ReadWord(uint8_t cmd, uint16_t& word) override;
  SimStatus WriteBlock(uint8_t cmd, std::span<const uint8_t> data) override;
  SimStatus ReadBlock(uint8_t cmd, std::vector<uint8_t>& data) override;
  SimStatus SendByte(uint8_t cmd) override;

private:
  uint16_t ManufacturerAnswer() const;
  // Calibrated readings of the measurement commands; nothing for other commands.
  std::optional<uint16_t> Reading(uint8_t cmd) const;
  int TemperatureSensor() const;
  // Block index of a 64-byte page command of command set 2, or -1.
  int PageOf(uint8_t cmd) const;

  GaugeCore& core_;
  GaugeModeFlash flash_;
  PackPhysics physics_;
  CalReadings readings_;
  SmbusCalMode cal_mode_;
  OnboardCal onboard_;
  uint16_t subcommand_ = 0;   // last word written to the manufacturer-access command
  int selected_class_ = -1;   // class chosen with command 0x77
  int absolute_block_ = -1;   // 32-byte block chosen with subcommand 0x0100 + k
  std::map<uint8_t, uint16_t> words_;  // plain word registers
};

}  // namespace tester
