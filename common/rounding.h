#pragma once
// The one rounding rule of the tester: conversions of computed values to whole numbers
// round to the nearest integer, ties to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
#include <cmath>
#include <cstdint>

namespace tester {

// Nearest whole number, ties to even. The result is exact for |x| < 2^53.
inline double RoundHalfEven(double x) {
  const double floor_x = std::floor(x);
  const double diff = x - floor_x;
  if (diff < 0.5) return floor_x;
  if (diff > 0.5) return floor_x + 1.0;
  return std::fmod(floor_x, 2.0) == 0.0 ? floor_x : floor_x + 1.0;
}

// RoundHalfEven as a 64-bit integer; values beyond the range are held at its ends and a
// NaN gives 0, so no conversion is ever undefined.
inline int64_t RoundToInt64(double x) {
  if (std::isnan(x)) return 0;
  const double r = RoundHalfEven(x);
  if (r >= 9.2233720368547758e18) return INT64_MAX;
  if (r <= -9.2233720368547758e18) return INT64_MIN;
  return static_cast<int64_t>(r);
}

}  // namespace tester
