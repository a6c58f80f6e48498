// The gauge's data-flash float: the encoder's bytes for known values, powers of two and
// values that round up into the next exponent, the round trip over many magnitudes, and
// the sense-resistor decoding with its limits.
#include "calibration/df_float.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace tester {
namespace {

DFFloatBytes Bytes(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) { return {b0, b1, b2, b3}; }

TEST(DFFloatEncode, KnownValues) {
  EXPECT_EQ(EncodeDFFloat(1.0), "81000000");
  EXPECT_EQ(EncodeDFFloat(-1.0), "81800000");
  EXPECT_EQ(EncodeDFFloat(1.5), "81400000");
  EXPECT_EQ(EncodeDFFloat(-0.375), "7FC00000");
  EXPECT_EQ(EncodeDFFloat(60.0), "86700000");
  EXPECT_EQ(EncodeDFFloat(0.9419), "8071205C");
  // Upper-case digits, two per byte with the leading zero kept.
  EXPECT_EQ(EncodeDFFloat(std::ldexp(1.0, -121)), "08000000");
  EXPECT_EQ(EncodeDFFloatBytes(-0.375), Bytes(0x7F, 0xC0, 0x00, 0x00));
}

TEST(DFFloatEncode, ZeroIsStoredAsTheSmallStandIn) {
  EXPECT_EQ(EncodeDFFloat(0.0), EncodeDFFloat(0.00001));
  EXPECT_EQ(EncodeDFFloat(0.0), "7027C5AC");
  EXPECT_EQ(EncodeDFFloat(-0.0), "7027C5AC");
  EXPECT_EQ(EncodeDFFloat(std::numeric_limits<double>::quiet_NaN()), "7027C5AC");
}

TEST(DFFloatEncode, ExactPowersOfTwoTakeTheirOwnExponent) {
  EXPECT_EQ(EncodeDFFloat(0.5), "80000000");
  EXPECT_EQ(EncodeDFFloat(2.0), "82000000");
  EXPECT_EQ(EncodeDFFloat(1024.0), "8B000000");
  EXPECT_EQ(EncodeDFFloat(std::ldexp(1.0, -20)), "6D000000");
  EXPECT_EQ(EncodeDFFloat(-std::ldexp(1.0, -20)), "6D800000");
  for (int e = -100; e <= 100; ++e) {
    const DFFloatBytes bytes = EncodeDFFloatBytes(std::ldexp(1.0, e));
    EXPECT_EQ(bytes, Bytes(static_cast<uint8_t>(e + 129), 0x00, 0x00, 0x00)) << "2^" << e;
  }
}

TEST(DFFloatEncode, MantissaRoundingUpMovesToTheNextExponent) {
  // 1 - 2^-30 has a 24-bit mantissa that rounds to 2^24: it is stored as 1.0.
  EXPECT_EQ(EncodeDFFloat(1.0 - std::ldexp(1.0, -30)), "81000000");
  EXPECT_EQ(EncodeDFFloat(-(1.0 - std::ldexp(1.0, -30))), "81800000");
  EXPECT_EQ(EncodeDFFloat(2048.0 - 1e-7), "8C000000");
  // One mantissa step below 1.0 stays in the lower exponent with every bit set.
  EXPECT_EQ(EncodeDFFloat(1.0 - std::ldexp(1.0, -24)), "807FFFFF");
}

TEST(DFFloatEncode, MantissaTiesGoToEven) {
  EXPECT_EQ(EncodeDFFloat((std::ldexp(1.0, 23) + 0.5) / std::ldexp(1.0, 24)), "80000000");
  EXPECT_EQ(EncodeDFFloat((std::ldexp(1.0, 23) + 1.5) / std::ldexp(1.0, 24)), "80000002");
}

TEST(DFFloatEncode, MagnitudesBeyondTheExponentRangeAreHeldAtItsEnds) {
  EXPECT_EQ(EncodeDFFloat(1e300), "FF7FFFFF");
  EXPECT_EQ(EncodeDFFloat(-1e300), "FFFFFFFF");
  EXPECT_EQ(EncodeDFFloat(std::numeric_limits<double>::infinity()), "FF7FFFFF");
  EXPECT_EQ(EncodeDFFloat(1e-300), "00000000");
  EXPECT_EQ(EncodeDFFloat(-1e-300), "00800000");
}

TEST(DFFloatDecode, KnownBytes) {
  EXPECT_DOUBLE_EQ(DecodeDFFloat(Bytes(0x81, 0x00, 0x00, 0x00)), 1.0);
  EXPECT_DOUBLE_EQ(DecodeDFFloat(Bytes(0x81, 0x80, 0x00, 0x00)), -1.0);
  EXPECT_DOUBLE_EQ(DecodeDFFloat(Bytes(0x7F, 0xC0, 0x00, 0x00)), -0.375);
  EXPECT_DOUBLE_EQ(DecodeDFFloat(Bytes(0x80, 0x7F, 0xFF, 0xFF)), 1.0 - std::ldexp(1.0, -24));
  const uint8_t short_block[3] = {0x81, 0x00, 0x00};
  EXPECT_EQ(DecodeDFFloat(short_block), 0.0);
}

// Deterministic pseudo-random numbers (64-bit linear congruential generator).
class Lcg {
public:
  explicit Lcg(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return state_ >> 11;
  }
  double Unit() { return static_cast<double>(Next()) / std::ldexp(1.0, 53); }  // [0, 1)

private:
  uint64_t state_;
};

TEST(DFFloatRoundTrip, EncodeThenDecodeIsWithinHalfAMantissaStep) {
  Lcg random(20240611);
  for (int i = 0; i < 20000; ++i) {
    const int exponent = static_cast<int>(random.Next() % 161) - 80;
    const double magnitude = std::ldexp(0.5 + 0.5 * random.Unit(), exponent);
    const double x = (random.Next() & 1) != 0 ? -magnitude : magnitude;
    int e = 0;
    std::frexp(x, &e);
    const double half_step = std::ldexp(1.0, e - 25);
    const double back = DecodeDFFloat(EncodeDFFloatBytes(x));
    ASSERT_LE(std::fabs(back - x), half_step) << "x = " << x;
    ASSERT_EQ(std::signbit(back), std::signbit(x)) << "x = " << x;
  }
}

TEST(DFFloatRoundTrip, DecodeThenEncodeGivesTheBytesBack) {
  Lcg random(7);
  for (int i = 0; i < 20000; ++i) {
    const uint64_t r = random.Next();
    DFFloatBytes bytes = Bytes(static_cast<uint8_t>(r), static_cast<uint8_t>(r >> 8),
                               static_cast<uint8_t>(r >> 16), static_cast<uint8_t>(r >> 24));
    // A positive value; the negative form (sign bit set) comes back the same way too.
    bytes[1] &= 0x7F;
    ASSERT_EQ(EncodeDFFloatBytes(DecodeDFFloat(bytes)), bytes) << DecodeDFFloat(bytes);
    bytes[1] |= 0x80;
    ASSERT_EQ(EncodeDFFloatBytes(DecodeDFFloat(bytes)), bytes) << DecodeDFFloat(bytes);
  }
}

TEST(DecodeSenseResistor, GainsWithinTheLimits) {
  EXPECT_EQ(DecodeSenseResistor(EncodeDFFloatBytes(0.9419)), 5000);
  EXPECT_EQ(DecodeSenseResistor(EncodeDFFloatBytes(1.0)), 4710);  // 4709.5, ties to even
  EXPECT_EQ(DecodeSenseResistor(EncodeDFFloatBytes(10.0)), 471);  // 470.95
  EXPECT_EQ(DecodeSenseResistor(EncodeDFFloatBytes(50.0)), 94);
}

TEST(DecodeSenseResistor, GainsBeyondTheLimitsAreHeld) {
  // Above 50.01 the gain counts as 50: 4709.5 / 50 = 94.19.
  EXPECT_EQ(DecodeSenseResistor(EncodeDFFloatBytes(60.0)), 94);
  EXPECT_EQ(DecodeSenseResistor(EncodeDFFloatBytes(1e6)), 94);
  // Below 0.0047095, and every negative gain, counts as 0.005: 4709.5 / 0.005 = 941900.
  EXPECT_EQ(DecodeSenseResistor(EncodeDFFloatBytes(-1.0)), 941900);
  EXPECT_EQ(DecodeSenseResistor(EncodeDFFloatBytes(-60.0)), 941900);
  EXPECT_EQ(DecodeSenseResistor(EncodeDFFloatBytes(0.001)), 941900);
  const uint8_t too_short[2] = {0x81, 0x00};
  EXPECT_EQ(DecodeSenseResistor(too_short), 941900);
}

}  // namespace
}  // namespace tester
