#include "calibration/cal_run_register.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "calibration/cal_checks.h"
#include "calibration/cal_run_smbus.h"
#include "calibration/df_float.h"
#include "common/register_map.h"
#include "common/rounding.h"
#include "common/status_codes.h"
#include "gauge/df_access.h"
#include "gauge/df_access_register.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

// Control words written to the manufacturer-access register.
constexpr int16_t kCtlIdle = 0x0000;          // plain control status / end of a step
constexpr int16_t kCtlCCOffsetStart = 0x000A;  // start the coulomb-counter offset step
constexpr int16_t kCtlCCOffsetSave = 0x000B;   // store the measured offset
constexpr int16_t kCtlCalToggle = 0x002D;      // toggle calibration mode
constexpr int16_t kCtlCalSample = 0x0081;      // sample with the reference current
constexpr uint16_t kCCOffsetBusy = 0x0800;     // control status: offset step still running

// Waits (ms).
constexpr int kAfterControlWriteMs = 50;  // after every control word, before the others
constexpr int kStartSettleMs = 1000;
constexpr int kCCOffsetStepMs = 100;
constexpr int kAfterCCOffsetMs = 500;
constexpr int kCalEnterMs = 500;
constexpr int kCalSampleStartMs = 200;
constexpr int kSampleGapMs = 1500;
constexpr int kCalStopMs = 200;
constexpr int kCalLeaveMs = 100;

// Registers of the gauge (0xAA).
constexpr uint8_t kRegSampleBlock = 0x79;   // calibration sample: signed current, bytes 1-2
constexpr int16_t kSampleBlockBytes = 16;
constexpr uint8_t kRegVoltage = 8;          // voltage, mV
constexpr uint8_t kRegTempInt6 = 42;        // command set 6: internal sensor, 0.1 K
constexpr uint8_t kRegTempExt6 = 12;        // command set 6: external sensor
constexpr uint8_t kRegTempInt7 = 40;        // command set 7: internal sensor
constexpr uint8_t kRegTempExt7 = 6;         // command set 7: external sensor
constexpr uint8_t kRegSensorControl = 0x61;  // data-flash access control
constexpr uint8_t kSensorSubclass = 64;      // subclass holding the external-sensor flag
constexpr uint8_t kExtSensorFlag = 0x01;     // bit 0 of byte 1: external sensor fitted

// Calibration class positions.
constexpr int kPosCCGain = 0;
constexpr int kPosCCDelta = 4;
constexpr int kPosCCOffset = 8;
constexpr int kPosBoardOffset = 10;
constexpr int kPosTempInternal = 11;
constexpr int kPosTempExternal = 12;
constexpr int kPosCellOffset = 13;
constexpr int kPosVoltageGain = 14;

// Scales.
constexpr double kBoardOffsetScale = 64.0 / 4.7095;  // board offset units per stored step
constexpr double kCCOffsetSteps = 16.0;              // CC offset + board offset per count
constexpr double kCCDeltaPerGain = 1193046.0;
constexpr int kZeroCelsiusTenthsK = 2732;
constexpr int32_t kRefVoltageMin = 2799;     // mV
constexpr int32_t kRefVoltageMax6 = 65000;   // mV, command set 6
constexpr int32_t kRefVoltageMax7 = 4500;    // mV, command set 7
constexpr int kByteOffsetMin = -128;         // signed byte fields
constexpr int kByteOffsetMax = 127;

uint16_t WordBE(const DFBlockBuffer& block, int at) {
  return static_cast<uint16_t>((block[at] << 8) | block[at + 1]);
}

Status RangeStatus(int64_t value, int64_t low, int64_t high) {
  if (value < low) return kStatusGainLow;
  if (value > high) return kStatusGainHigh;
  return 0;
}

