#pragma once
// Wire time of transfers at 100 kHz: 9 bit times (8 data bits and the acknowledge,
// 90 us) per byte. Counted bytes: every address byte (a read sends the address again
// after the repeated start), the command or register byte, the length byte of SMBus
// blocks, and the data bytes. Adapter operations (bus status, pause, bus mode, port
// expander set-up) put no bytes on the wire.
#include <cstdint>

namespace tester {

inline constexpr int64_t kSimMicrosPerByte = 90;  // 9 bits at 100 kHz

struct BusBytes {
  static constexpr int WriteWord() { return 4; }             // addr, cmd, low, high
  static constexpr int ReadWord() { return 5; }              // addr, cmd, addr, low, high
  static constexpr int WriteBlock(int n) { return 3 + n; }   // addr, cmd, count, data
  static constexpr int ReadBlock(int n) { return 4 + n; }    // addr, cmd, addr, count, data
  static constexpr int SendByte() { return 2; }              // addr, cmd
  static constexpr int WriteRegs(int n) { return 2 + n; }    // addr, reg, data
  static constexpr int ReadRegs(int n) { return 3 + n; }     // addr, reg, addr, data
  static constexpr int AddressOnly() { return 1; }           // refused at the address byte
};

inline constexpr int64_t BusMicros(int bytes) { return bytes * kSimMicrosPerByte; }

}  // namespace tester
