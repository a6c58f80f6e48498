#include "sim/onboard_cal.h"

#include "common/rounding.h"

namespace tester {
namespace {

constexpr uint16_t kSubEnter = 0x0040;        // manufacturer access: enter gauge-assisted mode
constexpr uint8_t kCmdReady = 0x50;           // word: 0x4C7A when ready
constexpr uint16_t kReadySignature = 0x4C7A;  // "L" high, "z" low
constexpr uint8_t kCmdStartStep = 0x51;       // word: 0xC0 high, step mask low
constexpr uint8_t kStartStepHigh = 0xC0;
constexpr uint8_t kCmdBusy = 0x52;            // word: nonzero while a step runs
constexpr uint16_t kBusyRunning = 0x0100;     // busy word: step running (mask in low byte)
constexpr uint8_t kCmdError = 0x53;           // word: error bits of the last step
constexpr uint8_t kCmdReference = 0x58;       // block of 7: the reference record
constexpr uint8_t kCmdFinish = 0x72;          // send byte: finish calibration
constexpr uint8_t kCmdLeave = 0x73;           // send byte: leave gauge-assisted mode
constexpr int kReferenceBytes = 7;
constexpr int64_t kFinishMicros = 500'000;    // gauge busy after finish

// Board-offset sampling.
constexpr uint8_t kCmdOffsetStart = 0x46;
constexpr uint8_t kCmdOffsetControl = 0x40;
constexpr uint16_t kOffsetTakeSample = 0x8042;
constexpr uint8_t kCmdOffsetInput = 0x41;
constexpr uint16_t kInputConnected = 2;
constexpr uint16_t kInputShorted = 3;
constexpr uint8_t kCmdOffsetSample = 0x42;

// Step mask bits.
constexpr uint8_t kStepCcOffset = 0x01;
constexpr uint8_t kStepTemperature = 0x04;
constexpr uint8_t kStepCurrent = 0x40;
constexpr uint8_t kStepVoltage = 0x80;
constexpr uint8_t kSensorBits[3] = {0x08, 0x10, 0x20};  // internal, TS1, TS2

// Error word bits.
constexpr uint16_t kErrNoReference = 0x0010;
constexpr uint16_t kErrTemperature = 0x0020;
constexpr uint16_t kErrCurrent = 0x0040;
constexpr uint16_t kErrVoltage = 0x0080;

constexpr int kAveraged = 4;               // conversions averaged for current and voltage
constexpr double kMinSenseMicroohm = 500;  // sense resistance the gauge accepts
constexpr double kMaxSenseMicroohm = 60000;
constexpr double kDeltaFactor = 298261.6178;
constexpr int kMaxTempOffset = 127;

}  // namespace

void OnboardCal::Settle() {
  if (!pending_ || Busy()) return;
  error_ = pending_->error;
  if (error_ == 0) Store(*pending_);
  pending_.reset();
}

void OnboardCal::Subcommand(uint16_t word) {
  if (word != kSubEnter) return;
  active_ = true;
  error_ = 0;
}

bool OnboardCal::WriteWord(uint8_t cmd, uint16_t word) {
  if (cmd == kCmdStartStep && active_ && (word >> 8) == kStartStepHigh) {
    StartStep(static_cast<uint8_t>(word));
    return true;
  }
  if (cmd == kCmdOffsetStart) {
    offset_sampling_ = true;
    offset_input_ = SenseInput::kConnected;
    return true;
  }
  if (!offset_sampling_) return false;
  if (cmd == kCmdOffsetControl) {
    if (word == kOffsetTakeSample) offset_sample_ = BoardOffsetSample();
    return true;
  }
  if (cmd == kCmdOffsetInput && (word == kInputConnected || word == kInputShorted)) {
    offset_input_ = word == kInputShorted ? SenseInput::kShorted : SenseInput::kConnected;
    return true;
  }
  return false;
}

std::optional<uint16_t> OnboardCal::ReadWord(uint8_t cmd) const {
  if (cmd == kCmdReady) return active_ && !Busy() ? kReadySignature : uint16_t{0};
  if (cmd == kCmdBusy) return Busy() ? static_cast<uint16_t>(kBusyRunning | busy_mask_) : 0;
  if (cmd == kCmdError && active_) return error_;
  if (cmd == kCmdOffsetSample && offset_sampling_) return offset_sample_;
  return std::nullopt;
}

bool OnboardCal::WriteBlock(uint8_t cmd, std::span<const uint8_t> data) {
  if (cmd != kCmdReference || !active_) return false;
  if (data.size() < kReferenceBytes) return false;
  Reference r;
  r.current_ma = static_cast<int16_t>(data[0] | data[1] << 8);
  r.tap1_mv = data[2] | data[3] << 8;
  r.tenths_k = data[4] | data[5] << 8;
  r.cells = data[6];
  reference_ = r;
  return true;
}

bool OnboardCal::SendByte(uint8_t cmd) {
  if (cmd == kCmdFinish && active_) {
    busy_until_ = core_.Now() + kFinishMicros;
    busy_mask_ = 0;
    return true;
  }
  if (cmd == kCmdLeave && active_) {
    active_ = false;
    reference_.reset();
    return true;
  }
  return false;
}

void OnboardCal::StartStep(uint8_t mask) {
  StepResult r;
  const TrueValues& truth = core_.Pack().truth;
  if (truth.step_error != 0) {
    r.error = truth.step_error;
  } else {
    if (mask & kStepCcOffset) MeasureCcOffset(r);
    if (mask & kStepCurrent) MeasureCurrent(r);
    if (mask & kStepVoltage) MeasureVoltage(r);
    if (mask & kStepTemperature) MeasureTemperature(mask, r);
  }
  pending_ = r;
  error_ = 0;
  busy_mask_ = mask;
  busy_until_ = core_.Now() + truth.step_ms * kMicrosPerMs;
}

void OnboardCal::MeasureCcOffset(StepResult& r) const {
  const int64_t first = physics_.SampleNow() * kSimCcOffsetSamples;
  int total = 0;
  for (int k = 0; k < kSimCcOffsetSamples; ++k) {
    total += static_cast<int>(RoundToInt64(physics_.CcCounts(SenseInput::kShorted, first + k)));
  }
  r.cc_offset_total = total;
}

void OnboardCal::MeasureCurrent(StepResult& r) const {
  if (!reference_ || reference_->current_ma == 0) {
    r.error |= kErrNoReference;
    return;
  }
  const PackDescription& pack = core_.Pack();
  auto flash = core_.Memory().DataFlash();
  const int base = ClassAddress(pack, kSimCalClassId);
  int samples = static_cast<int16_t>(ReadWordBE(flash, base + kSimSampleCountAt));
  int stored = static_cast<int16_t>(ReadWordBE(flash, base + kGaugeCcOffsetAt));
  int total = r.cc_offset_total.value_or(stored);
  int board_word = ReadWordBE(flash, base + pack.truth.board_offset_at);
  int board = board_word == kSimKFactorOverride ? 0 : static_cast<int16_t>(board_word);
  double offset = samples > 0 ? static_cast<double>(total + board) / samples : 0.0;
  double counts = 0.0;
  for (int k = 0; k < kAveraged; ++k) {
    counts += physics_.CcCounts(SenseInput::kConnected, physics_.SampleNow() + k);
  }
  double corrected = physics_.CcPolarity() * (counts / kAveraged - offset);
  double gain = corrected != 0.0 ? reference_->current_ma / corrected : 0.0;
  double microohm = gain > 0.0 ? physics_.CcMicrovolts() * 1000.0 / gain : 0.0;
  if (gain <= 0.0 || microohm < kMinSenseMicroohm || microohm > kMaxSenseMicroohm) {
    r.error |= kErrCurrent;
    return;
  }
  r.cc_gain = gain;
}

void OnboardCal::MeasureVoltage(StepResult& r) const {
  if (!reference_ || reference_->tap1_mv <= 1 || reference_->cells < 1 ||
      reference_->cells > kSimTaps) {
    r.error |= kErrVoltage;
    return;
  }
  // The gauge takes every cell to be at the tap-1 reference.
  for (int tap = 0; tap < reference_->cells; ++tap) {
    double counts = 0.0;
    for (int k = 0; k < kAveraged; ++k) {
      for (int cell = 0; cell <= tap; ++cell) {
        counts += physics_.CellCounts(cell, physics_.SampleNow() + k);
      }
    }
    counts /= kAveraged;
    int64_t k_factor = counts > 0.0 ? RoundToInt64((tap + 1) * reference_->tap1_mv *
                                                   kSimKFactorScale / counts)
                                    : 0;
    if (k_factor < 1 || k_factor > 0xFFFF) {
      r.error |= kErrVoltage;
      return;
    }
    r.k_factor[tap] = static_cast<int>(k_factor);
  }
}

void OnboardCal::MeasureTemperature(uint8_t mask, StepResult& r) const {
  if (!reference_ || reference_->tenths_k <= 0) {
    r.error |= kErrNoReference;
    return;
  }
  for (int sensor = 0; sensor < 3; ++sensor) {
    if ((mask & kSensorBits[sensor]) == 0) continue;
    int64_t offset = RoundToInt64(reference_->tenths_k -
                                  physics_.SensorTenths(sensor, physics_.SampleNow()));
    if (offset < -kMaxTempOffset - 1 || offset > kMaxTempOffset) {
      r.error |= kErrTemperature;
      return;
    }
    r.temp_offset[sensor] = static_cast<int>(offset);
  }
}

void OnboardCal::Store(const StepResult& r) {
  const int base = ClassAddress(core_.Pack(), kSimCalClassId);
  if (base < 0) return;
  GaugeMemory& memory = core_.Memory();
  if (r.cc_offset_total) StoreWordBE(memory, base + kGaugeCcOffsetAt, *r.cc_offset_total);
  if (r.cc_gain) {
    StoreFloat(memory, base + kGaugeCcGainAt, *r.cc_gain);
    StoreFloat(memory, base + kGaugeCcDeltaAt, *r.cc_gain * kDeltaFactor);
  }
  for (int tap = 0; tap < kSimTaps; ++tap) {
    if (r.k_factor[tap]) StoreWordBE(memory, base + kGaugeKFactorAt + 2 * tap, *r.k_factor[tap]);
  }
  for (int sensor = 0; sensor < 3; ++sensor) {
    if (r.temp_offset[sensor]) {
      StoreByte(memory, base + kGaugeTempAt + sensor, *r.temp_offset[sensor]);
    }
  }
}

uint16_t OnboardCal::BoardOffsetSample() {
  const int64_t sample = 1'000'000'000 + offset_samples_taken_++;
  return static_cast<uint16_t>(RoundToInt64(physics_.CcCounts(offset_input_, sample)));
}

}  // namespace tester
