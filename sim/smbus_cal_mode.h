#pragma once
// Host-computed calibration mode of the SMBus gauges: the mode flag toggled by
// subcommand 0x002D on the manufacturer-access command, the sampling passes started by
// 0xF081 (sense input connected, mode byte 1) and 0xF082 (input shorted inside the gauge,
// mode byte 2) and stopped by 0xF080, the calibration data block 0x23 with a sample
// counter that advances with every conversion (250 ms), and the ways each command set
// shows the mode: status word 0xB1 bit 15, block 0x57 byte 1 bit 7, block 0x23 byte 1 bit 7
// after 0x0057 (families 4, 8) or byte 1 = mode byte (others). Temperatures: block 0x72,
// block 0x23 after 0x0072 (families 4, 8), one word per sensor at 0x48..0x4C.
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/cal_readings.h"

namespace tester {

class SmbusCalMode {
public:
  SmbusCalMode(const GaugeCore& core, const PackPhysics& physics, const CalReadings& readings)
      : core_(core), physics_(physics), readings_(readings) {}

  // A word written to the manufacturer-access command.
  void Subcommand(uint16_t word);
  bool InCalMode() const { return in_cal_; }

  // Word reads this model answers (status word, sensor words); nothing for others.
  std::optional<uint16_t> ReadWord(uint8_t cmd) const;
  // Block reads: 0x57, 0x72, and 0x23 while the last subcommand belongs to calibration.
  bool ReadBlock(uint8_t cmd, uint16_t subcommand, std::vector<uint8_t>& data) const;

private:
  bool StatusOn23() const;
  void DataBlock(std::vector<uint8_t>& data) const;
  void StatusBlock(std::vector<uint8_t>& data) const;
  void TemperatureBlock(std::vector<uint8_t>& data) const;
  uint8_t Counter() const;

  const GaugeCore& core_;
  const PackPhysics& physics_;
  const CalReadings& readings_;
  bool in_cal_ = false;
  uint8_t sampling_mode_ = 0;      // 1 input connected, 2 input shorted, 0 stopped
  int64_t sampling_start_ = 0;     // conversion number when the pass started
};

}  // namespace tester
