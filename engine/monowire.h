#pragma once
// Switching a register-style gauge to Monowire (single-wire) communication at the end of
// a run: a command to the register-style ROM loader at 0x16, which reports its result in
// register 0x66.
#include <cstdint>

#include "common/status_codes.h"
#include "gauge/gauge_link.h"

namespace tester {

inline constexpr uint8_t kLoaderCommandReg = 0x00;    // command register
inline constexpr uint8_t kMonowireCommand = 0x16;     // loader command: switch interface
inline constexpr uint8_t kLoaderDataReg = 0x04;       // first parameter register
inline constexpr uint8_t kMonowireInterface = 0x05;   // parameter: the Monowire interface
inline constexpr uint8_t kLoaderChecksumReg = 0x64;   // checksum word; writing it executes
inline constexpr int16_t kMonowireChecksum = 0x001B;  // 0x16 + 0x05
inline constexpr uint8_t kLoaderResultReg = 0x66;     // result byte, 0 = accepted
inline constexpr int32_t kMonowireSettleMs = 100;     // the loader executes the command
// The loader refused the command (nonzero result byte).
inline constexpr Status kStatusMonowireRefused = kStatusLoaderRejected;

// Does nothing and returns 0 unless `nMonowireMode` is 1. Otherwise sends the command,
// waits 100 ms, checks the bus and reads the result: the first failing status, 52 when
// the loader answered a nonzero result, else 0. Expects the gauge in its ROM loader.
Status SetToMonowireMode(GaugeLink& link, int16_t nMonowireMode);

}  // namespace tester
