#include "calibration/on_gauge_cal.h"

#include "common/rounding.h"
#include "common/status_codes.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

constexpr uint16_t kMaxRecordWord = 0xFFFF;  // a record field is one 16-bit word
constexpr int kMinRefVoltageMv = 1;          // a tap-1 reference must lie above this

bool IsSet(int16_t flag) { return flag != 0; }

bool AnyStepAsked(const CalOptions& options) {
  return IsSet(options.CalCCOffset) || IsSet(options.CalVoltage) || IsSet(options.CalTemperature) ||
         IsSet(options.CurrentCalEnabled);
}

bool NeedsReferenceRecord(const CalOptions& options) {
  return IsSet(options.CurrentCalEnabled) || IsSet(options.CalVoltage) ||
         IsSet(options.CalTemperature);
}

void PutWordLE(CalReferenceRecord& record, int at, uint16_t word) {
  record[at] = static_cast<uint8_t>(word & 0xFF);
  record[at + 1] = static_cast<uint8_t>(word >> 8);
}

int64_t ElapsedUs(CalContext& ctx, int64_t start_us) { return ctx.link.Pump().Now() - start_us; }

// Reads the ready-signature command; true when the read succeeded and shows it.
Status ReadReady(CalContext& ctx, uint8_t addr, bool& ready) {
  uint8_t high = 0;
  uint8_t low = 0;
  const Status status = ctx.link.ReadWordBytes(kCalReadyCmd, high, low, addr);
  ready = status == 0 && ((high << 8) | low) == kCalReadySignature;
  return status;
}

// The board's load goes off after the current has been taken, whatever the step gave,
// so the reference current never stays on the pack longer than the step needs. The
// step's failure comes first; a failed switch is reported when the step succeeded,
// since the steps after it would calibrate with the current still flowing.
Status StepThenLoadOff(CalContext& ctx, uint8_t mask, uint8_t addr) {
  const Status step = StartCalStep(ctx, mask, addr);
  const Status load_off = ctx.board.CalBoardLoadOff();
  return step != 0 ? step : load_off;
}

}  // namespace

uint8_t CalStepMask(const CalOptions& options) {
  uint8_t mask = 0;
  if (IsSet(options.CalCCOffset)) mask |= kStepCCOffset;
  if (IsSet(options.CalVoltage)) mask |= kStepVoltage;
  if (IsSet(options.CurrentCalEnabled)) mask |= kStepCurrent;
  if (IsSet(options.CalTemperature)) {
    if (IsSet(options.IntTSCalEnabled)) mask |= kStepIntTS;
    if (IsSet(options.TS1CalEnabled)) mask |= kStepTS1;
    if (IsSet(options.TS2CalEnabled)) mask |= kStepTS2;
  }
  return mask;
}

Status BuildCalReferenceRecord(const CalOptions& options, CalReferenceRecord& record) {
  record.fill(0);
  // A reference the record's 16-bit field cannot carry would reach the gauge cut down to
  // a wrong value; it counts as no usable reference.
  if (IsSet(options.CalVoltage)) {
    if (options.RefVoltage1 <= kMinRefVoltageMv || options.RefVoltage1 > kMaxRecordWord) {
      return kStatusCalNoVoltageRef;
    }
  }
  int64_t temperature = 0;
  if (IsSet(options.CalTemperature)) {
    if (!(options.RefTemperature > 0.0f)) return kStatusCalNoTemperatureRef;
    temperature =
        RoundToInt64(static_cast<double>(options.RefTemperature) * 10.0 + kCalRecordZeroCelsius);
    if (temperature > kMaxRecordWord) return kStatusCalNoTemperatureRef;
  }
  if (IsSet(options.CurrentCalEnabled) && options.RefCurrentNeg == 0) {
    return kStatusCalNoCurrentRef;
  }
  if (IsSet(options.CurrentCalEnabled)) {
    PutWordLE(record, 0, static_cast<uint16_t>(options.RefCurrentNeg));
  }
  if (IsSet(options.CalVoltage)) PutWordLE(record, 2, static_cast<uint16_t>(options.RefVoltage1));
  if (IsSet(options.CalTemperature)) PutWordLE(record, 4, static_cast<uint16_t>(temperature));
  record[6] = static_cast<uint8_t>(options.CellCount);
  return 0;
}

Status RunCalibration(CalContext& ctx, const CalOptions& options, uint8_t addr) {
  const Status entered = EnterOnGaugeCalMode(ctx, addr);
  if (entered != 0) return entered;
  const Status run = RunOnGaugeCal(ctx, options, addr);
  const Status left = ExitOnGaugeCalMode(ctx, addr);
  return run != 0 ? run : left;
}

Status EnterOnGaugeCalMode(CalContext& ctx, uint8_t addr) {
  bool ready = false;
  ReadReady(ctx, addr, ready);
  if (ready) return 0;
  const auto ma_command = static_cast<uint8_t>(ctx.link.Settings().maCommand);
  ctx.link.WriteWordBytes(ma_command, kCalEnterHigh, kCalEnterLow, addr);
  ReadReady(ctx, addr, ready);
  return ready ? 0 : kStatusCalModeFailed;
}

