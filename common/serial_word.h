#pragma once
// The 16-bit word a serial number becomes in the gauge: every serial writer stores this
// form, and the serial counter keeps its range to numbers whose words all differ.
#include <cstdint>

namespace tester {

// Largest serial number the gauge holds as it is; larger numbers keep their low 15 bits
// and set bit 15.
inline constexpr int32_t kSerialWordMax = 65535;

// The 16-bit word the gauge receives for serial number `n`:
//  - n up to 65535: its low 16 bits;
//  - larger: its low 15 bits with bit 15 set, so such numbers never collide with 1..32767
//    (but 32769, 65537 and 98305 all become 0x8001).
// A negative n is "up to 65535" and therefore gives its low 16 bits, the same two's
// complement pattern the register-style serial writer stores (-1 -> 0xFFFF). Negative
// serial numbers are never handed out by a counter; they can only come from a hand-edited
// NextSerialNumber, and writing their bit pattern is what every writer of the family does.
constexpr int16_t SerialWord16(int32_t n) {
  constexpr uint32_t kLargeSerialMask = 0x7FFF;  // bits kept of a larger number
  constexpr uint32_t kLargeSerialFlag = 0x8000;  // the bit that marks it
  const auto bits = static_cast<uint32_t>(n);
  if (n <= kSerialWordMax) return static_cast<int16_t>(static_cast<uint16_t>(bits & 0xFFFF));
  return static_cast<int16_t>(static_cast<uint16_t>((bits & kLargeSerialMask) | kLargeSerialFlag));
}

}  // namespace tester
