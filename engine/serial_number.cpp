#include "engine/serial_number.h"

#include "gauge/df_access.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

// The station clock counts whole microseconds; a read-back that has waited the full
// time-out must not get one more round because of rounding in the seconds arithmetic.
constexpr double kClockResolutionS = 0.5e-6;

bool ReadBackTimedOut(const GaugeLink& link, double started) {
  return link.ElapsedSeconds(started) + kClockResolutionS >= kSerialReadBackTimeoutS;
}

Status WriteAndConfirm(GaugeLink& link, int16_t value) {
  if (link.WriteWord(kSerialNumberCmd, value, kAddrSmbusGauge) != 0) {
    return kStatusSerialWriteFailed;
  }
  const double started = link.TimerNow();
  int16_t readback = 0;
  Status status = link.ReadWord(kSerialNumberCmd, readback, kAddrSmbusGauge);
  // A failed read delivers no word worth comparing, whatever it left in `readback`: it
  // counts as not read back and the gauge is asked again.
  while (status != 0 || readback != value) {
    link.AdapterPause(kSerialReadBackPauseMs);
    if (ReadBackTimedOut(link, started)) return kStatusSerialWriteFailed;
    status = link.ReadWord(kSerialNumberCmd, readback, kAddrSmbusGauge);
  }
  return status;
}

}  // namespace

// The gauge control is an outside component: whatever it throws ends the write as a
// failed serial number, never the run.
Status WriteSerialNumberSBS(GaugeLink& link, int32_t n) {
  try {
    return WriteAndConfirm(link, SerialWord16(n));
  } catch (...) {
    return kStatusSerialWriteFailed;
  }
}

Status WriteSerialNumberDF(GaugeLink& link, int32_t n) {
  const StationSettings& settings = link.Settings();
  Status status = kStatusSerialWriteFailed;
  try {
    status = WriteDFWordAbsolute(link, settings.SerialClsID, settings.SerialOffset,
                                 SerialWord16(n));
  } catch (...) {
    return kStatusSerialWriteFailed;
  }
  return status == 0 ? 0 : kStatusSerialWriteFailed;
}

}  // namespace tester
