#pragma once
// Register-style gauge firmware at 0xAA (command sets 6, 7): manufacturer access through
// a two-byte register (identity answers little-endian), ROM entry by a register word,
// and data-flash class blocks through 0x3E (class), 0x3F (block), 0x40.. (32 bytes) with
// the checksum byte at 0x60 committing the block. While a commit runs the gauge does
// not answer; afterwards a read of the control register 0x00 succeeds again.
// Calibration words on the control register and the live measurement registers:
// sim/register_cal.h.
#include <array>

#include "sim/bus_device.h"
#include "sim/cal_readings.h"
#include "sim/gauge_core.h"
#include "sim/gauge_mode_flash.h"
#include "sim/pack_physics.h"
#include "sim/register_cal.h"

namespace tester {

class RegGauge final : public BusDevice {
public:
  explicit RegGauge(GaugeCore& core)
      : core_(core),
        flash_(core),
        physics_(core),
        readings_(core, physics_),
        cal_(core, physics_, readings_) {
    regs_.fill(0);
  }

  SimStatus WriteRegs(uint8_t reg, std::span<const uint8_t> data) override;
  SimStatus ReadRegs(uint8_t reg, int count, std::vector<uint8_t>& data) override;

private:
  void ManufacturerAccess(uint16_t subcommand);
  void LoadBlock();
  void Commit(uint8_t checksum);

  GaugeCore& core_;
  GaugeModeFlash flash_;
  PackPhysics physics_;
  CalReadings readings_;
  RegCal cal_;
  std::array<uint8_t, 256> regs_;
};

}  // namespace tester
