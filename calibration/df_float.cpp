#include "calibration/df_float.h"

#include <cmath>
#include <cstdio>

#include "common/rounding.h"

namespace tester {
namespace {

constexpr double kZeroStandIn = 0.00001;  // the format cannot hold zero
constexpr int kExponentBias = 128;
constexpr int kMinExponent = -kExponentBias;      // exponent byte 0x00
constexpr int kMaxExponent = 255 - kExponentBias; // exponent byte 0xFF
constexpr int64_t kMantissaTop = int64_t{1} << 24;   // one past the largest mantissa
constexpr int64_t kMantissaLead = int64_t{1} << 23;  // the implied leading bit
constexpr uint8_t kSignBit = 0x80;

}  // namespace

DFFloatBytes EncodeDFFloatBytes(double x) {
  if (x == 0.0 || std::isnan(x)) x = kZeroStandIn;
  const bool negative = x < 0.0;
  if (negative) x = -x;

  int exponent = 0;
  int64_t mantissa = kMantissaTop - 1;
  if (std::isinf(x)) {
    exponent = kMaxExponent;
  } else {
    const double fraction = std::frexp(x, &exponent);  // x = fraction * 2^exponent, [0.5, 1)
    mantissa = RoundToInt64(std::ldexp(fraction, 24));
    if (mantissa >= kMantissaTop) {  // 0.99999997.. rounds up to 1.0: renormalise
      mantissa = kMantissaLead;
      ++exponent;
    }
  }
  if (exponent > kMaxExponent) {
    exponent = kMaxExponent;
    mantissa = kMantissaTop - 1;
  } else if (exponent < kMinExponent) {
    exponent = kMinExponent;
    mantissa = kMantissaLead;
  }

  DFFloatBytes bytes{};
  bytes[0] = static_cast<uint8_t>(exponent + kExponentBias);
  bytes[1] = static_cast<uint8_t>((mantissa >> 16) & 0xFF);
  bytes[2] = static_cast<uint8_t>((mantissa >> 8) & 0xFF);
  bytes[3] = static_cast<uint8_t>(mantissa & 0xFF);
  // The leading mantissa bit is always set; it is the sign's place in the stored form.
  if (!negative) bytes[1] = static_cast<uint8_t>(bytes[1] & ~kSignBit);
  return bytes;
}

std::string EncodeDFFloat(double x) {
  const DFFloatBytes bytes = EncodeDFFloatBytes(x);
  char text[9];
  std::snprintf(text, sizeof text, "%02X%02X%02X%02X", bytes[0], bytes[1], bytes[2], bytes[3]);
  return text;
}

double DecodeDFFloat(std::span<const uint8_t> bytes) {
  if (bytes.size() < 4) return 0.0;
  const int exponent = static_cast<int>(bytes[0]) - kExponentBias;
  const int64_t mantissa =
      (static_cast<int64_t>(bytes[1] & ~kSignBit) << 16) | (bytes[2] << 8) | bytes[3];
  const double magnitude = std::ldexp(0.5 + static_cast<double>(mantissa) / kMantissaTop, exponent);
  return (bytes[1] & kSignBit) != 0 ? -magnitude : magnitude;
}

int32_t DecodeSenseResistor(std::span<const uint8_t> block) {
  double gain = DecodeDFFloat(block);
  if (gain > 50.01) gain = 50.0;
  if (gain < 0.0047095) gain = 0.005;
  const double micro_ohm = RoundHalfEven(4709.5 / gain * 1e6) / 1e6;
  return static_cast<int32_t>(RoundToInt64(micro_ohm));
}

}  // namespace tester
