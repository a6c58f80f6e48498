#include "calibration/cal_board.h"

#include "common/rounding.h"
#include "gauge/station_settings.h"
#include "platform/profile.h"

namespace tester {
namespace {

// RegByteCall modes of the gauge control.
constexpr int32_t kRegProbe = 0;   // is a device answering on the register bus
constexpr int32_t kRegWrite = 1;   // write one register byte

}  // namespace

CalBoard::CalBoard(GaugeLink& link, std::string config_ini)
    : link_(link), config_ini_(std::move(config_ini)) {}

Status CalBoard::CalBoardInit() {
  use_ = profile::ReadInt(config_ini_, "CalBrd", "Use", 1) == 1 ? 1 : 0;
  if (!UseCalBrd()) return 0;

  uint8_t probe = 0;
  Status status = link_.RegByteCall(kRegProbe, 1, 1, probe);
  if (status == 0) status = link_.CheckBusStatus();
  if (status != 0) return status;
  if ((status = CalBoardVoltageOff()) != 0) return status;
  if ((status = CalBoardLoadOff()) != 0) return status;

  for (uint8_t addr : {kSensorExternalAddr, kSensorBoardAddr}) {
    uint8_t config = 0x00;
    // Configuration cleared first, then 12-bit conversions. A sensor that is not fitted
    // does not stop the board from being used: its reads fail later where they matter.
    link_.RegByteCall(kRegWrite, addr, kSensorConfigReg, config);
    config = kSensorConfig12Bit;
    link_.RegByteCall(kRegWrite, addr, kSensorConfigReg, config);
  }

  const int64_t began = link_.Pump().Now();
  const int64_t limit_us = static_cast<int64_t>(kCalBoardInitQuietLimitMs) * kMicrosPerMs;
  for (int polls = 1;; ++polls) {
    status = link_.CheckBusStatus();
    if (status == 0) return 0;
    if (link_.Pump().Now() - began >= limit_us || polls >= kCalBoardInitQuietLimitMs) {
      return status;
    }
  }
}

Status CalBoard::Apply(uint8_t state) {
  if (!UseCalBrd()) return 0;
  state_ = state;
  return CalBoardWrite(state);
}

Status CalBoard::CalBoardWrite(uint8_t state) {
  if (!UseCalBrd()) return 0;
  uint8_t value = state;
  const Status status = link_.RegByteCall(kRegWrite, kCalBoardPortAddr, kCalBoardPortReg, value);
  link_.CheckBusStatus();
  return status;
}

Status CalBoard::CalBoardPowerOn(int16_t with_current, int16_t no_extra_settle) {
  if (!UseCalBrd()) return 0;
  const StationSettings& settings = link_.Settings();
  uint8_t state = state_ | kCalBoardVoltageBit;
  int64_t settle = settings.CB_V_SETTLE;
  if (with_current != 0) {
    state |= kCalBoardLoadBit;
    settle = settings.CB_I_SETTLE;
    if (no_extra_settle == 0) settle += kCalBoardExtraCurrentSettleMs;
  }
  const Status status = Apply(state);
  link_.WaitMs(settle);
  link_.CheckBusStatus();
  return status;
}

Status CalBoard::CalBoardLoadOn() {
  if (!UseCalBrd()) return 0;
  const Status status = Apply(state_ | kCalBoardLoadBit);
  const int32_t settle = link_.Settings().CB_I_SETTLE;
  link_.PauseBoth(settle);
  link_.WaitMs(RoundToInt64(settle / 2.0));
  return status;
}

Status CalBoard::CalBoardLoadOff() {
  return Apply(static_cast<uint8_t>(state_ & ~kCalBoardLoadBit));
}

Status CalBoard::CalBoardVoltageOff() {
  return Apply(static_cast<uint8_t>(state_ & ~kCalBoardVoltageBit));
}

Status CalBoard::CalBoardPowerOff() {
  return Apply(static_cast<uint8_t>(state_ & ~(kCalBoardVoltageBit | kCalBoardLoadBit)));
}

Status CalBoard::CalBoardSetStatus(int32_t status) {
  const auto leds = static_cast<uint8_t>((status & 0x0F) << kCalBoardLedShift);
  return Apply(static_cast<uint8_t>((state_ & kCalBoardLowBits) | leds));
}

Status CalBoard::CalBoardReadTemperature(int16_t& tenths, int16_t addr) {
  if (!UseCalBrd()) return 0;
  int16_t raw = 0;
  const Status status = link_.ReadRegWordBE(kSensorTempReg, raw, static_cast<uint8_t>(addr));
  if (status == 0) tenths = SensorWordToTenths(raw);
  return status;
}

int16_t SensorWordToTenths(int16_t raw) {
  const int32_t steps = raw / 16;  // division truncating toward zero, as the sensor rule has it
  return static_cast<int16_t>(RoundToInt64(steps * 0.625));
}

}  // namespace tester