class I2CCalibration {
public:
  I2CCalibration(CalContext& ctx, const TesterConfig& config, const CalOptions& options,
                 uint8_t ma_command, uint8_t addr)
      : ctx_(ctx), config_(config), options_(options), ma_(ma_command), addr_(addr) {}

  Status Run() {
    Status status = 0;
    if (options_.CalCCOffset != 0) {
      if ((status = CCOffsetStep()) != 0) return status;
      Wait(kAfterCCOffsetMs);
    }
    // The class is written back only when it was read: with the offset step alone
    // there is nothing to patch, and a buffer never read must not reach data flash.
    if (options_.CurrentCalEnabled == 0 && options_.CalVoltage == 0 &&
        options_.CalTemperature == 0 && options_.CalBoardOffset == 0) {
      return 0;
    }
    int16_t length = 0;
    if ((status = ReadDFBlockI2C(ctx_.link, class_, kI2CCalClass, 0, length)) != 0) {
      return status;
    }
    if (length < kDFBlockSize) return kStatusDfPositionOutOfBlock;
    results_.CCOffsetTotal = static_cast<int16_t>(WordBE(class_, kPosCCOffset));
    if (options_.CalBoardOffset != 0 && (status = BoardOffsetStep()) != 0) return status;
    if (options_.CurrentCalEnabled != 0 && (status = CurrentStep()) != 0) return status;
    if (options_.CalTemperature != 0 && (status = TemperatureStep()) != 0) return status;
    if (options_.CalVoltage != 0 && (status = VoltageStep()) != 0) return status;
    status = WriteDFBlockI2C(ctx_.link, class_, kI2CCalClass, 0, kDFBlockSize);
    return status == 0 ? 0 : kStatusDfWriteUnconfirmed;
  }

private:
  void Wait(int ms) { ctx_.link.WaitMs(ms); }

  Status Control(int16_t word) {
    const Status status = ctx_.link.WriteRegWord(ma_, word, addr_);
    Wait(kAfterControlWriteMs);
    return status;
  }

  // The gauge measures its own offset after 0x000A; bit 11 of its control status stays
  // set until it is done. Bounded: a gauge that never finishes is given up on after
  // kCCOffsetDoneLimitMs (or kCCOffsetDonePollLimit polls) with 5020, the code of a
  // calibration step that timed out.
  Status CCOffsetStep() {
    Status status = Control(kCtlIdle);
    if (status != 0) return status;
    Wait(kCCOffsetStepMs);
    if ((status = Control(kCtlCCOffsetStart)) != 0) return status;
    Wait(kCCOffsetStepMs);
    const int64_t began = ctx_.link.Pump().Now();
    for (int polls = 1;; ++polls) {
      Wait(kCCOffsetStepMs);
      if ((status = Control(kCtlIdle)) != 0) return status;
      Wait(kCCOffsetStepMs);
      int16_t control = 0;
      if ((status = ctx_.link.ReadRegWord(ma_, control, addr_)) != 0) return status;
      if ((static_cast<uint16_t>(control) & kCCOffsetBusy) == 0) break;
      const int64_t elapsed_ms = (ctx_.link.Pump().Now() - began) / kMicrosPerMs;
      if (elapsed_ms >= kCCOffsetDoneLimitMs || polls >= kCCOffsetDonePollLimit) {
        return kStatusCalDoneTimeout;
      }
    }
    if ((status = Control(kCtlCCOffsetSave)) != 0) return status;
    Wait(kCCOffsetStepMs);
    return 0;
  }

  // The station's board offset, in the gauge's steps; it must fit its unsigned byte.
  Status BoardOffsetStep() {
    const int64_t steps = RoundToInt64(config_.BoardOffsetValue * kBoardOffsetScale);
    if (steps < 0 || steps > 0xFF) return kStatusBoardOffsetOutOfLimit;
    class_[kPosBoardOffset] = static_cast<uint8_t>(steps);
    results_.BoardOffset = static_cast<int16_t>(steps);
    return 0;
  }

