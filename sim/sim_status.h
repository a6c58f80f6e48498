#pragma once
// Statuses the virtual jig returns for transfers that do not complete. They are the
// nonzero "control statuses" of the gauge-control seam: callers pass them on unchanged.
#include <cstdint>

namespace tester {

using SimStatus = int16_t;

inline constexpr SimStatus kSimOk = 0;
// No adapter is open on this control: the transfer never reached a bus.
inline constexpr SimStatus kSimNoAdapter = 0x0101;
// Nobody acknowledged the address byte (no device there, gauge silent, wrong bus mode).
inline constexpr SimStatus kSimAddressNack = 0x0102;
// The device acknowledged its address but refused the command or its data bytes.
inline constexpr SimStatus kSimCommandNack = 0x0103;
// The device is busy (flash erase/program or data-flash commit running) and refuses.
inline constexpr SimStatus kSimBusy = 0x0104;
// A bus error injected by a pack defect ("fail_at" / "fail_from").
inline constexpr SimStatus kSimInjectedError = 0x0105;
// The bus status never clears (pack defect "bus_stuck").
inline constexpr SimStatus kSimBusStuck = 0x0106;
// A length argument outside what the operation or the caller's buffer allows.
inline constexpr SimStatus kSimBadLength = 0x0107;
// SetBusMode with a mode other than 0 or 1.
inline constexpr SimStatus kSimBadMode = 0x0108;

}  // namespace tester
