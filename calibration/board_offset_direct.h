#pragma once
// Board offset by direct sampling: the gauge's coulomb counter is sampled twice, once
// with the sense input on the pack's board and once with it shorted inside the gauge;
// the difference of the two series, corrected by the gauge's calibrated sense reading,
// is the offset the board adds. It is written into the calibration class and checked
// against the caller's limit.
#include <cstdint>

#include "calibration/cal_context.h"

namespace tester {

// Gauge commands of the sampling.
inline constexpr uint8_t kBoardOffsetStartCmd = 0x46;   // word 0x0000: start offset sampling
inline constexpr uint8_t kBoardSampleSelectCmd = 0x40;  // word: what the next read returns
inline constexpr uint16_t kBoardSampleSelect = 0x8042;  // next read of 0x42 = one sample
inline constexpr uint16_t kBoardInputSelect = 0x8040;   // next write to 0x41 = sense input
inline constexpr uint8_t kBoardSampleCmd = 0x42;        // word: one coulomb-counter sample
inline constexpr uint8_t kBoardInputCmd = 0x41;         // word: sense input to use
inline constexpr int16_t kBoardInputShorted = 3;        // input shorted inside the gauge
inline constexpr int16_t kBoardInputNormal = 2;         // input back on the board

inline constexpr int kBoardOffsetLimitMs = 7000;   // both series together, from the start
inline constexpr double kBoardSettleFactor = 1.2;  // settle = round(sampleMs x this)
// Board offset from the sums: (sum1 - sum2) x 64 div count + ccReading x 38.4 / 9419.
inline constexpr int32_t kBoardOffsetScale = 64;
inline constexpr double kCcReadingFactor = 38.4;
inline constexpr double kCcReadingDivisor = 9419.0;
// Limit check: round(offset x 9.419) div 64 must lie within +-limit.
inline constexpr double kBoardOffsetCheckScale = 9.419;

// `count` samples per series (at least 1), `sampleMs` before each sample, `ccReading`
// the word of command 0x71, `limit` the +- limit of the check. 0 or the status of the
// data-flash write; kStatusBoardOffsetTimeout (65) when sampling took longer than 7 s;
// kStatusBoardOffsetOutOfLimit when the offset is beyond the limit (or beyond a 16-bit
// word, then without writing it); kStatusUnexpectedFailure for a count below 1.
Status CalibrateBoardOffsetDirect(CalContext& ctx, int16_t count, int16_t sampleMs,
                                  int16_t ccReading, int16_t limit, uint8_t addr);

// --- pieces, also used to drive simulated gauges -------------------------------------

// One series of samples with the outlier rule: the second sample differing from the
// first by more than `maxDiff` discards both; from the third on, a sample differing by
// more than `maxDiff` from the rounded mean so far is discarded.
class BoardOffsetSeries {
public:
  enum class Verdict { Kept, Discarded, Restarted };

  BoardOffsetSeries(int count, int maxDiff) : count_(count), max_diff_(maxDiff) {}

  Verdict Offer(int16_t sample);
  bool Complete() const { return kept_ >= count_; }
  int Kept() const { return kept_; }
  int32_t Sum() const { return sum_; }

private:
  int count_;
  int max_diff_;
  int kept_ = 0;
  int32_t sum_ = 0;
  int16_t first_ = 0;
};

// round((sum1 - sum2) x 64 div count + ccReading x 38.4 / 9419); div truncates toward 0.
int64_t BoardOffsetFromSums(int32_t sum1, int32_t sum2, int32_t count, int16_t ccReading);

// round(offset x 9.419) div 64 within -limit .. limit.
bool BoardOffsetWithinLimit(int64_t offset, int16_t limit);

}  // namespace tester
