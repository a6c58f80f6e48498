#pragma once
// Gauge-assisted calibration of the SMBus gauges: entered with subcommand 0x0040, the
// gauge shows the ready signature 0x4C7A at 0x50, takes a reference record at 0x58
// (current mA, tap-1 voltage mV, temperature 0.1 K, cell count), runs a step started at
// 0x51 (word 0xC0 << 8 | mask) for `step_ms` (busy word 0x52 nonzero), then stores the
// coefficients it computed from the reference and its own readings into class 104 and
// leaves an error word at 0x53. 0x72 finishes (the gauge is busy for a moment), 0x73
// leaves. Also the board-offset sampling of 0x46 / 0x40 / 0x41 / 0x42 and the sense
// resistance at 0x71.
#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "sim/cal_readings.h"

namespace tester {

class OnboardCal {
public:
  OnboardCal(GaugeCore& core, const PackPhysics& physics) : core_(core), physics_(physics) {}

  // Completes a step whose time is over (stores its results). Called before every
  // transfer the gauge answers.
  void Settle();

  void Subcommand(uint16_t word);
  // Words written to the gauge-assisted commands; false for commands not handled here.
  bool WriteWord(uint8_t cmd, uint16_t word);
  std::optional<uint16_t> ReadWord(uint8_t cmd) const;
  bool WriteBlock(uint8_t cmd, std::span<const uint8_t> data);
  bool SendByte(uint8_t cmd);
  bool Active() const { return active_; }

private:
  struct Reference {
    int current_ma = 0;
    int tap1_mv = 0;
    int tenths_k = 0;
    int cells = 0;
  };
  // What the gauge measured when a step started and what it will store.
  struct StepResult {
    uint16_t error = 0;
    std::optional<int> cc_offset_total;
    std::optional<double> cc_gain;
    std::array<std::optional<int>, 4> k_factor{};
    std::array<std::optional<int>, 3> temp_offset{};
  };

  void StartStep(uint8_t mask);
  void MeasureCcOffset(StepResult& r) const;
  void MeasureCurrent(StepResult& r) const;
  void MeasureVoltage(StepResult& r) const;
  void MeasureTemperature(uint8_t mask, StepResult& r) const;
  void Store(const StepResult& r);
  bool Busy() const { return core_.Now() < busy_until_; }
  uint16_t BoardOffsetSample();

  GaugeCore& core_;
  const PackPhysics& physics_;
  bool active_ = false;
  std::optional<Reference> reference_;
  int64_t busy_until_ = 0;
  uint8_t busy_mask_ = 0;
  std::optional<StepResult> pending_;
  uint16_t error_ = 0;
  // Board-offset sampling.
  bool offset_sampling_ = false;
  SenseInput offset_input_ = SenseInput::kConnected;
  uint16_t offset_sample_ = 0;
  int64_t offset_samples_taken_ = 0;
};

}  // namespace tester
