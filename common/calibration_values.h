#pragma once
// The values a calibration produces, as they travel beyond calibration itself: into the
// run's record, the console report, the controller and the result log.
#include <array>
#include <cstdint>
#include <optional>

namespace tester {

// Coefficients computed from the readings and the references (host-computed calibration).
struct CalibrationResults {
  std::array<int16_t, 4> CellGain{};  // voltage gain of taps 1..4 (command set 5: offsets)
  int32_t PackGain = 0;               // pack (VBAT) voltage gain
  int16_t CCOffsetTotal = 0;          // CC offset times the gauge's CC-offset sample count
  int16_t BoardOffset = 0;
  double CCGain = 0.0;                // coulomb-counter gain, mA per count
  double CCDelta = 0.0;               // coulomb-counter delta
  std::array<int16_t, 5> TempOffset{};  // 0.1 K: internal, TS1, TS2, TS3, TS4
};

// Slots of CalibrationResults::TempOffset.
inline constexpr int kTempSlotInternal = 0;
inline constexpr int kTempSlotTS1 = 1;
inline constexpr int kTempSlotTS2 = 2;
inline constexpr int kTempSlotTS3 = 3;
inline constexpr int kTempSlotTS4 = 4;

// What the limit checks of a gauge-assisted calibration read from the gauge: each value
// only once read.
struct CalLimitReadings {
  std::optional<int16_t> cell_gain;         // class 0x68, offset 8
  std::optional<int16_t> sense_resistance;  // command 0x71, 1/1000 mOhm
  std::optional<std::array<int16_t, 3>> temp_offsets;  // 0.1 K: internal, TS1, TS2
};

}  // namespace tester
