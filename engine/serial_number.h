#pragma once
// Writing the pack's serial number into the gauge, in its two forms:
//  - through the SMBus serial-number command (0x1C at 0x17), confirmed by reading the
//    word back until it matches or 2 s have passed;
//  - into the data flash at SerialClsID / SerialOffset through absolute block access.
// Every failure of either writer is reported as kStatusSerialWriteFailed (65545).
#include <cstdint>

#include "common/serial_word.h"
#include "common/status_codes.h"
#include "gauge/gauge_link.h"
#include "common/gauge_control.h"

namespace tester {

inline constexpr uint8_t kSerialNumberCmd = 0x1C;      // SMBus command: the serial-number word
inline constexpr int32_t kSerialReadBackPauseMs = 50;  // adapter pause between read-backs
inline constexpr double kSerialReadBackTimeoutS = 2.0; // read-back gives up after this

// The 16-bit form of a serial number (SerialWord16, kSerialWordMax): common/serial_word.h.

// SMBus serial-number command: write the 16-bit form, then read it back every 50 ms
// (adapter pause) until a read succeeds with the value; 65545 when the write fails, when
// 2 s pass without such a read, or when the gauge control throws. A failed read never
// counts as the value coming back, so the result is 0 or 65545.
Status WriteSerialNumberSBS(GaugeLink& link, int32_t n);

// The 16-bit form of `n` at data-flash address SerialClsID + SerialOffset; any failure of
// the absolute word write becomes 65545.
Status WriteSerialNumberDF(GaugeLink& link, int32_t n);

}  // namespace tester