  Status SampleCurrent(int64_t& sum) {
    Status status = ctx_.board.CalBoardLoadOn();
    if (status != 0) return status;
    if (Control(kCtlCalToggle) != 0) return kStatusCalModeFailed;
    Wait(kCalEnterMs);
    if (Control(kCtlCalSample) != 0) return kStatusCalModeFailed;
    Wait(kCalSampleStartMs);
    for (int i = 0; i < ctx_.link.Settings().NumSamples; ++i) {
      Wait(kSampleGapMs);
      std::array<uint8_t, kSampleBlockBytes> block{};
      int16_t length = kSampleBlockBytes;
      if ((status = ctx_.link.ReadRegBlock(kRegSampleBlock, block, length, addr_)) != 0) {
        return status;
      }
      if (length < 3) return kStatusCalCurrentFailed;  // the reading itself is missing
      sum += static_cast<int16_t>(static_cast<uint16_t>(block[1] | (block[2] << 8)));
    }
    if ((status = Control(kCtlIdle)) != 0) return status;
    Wait(kCalStopMs);
    if ((status = Control(kCtlCalToggle)) != 0) return status;
    Wait(kCalLeaveMs);
    return ctx_.board.CalBoardLoadOff();
  }

  Status CurrentStep() {
    const int samples = ctx_.link.Settings().NumSamples;
    if (samples < 1) return kStatusCalCurrentFailed;  // no average without samples
    int64_t sum = 0;
    Status status = SampleCurrent(sum);
    if (status != 0) return status;

    const double average = static_cast<double>(sum) / samples;
    const auto cc_offset = static_cast<int16_t>(WordBE(class_, kPosCCOffset));
    const double corrected = average - (cc_offset + class_[kPosBoardOffset]) / kCCOffsetSteps;
    if (corrected == 0.0) return kStatusCalCurrentZero;
    const double gain = std::abs(static_cast<int32_t>(options_.RefCurrentNeg)) / corrected;
    if (!(gain > 0.0)) return kStatusSenseResistorHigh;
    results_.CCGain = gain;
    results_.CCDelta = gain * kCCDeltaPerGain;
    const DFFloatBytes gain_bytes = EncodeDFFloatBytes(gain);
    const DFFloatBytes delta_bytes = EncodeDFFloatBytes(gain * kCCDeltaPerGain);
    std::copy(gain_bytes.begin(), gain_bytes.end(), class_.begin() + kPosCCGain);
    std::copy(delta_bytes.begin(), delta_bytes.end(), class_.begin() + kPosCCDelta);
    return CheckSenseResistance(config_, DecodeSenseResistor(class_));
  }

  // The external sensor's presence flag, in subclass 64.
  Status ExternalSensorFitted() {
    if (ctx_.link.WriteRegByte(kRegSensorControl, 0x00, addr_) != 0 ||
        ctx_.link.WriteRegBytes(regmap::kGaugeClass, 0x00, kSensorSubclass, addr_) != 0) {
      return kStatusExtSensorMissing;
    }
    std::array<uint8_t, kDFBlockSize> block{};
    int16_t length = kDFBlockSize;
    if (ctx_.link.ReadRegBlock(regmap::kGaugeBlockData, block, length, addr_) != 0 || length < 2 ||
        (block[1] & kExtSensorFlag) == 0) {
      return kStatusExtSensorMissing;
    }
    return 0;
  }

