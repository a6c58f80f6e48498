#include "sim/smbus_cal_mode.h"

#include "common/rounding.h"

namespace tester {
namespace {

constexpr uint16_t kSubToggleCalMode = 0x002D;  // enters or leaves calibration mode
constexpr uint16_t kSubSamplingBase = 0xF080;   // 0xF080 stop, 0xF081 / 0xF082 sample
constexpr uint16_t kSubStatusBlock = 0x0057;    // families 4, 8: status through block 0x23
constexpr uint16_t kSubTempBlock = 0x0072;      // families 4, 8: temperatures through 0x23
constexpr uint8_t kCmdDataBlock = 0x23;
constexpr uint8_t kCmdStatusBlock = 0x57;
constexpr uint8_t kCmdTempBlock = 0x72;
constexpr uint8_t kCmdStatusWord = 0xB1;        // manufacture status: bit 15 calibration mode
constexpr uint8_t kCmdFirstSensor = 0x48;       // 0x48 internal, 0x49..0x4C TS1..TS4
constexpr uint16_t kStatusCalMode = 0x8000;
constexpr uint8_t kStatusBlockCalMode = 0x80;   // byte 1 of the status block
constexpr int kDataBlockBytes = 26;
constexpr int kSet5BlockBytes = 10;

void PutWord(std::vector<uint8_t>& data, int at, int64_t value) {
  data[at] = static_cast<uint8_t>(value);
  data[at + 1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

void SmbusCalMode::Subcommand(uint16_t word) {
  if (word == kSubToggleCalMode) {
    in_cal_ = !in_cal_;
    if (!in_cal_) sampling_mode_ = 0;
  } else if ((word & 0xFFFC) == kSubSamplingBase && (word & 0x03) != 0x03) {
    sampling_mode_ = static_cast<uint8_t>(word & 0x03);
    sampling_start_ = physics_.SampleNow();
  }
}

std::optional<uint16_t> SmbusCalMode::ReadWord(uint8_t cmd) const {
  if (cmd == kCmdStatusWord) return in_cal_ ? kStatusCalMode : uint16_t{0};
  if (cmd >= kCmdFirstSensor && cmd < kCmdFirstSensor + kSimSensors) {
    return static_cast<uint16_t>(readings_.SensorTenths(cmd - kCmdFirstSensor));
  }
  return std::nullopt;
}

bool SmbusCalMode::StatusOn23() const {
  int family = core_.Pack().family;
  return family == 4 || family == 8;
}

bool SmbusCalMode::ReadBlock(uint8_t cmd, uint16_t subcommand, std::vector<uint8_t>& data) const {
  if (cmd == kCmdStatusBlock) {
    StatusBlock(data);
    return true;
  }
  if (cmd == kCmdTempBlock) {
    TemperatureBlock(data);
    return true;
  }
  if (cmd != kCmdDataBlock) return false;
  if ((subcommand & 0xFFFC) == kSubSamplingBase) {
    DataBlock(data);
  } else if (StatusOn23() && (subcommand == kSubStatusBlock || subcommand == kSubToggleCalMode)) {
    StatusBlock(data);
  } else if (StatusOn23() && subcommand == kSubTempBlock) {
    TemperatureBlock(data);
  } else if (subcommand == kSubToggleCalMode) {
    DataBlock(data);
  } else {
    return false;
  }
  return true;
}

uint8_t SmbusCalMode::Counter() const {
  if (core_.Pack().truth.counter_frozen) return 0;
  return static_cast<uint8_t>(physics_.SampleNow() - sampling_start_ + 1);
}

void SmbusCalMode::DataBlock(std::vector<uint8_t>& data) const {
  const bool set5 = core_.Pack().family == 5;
  data.assign(set5 ? kSet5BlockBytes : kDataBlockBytes, 0);
  if (!in_cal_ || sampling_mode_ == 0) return;
  const uint8_t counter = Counter();
  const int64_t sample = physics_.SampleNow();
  data[0] = counter;
  data[1] = sampling_mode_;
  SenseInput input = sampling_mode_ == 1 ? SenseInput::kConnected : SenseInput::kShorted;
  PutWord(data, 2, RoundToInt64(physics_.CcCounts(input, sample)));
  if (set5) {
    PutWord(data, 4, RoundToInt64(physics_.CellCounts(0, sample) / kSimCellCountsPerMv));
    return;
  }
  for (int cell = 0; cell < kSimTaps; ++cell) {
    PutWord(data, 4 + 2 * cell, RoundToInt64(physics_.CellCounts(cell, sample)));
  }
  PutWord(data, 24, RoundToInt64(physics_.PackCounts(sample)));
}

void SmbusCalMode::StatusBlock(std::vector<uint8_t>& data) const {
  data = {0x00, static_cast<uint8_t>(in_cal_ ? kStatusBlockCalMode : 0x00)};
}

void SmbusCalMode::TemperatureBlock(std::vector<uint8_t>& data) const {
  data.assign(2 * kSimSensors, 0);
  for (int k = 0; k < kSimSensors; ++k) PutWord(data, 2 * k, readings_.SensorTenths(k));
}

}  // namespace tester