Status RunOnGaugeCal(CalContext& ctx, const CalOptions& options, uint8_t addr) {
  if (!AnyStepAsked(options)) return kStatusCalNothingRequested;
  CalReferenceRecord record{};
  Status status = BuildCalReferenceRecord(options, record);
  if (status != 0) return status;
  const uint8_t mask = CalStepMask(options);

  if (NeedsReferenceRecord(options)) {
    status = ctx.link.WriteBlock(kCalReferenceCmd, record, kCalReferenceRecordSize, addr);
    if (status != 0) return status;
  }
  const bool simultaneous = IsSet(options.CalSimultaneous) && IsSet(options.CurrentCalEnabled) &&
                            IsSet(options.CalVoltage);
  if (simultaneous) {
    // Current alone while the load is on; everything else with the load off.
    status = StepThenLoadOff(ctx, kStepCurrent, addr);
    if (status != 0) return status;
    status = StartCalStep(ctx, static_cast<uint8_t>(mask & ~kStepCurrent), addr);
  } else {
    status = StepThenLoadOff(ctx, mask, addr);
  }
  if (status != 0) return status;
  return WaitCalDone(ctx, addr);
}

Status StartCalStep(CalContext& ctx, uint8_t mask, uint8_t addr) {
  Status status = ctx.link.WriteWordBytes(kCalStartCmd, kCalStartHigh, mask, addr);
  if (status != 0) return status;
  ctx.link.WaitMs(kCalStepSettleMs);

  // The gauge may take a while per step, but one that never goes idle must not hold the
  // station forever: bounded by clock time and by poll count. A busy word that cannot be
  // read ends the step with the read's status: the step's outcome is unknown.
  const int64_t start_us = ctx.link.Pump().Now();
  for (int polls = 1;; ++polls) {
    uint8_t high = 0;
    uint8_t low = 0;
    status = ctx.link.ReadWordBytes(kCalBusyCmd, high, low, addr);
    if (status != 0) return status;
    ctx.link.WaitMs(kCalBusyPollMs);
    if (!CalStepBusy(high, low)) break;
    if (ElapsedUs(ctx, start_us) >= int64_t{kCalBusyLimitMs} * kMicrosPerMs ||
        polls >= kCalBusyMaxPolls) {
      return kStatusCalDoneTimeout;
    }
  }

  uint8_t high = 0;
  uint8_t low = 0;
  status = ctx.link.ReadWordBytes(kCalErrorCmd, high, low, addr);
  if (status != 0) return status;
  if (high == 0 && low == 0) return 0;
  return CalStatusToError(high, low);
}

Status CalStatusToError(uint8_t high, uint8_t low) {
  if (low & 0x01) return kStatusCalCurrentFailed;
  struct Row {
    bool in_high;
    uint8_t bit;
    Status code;
  };
  static constexpr Row kRows[] = {
      {false, 0x02, kStatusCalBoardOffsetFailed}, {false, 0x04, kStatusCalGaugeLow2},
      {false, 0x08, kStatusCalGaugeLow3},         {false, 0x10, kStatusCalGaugeLow4},
      {false, 0x20, kStatusCalTemperatureFailed}, {false, 0x40, kStatusCalCurrentZero},
      {false, 0x80, kStatusCalGaugeLow7},         {true, 0x01, kStatusCalGaugeHigh0},
      {true, 0x20, kStatusCalGaugeHigh5},         {true, 0x40, kStatusCalGaugeHigh6},
      {true, 0x80, kStatusCalDoneTimeout},
  };
  for (const Row& row : kRows) {
    if (((row.in_high ? high : low) & row.bit) != 0) return row.code;
  }
  return kStatusCalGaugeUnknown;
}

Status WaitCalDone(CalContext& ctx, uint8_t addr) {
  const Status status = ctx.link.SendCommandByte(kCalFinishCmd, addr);
  if (status != 0) return status;
  // While the gauge stores its results it may not answer; a failed read is one more
  // "not yet".
  const int64_t start_us = ctx.link.Pump().Now();
  for (;;) {
    bool ready = false;
    const Status read = ReadReady(ctx, addr, ready);
    if (ready) return read;
    if (ElapsedUs(ctx, start_us) >= int64_t{kCalDoneLimitMs} * kMicrosPerMs) {
      return kStatusCalDoneTimeout;
    }
    ctx.link.WaitMs(kCalDonePollMs);
  }
}

Status ExitOnGaugeCalMode(CalContext& ctx, uint8_t addr) {
  bool ready = false;
  const Status status = ReadReady(ctx, addr, ready);
  if (status != 0) return status;
  if (!ready) return 0;
  return ctx.link.SendCommandByte(kCalLeaveCmd, addr);
}

}  // namespace tester
