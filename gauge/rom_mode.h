#pragma once
// Putting the gauge into its ROM loader and out again, and probing which mode it is in.
// Two loaders exist: the SMBus loader at 0x17 (command sets other than 5, 6, 7) and the
// register-style loader at 0x16 (command sets 5, 6 and 7; set 5 reaches it only after
// the adapter is switched to the register-style bus).
// Truth values are kTrue (-1) / kFalse (0); probes keep no status of their own.
#include <cstdint>

#include "gauge/gauge_link.h"

namespace tester {

// Command set whose ROM loader sits on the register-style bus behind a bus-mode switch.
inline constexpr int kCommandSetSwitchedLoader = 5;
// SetBusMode arguments.
inline constexpr int16_t kBusModeSmbus = 0;
inline constexpr int16_t kBusModeRegister = 1;
// An SMBus loader probe above this: the loader is running.
inline constexpr int16_t kProbeInRomMode = 100;

// SMBus gauges: sends the ROM-entry word `value` to command `cmd` (RetROMCmd / RetROMWd)
// and checks that the loader answers. Command set 5 switches the bus to register style for
// the check and always switches it back before returning.
int16_t EnterROMMode(GaugeLink& link, uint8_t cmd, int16_t value);
// Register-style gauges: sends the ROM-entry word, then probes the loader every 10 ms.
// 0 once it answers, kStatusRomLoaderTimeout after 2 s (200 probes at most), or the status
// of the failed write.
Status EnterROMModeI2C(GaugeLink& link, uint8_t reg, int16_t value);
// True when the register-style loader runs a probe command and answers a value above 100.
int16_t IsROMModeI2C(GaugeLink& link);
// Makes the register-style loader start the gauge firmware, then gives it 200 ms.
int16_t ExitROMModeI2C(GaugeLink& link);

// Reads the SMBus loader's probe word (command 0x0D at 0x17).
Status ReadROMProbe(GaugeLink& link, int16_t& value);
// Probes the SMBus loader, without delay, until it reports ready (>= 100) or 100 probes
// have failed (kStatusRomNotReady). `counter` counts every probe made.
Status WaitROMReady(GaugeLink& link, int32_t& counter);
// True when the SMBus loader answers its signature (bytes 54 54 15).
int16_t HasROMSignature(GaugeLink& link);
// Makes the SMBus loader leave and run the gauge firmware.
Status ExitROMMode(GaugeLink& link);

// Two word writes, then one more bus-status check.
Status WriteWordPair(GaugeLink& link, uint8_t cmd1, int16_t value1, uint8_t cmd2,
                     int16_t value2, uint8_t addr);
// A word write that selects what the following word read returns.
Status WriteThenReadWord(GaugeLink& link, uint8_t cmd1, int16_t value1, uint8_t cmd2,
                         int16_t& value2, uint8_t addr);

}  // namespace tester