  Status TemperatureStep() {
    const bool set6 = ctx_.link.Settings().COMMANDSET == 6;
    const bool internal =
        ctx_.link.Settings().IntTSSupported == 1 && options_.IntTSCalEnabled != 0;
    Status status = 0;
    if (!internal && (status = ExternalSensorFitted()) != 0) return status;
    const uint8_t reg = set6 ? (internal ? kRegTempInt6 : kRegTempExt6)
                             : (internal ? kRegTempInt7 : kRegTempExt7);
    int16_t tenths_k = 0;
    if (ctx_.link.ReadRegWord(reg, tenths_k, addr_) != 0) return kStatusCalTemperatureFailed;
    // The reading is whole tenths of a kelvin, so its Celsius value to one decimal is
    // exact; the offset is formed in tenths to keep 0.1 steps free of binary error.
    const int32_t celsius_tenths = tenths_k - kZeroCelsiusTenthsK;
    const int64_t offset =
        RoundToInt64(static_cast<double>(options_.RefTemperature) * 10.0 - celsius_tenths);
    const auto offset16 = static_cast<int16_t>(std::clamp<int64_t>(offset, -32768, 32767));
    results_.TempOffset[internal ? kTempSlotInternal : kTempSlotTS1] = offset16;
    if ((status = CheckOffsetLimit(offset16, config_.TempOffsetTolerance)) != 0) return status;
    // Stored in a signed byte: a wider tolerance must not let a wrapped offset through.
    if (offset < kByteOffsetMin) return kStatusTempOffsetLow;
    if (offset > kByteOffsetMax) return kStatusTempOffsetHigh;
    class_[internal ? kPosTempInternal : kPosTempExternal] = static_cast<uint8_t>(offset);
    return 0;
  }

  Status VoltageStep() {
    int16_t word = 0;
    Status status = ctx_.link.ReadRegWord(kRegVoltage, word, addr_);
    if (status != 0) return status;
    const auto reading_mv = static_cast<uint16_t>(word);
    const int32_t ref = options_.RefVoltage1;
    if (ctx_.link.Settings().COMMANDSET == 6) {
      if ((status = RangeStatus(ref, kRefVoltageMin, kRefVoltageMax6)) != 0) return status;
      if (reading_mv == 0) return kStatusGainHigh;  // no reading: the gain would be infinite
      const int64_t gain = RoundToInt64(static_cast<double>(WordBE(class_, kPosVoltageGain)) *
                                        ref / reading_mv);
      if (gain > 0xFFFF) return kStatusGainHigh;  // the gain word holds 16 bits
      results_.CellGain[0] = static_cast<int16_t>(gain);
      class_[kPosVoltageGain] = static_cast<uint8_t>(gain >> 8);
      class_[kPosVoltageGain + 1] = static_cast<uint8_t>(gain & 0xFF);
      return 0;
    }
    if ((status = RangeStatus(ref, kRefVoltageMin, kRefVoltageMax7)) != 0) return status;
    const int64_t difference = static_cast<int64_t>(ref) - reading_mv;
    results_.CellGain[0] = static_cast<int16_t>(std::clamp<int64_t>(difference, -32768, 32767));
    if ((status = RangeStatus(difference, kByteOffsetMin, kByteOffsetMax)) != 0) return status;
    class_[kPosCellOffset] = static_cast<uint8_t>(difference);
    return 0;
  }

  CalContext& ctx_;
  const TesterConfig& config_;
  const CalOptions& options_;
  uint8_t ma_;
  uint8_t addr_;
  DFBlockBuffer class_{};

public:
  // What the steps computed so far: CC gain and delta, the CC offset found in the class,
  // board offset, the temperature offset (internal or TS1 slot), and in CellGain[0] the
  // voltage gain (command set 6) or cell-1 offset in mV (command set 7).
  const CalibrationResults& Results() const { return results_; }

private:
  CalibrationResults results_{};
};

}  // namespace

Status RunCalibrationI2C(CalContext& ctx, const TesterConfig& config, const CalOptions& options,
                         uint8_t maCommand, uint8_t addr) {
  if (!AnyCalibrationRequested(options)) return kStatusCalNothingRequested;
  ctx.link.WaitMs(kStartSettleMs);
  I2CCalibration run(ctx, config, options, maCommand, addr);
  const Status status = run.Run();
  if (ctx.results != nullptr) *ctx.results = run.Results();
  return status;
}

}  // namespace tester
