#pragma once
// The gauge's 4-byte data-flash floating-point format:
//   byte 0: exponent e + 128
//   byte 1: bit 7 sign (1 = negative), bits 6-0 mantissa bits 22-16
//   bytes 2, 3: mantissa bits 15-0
// value = +-(0.5 + m / 2^24) * 2^e, m the 23-bit mantissa: the fraction has an implied
// leading bit of weight 1/2 and lies in [0.5, 1).
#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tester {

using DFFloatBytes = std::array<uint8_t, 4>;

// Encodes `x` as eight upper-case hexadecimal digits, two per byte in the order above.
// Zero is stored as 0.00001 (the format has no zero). The exponent comes from the exact
// binary decomposition of x, and a mantissa that rounds up to 2^24 is renormalised to
// 2^23 with the exponent one higher, so exact powers of two and values just below them
// encode right and the first mantissa byte never overflows. Values beyond the exponent
// range are held at the largest or smallest magnitude the format can hold; NaN is
// stored as zero is.
std::string EncodeDFFloat(double x);
// The same encoding as bytes.
DFFloatBytes EncodeDFFloatBytes(double x);
// Value of the four bytes at the start of `bytes` (fewer than four bytes decode as 0).
double DecodeDFFloat(std::span<const uint8_t> bytes);
// Sense resistance in micro-ohms from the CCGain float in bytes 0-3: the gain is held to
// 0.005 .. 50.0 (50.0 above 50.01, 0.005 below 0.0047095 and for every negative value),
// then round(4709.5 / gain) to six decimals, then to a whole number.
int32_t DecodeSenseResistor(std::span<const uint8_t> block);

}  // namespace tester
