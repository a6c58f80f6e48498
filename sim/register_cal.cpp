#include "sim/register_cal.h"

#include "common/rounding.h"

namespace tester {
namespace {

constexpr uint16_t kCtlStatus = 0x0000;         // control register reads the status next
constexpr uint16_t kCtlStartCcOffset = 0x000A;  // measure the CC offset
constexpr uint16_t kCtlStoreCcOffset = 0x000B;  // store the measured CC offset
constexpr uint16_t kCtlToggleCalMode = 0x002D;  // enter or leave calibration mode
constexpr uint16_t kCtlSampleCurrent = 0x0081;  // sample with the sense input connected
constexpr uint16_t kStatusCcOffsetBusy = 0x0800;  // status bit 11
constexpr uint8_t kRegVoltage = 0x08;
constexpr uint8_t kRegCurrent = 0x10;
constexpr uint8_t kRegSampleBlock = 0x79;       // 16 bytes
constexpr int kSampleBlockBytes = 16;

void PutWord(std::array<uint8_t, 256>& regs, int at, int64_t value) {
  regs[at] = static_cast<uint8_t>(value);
  regs[at + 1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

bool RegCal::Control(uint16_t word) {
  status_selected_ = word == kCtlStatus;
  switch (word) {
    case kCtlStatus:
      return true;
    case kCtlStartCcOffset: {
      const int64_t first = physics_.SampleNow() * kSimRegOffsetSamples;
      int total = 0;
      for (int k = 0; k < kSimRegOffsetSamples; ++k) {
        total += static_cast<int>(RoundToInt64(physics_.CcCounts(SenseInput::kShorted, first + k)));
      }
      measured_offset_ = total;
      busy_until_ = core_.Now() + core_.Pack().truth.step_ms * kMicrosPerMs;
      return true;
    }
    case kCtlStoreCcOffset: {
      const int base = ClassAddress(core_.Pack(), kSimCalClassId);
      if (measured_offset_ && !Busy() && base >= 0) {
        StoreWordBE(core_.Memory(), base + kRegCcOffsetAt, *measured_offset_);
        measured_offset_.reset();
      }
      return true;
    }
    case kCtlToggleCalMode:
      in_cal_ = !in_cal_;
      if (!in_cal_) sampling_ = false;
      return true;
    case kCtlSampleCurrent:
      sampling_ = in_cal_;
      sampling_start_ = physics_.SampleNow();
      return true;
    default:
      return false;
  }
}

void RegCal::Refresh(std::array<uint8_t, 256>& regs) {
  const int family = core_.Pack().family;
  if (status_selected_) {
    PutWord(regs, core_.Pack().mac_cmd, Busy() ? kStatusCcOffsetBusy : 0);
  }
  PutWord(regs, kRegVoltage, readings_.VoltageMv());
  PutWord(regs, kRegCurrent, readings_.CurrentMa());
  const uint8_t internal = family == 6 ? 0x2A : 0x28;
  const uint8_t external = family == 6 ? 0x0C : 0x06;
  PutWord(regs, internal, readings_.SensorTenths(kSimSensorInternal));
  PutWord(regs, external, readings_.SensorTenths(kSimSensorTS1));
  SamplingBlock(regs);
}

void RegCal::SamplingBlock(std::array<uint8_t, 256>& regs) const {
  for (int i = 0; i < kSampleBlockBytes; ++i) regs[kRegSampleBlock + i] = 0;
  if (!in_cal_ || !sampling_) return;
  const int64_t now = physics_.SampleNow();
  regs[kRegSampleBlock] = core_.Pack().truth.counter_frozen
                              ? 0
                              : static_cast<uint8_t>(now - sampling_start_ + 1);
  PutWord(regs, kRegSampleBlock + 1,
          RoundToInt64(physics_.CcCounts(SenseInput::kConnected, now)));
}

}  // namespace tester
