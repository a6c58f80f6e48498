#pragma once
// Calibration of the register-style gauges (families 6, 7, at 0xAA), driven by words
// written to the control register (the manufacturer-access register):
//   0x0000  the control register then reads the control status: bit 11 while the
//           CC-offset measurement runs
//   0x000A  starts the CC-offset measurement (input shorted, `step_ms` long)
//   0x000B  stores the measured CC offset (x16, big-endian) at class 104 bytes 8-9
//   0x002D  enters or leaves calibration mode
//   0x0081  starts sampling with the sense input connected: block 0x79 (16 bytes) holds
//           the sample counter in byte 0 and the raw current (discharge positive) in
//           bytes 1-2, low byte first
// Live registers, refreshed before every read: 0x08 voltage (mV), 0x10 current (mA,
// discharge negative), temperatures in 0.1 K (family 6: 0x2A internal, 0x0C external;
// family 7: 0x28 internal, 0x06 external), all low byte first.
#include <array>
#include <cstdint>
#include <optional>

#include "sim/cal_readings.h"

namespace tester {

class RegCal {
public:
  RegCal(GaugeCore& core, const PackPhysics& physics, const CalReadings& readings)
      : core_(core), physics_(physics), readings_(readings) {}

  // A word written to the control register; false when it is not a calibration word.
  bool Control(uint16_t word);
  // Writes the live registers into `regs` before a read.
  void Refresh(std::array<uint8_t, 256>& regs);

private:
  bool Busy() const { return core_.Now() < busy_until_; }
  void SamplingBlock(std::array<uint8_t, 256>& regs) const;

  GaugeCore& core_;
  const PackPhysics& physics_;
  const CalReadings& readings_;
  bool status_selected_ = false;
  bool in_cal_ = false;
  bool sampling_ = false;
  int64_t sampling_start_ = 0;
  int64_t busy_until_ = 0;
  std::optional<int> measured_offset_;  // CC offset x16 waiting for 0x000B
};

}  // namespace tester
