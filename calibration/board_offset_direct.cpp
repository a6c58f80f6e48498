#include "calibration/board_offset_direct.h"

#include <cstdlib>

#include "common/rounding.h"
#include "common/status_codes.h"
#include "gauge/df_access.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

int64_t SettleMs(int16_t sample_ms) { return RoundToInt64(sample_ms * kBoardSettleFactor); }

bool PastLimit(GaugeLink& link, int64_t start_us) {
  return link.Pump().Now() - start_us > int64_t{kBoardOffsetLimitMs} * kMicrosPerMs;
}

Status TakeSample(GaugeLink& link, uint8_t addr, int16_t& sample) {
  const Status status =
      link.WriteWord(kBoardSampleSelectCmd, static_cast<int16_t>(kBoardSampleSelect), addr);
  if (status != 0) return status;
  return link.ReadWord(kBoardSampleCmd, sample, addr);
}

// Samples until the series is complete; every sample, kept or not, counts against the
// 7 s of the whole routine.
Status SampleSeries(GaugeLink& link, BoardOffsetSeries& series, int16_t sample_ms, uint8_t addr,
                    int64_t start_us) {
  while (!series.Complete()) {
    link.WaitMs(sample_ms);
    int16_t sample = 0;
    const Status status = TakeSample(link, addr, sample);
    if (status != 0) return status;
    series.Offer(sample);
    if (PastLimit(link, start_us)) return kStatusBoardOffsetTimeout;
  }
  return 0;
}

// Points the gauge's sense input: select word, input word, then one more bus check.
Status SelectInput(GaugeLink& link, int16_t input, uint8_t addr) {
  Status status =
      link.WriteWord(kBoardSampleSelectCmd, static_cast<int16_t>(kBoardInputSelect), addr);
  if (status == 0) status = link.WriteWord(kBoardInputCmd, input, addr);
  if (status == 0) status = link.CheckBusStatus();
  return status;
}

}  // namespace

BoardOffsetSeries::Verdict BoardOffsetSeries::Offer(int16_t sample) {
  if (kept_ == 1 && std::abs(sample - first_) > max_diff_) {
    kept_ = 0;
    sum_ = 0;
    return Verdict::Restarted;
  }
  if (kept_ >= 2) {
    const int64_t mean = RoundToInt64(static_cast<double>(sum_) / kept_);
    if (std::llabs(sample - mean) > max_diff_) return Verdict::Discarded;
  }
  if (kept_ == 0) first_ = sample;
  ++kept_;
  sum_ += sample;
  return Verdict::Kept;
}

int64_t BoardOffsetFromSums(int32_t sum1, int32_t sum2, int32_t count, int16_t ccReading) {
  // Whole-number division first (C++ division truncates toward zero), then the sense
  // correction, then one rounding of the whole.
  const int64_t counts = (int64_t{sum1} - sum2) * kBoardOffsetScale / count;
  const double sense = ccReading * kCcReadingFactor / kCcReadingDivisor;
  return RoundToInt64(static_cast<double>(counts) + sense);
}

bool BoardOffsetWithinLimit(int64_t offset, int16_t limit) {
  const int64_t c =
      RoundToInt64(static_cast<double>(offset) * kBoardOffsetCheckScale) / kBoardOffsetScale;
  return c >= -int64_t{limit} && c <= limit;
}

Status CalibrateBoardOffsetDirect(CalContext& ctx, int16_t count, int16_t sampleMs,
                                  int16_t ccReading, int16_t limit, uint8_t addr) {
  // The offset divides by the count: an empty series has no offset to give.
  if (count < 1) return kStatusUnexpectedFailure;
  GaugeLink& link = ctx.link;
  const StationSettings& settings = link.Settings();

  Status status = link.WriteWordBytes(kBoardOffsetStartCmd, 0x00, 0x00, addr);
  if (status != 0) return status;
  link.WaitMs(SettleMs(sampleMs));
  const int64_t start_us = link.Pump().Now();

  BoardOffsetSeries board(count, settings.BoardOffsetMaxDiff);
  status = SampleSeries(link, board, sampleMs, addr, start_us);
  if (status != 0) return status;
  status = SelectInput(link, kBoardInputShorted, addr);
  if (status != 0) return status;
  link.WaitMs(SettleMs(sampleMs));

  BoardOffsetSeries shorted(count, settings.BoardOffsetMaxDiff);
  status = SampleSeries(link, shorted, sampleMs, addr, start_us);
  if (status != 0) return status;
  status = SelectInput(link, kBoardInputNormal, addr);
  if (status != 0) return status;

  const int64_t offset = BoardOffsetFromSums(board.Sum(), shorted.Sum(), count, ccReading);
  // A value its 16-bit data-flash word cannot hold would be stored cut down to another
  // number: it is reported as out of limit and not written.
  if (offset < INT16_MIN || offset > INT16_MAX) return kStatusBoardOffsetOutOfLimit;
  int32_t attempts = 0;
  status = WriteDFWordClass(link, settings.CalibrationClsID, settings.BoardOffsetOffset,
                            static_cast<int16_t>(offset), attempts);
  if (!BoardOffsetWithinLimit(offset, limit)) return kStatusBoardOffsetOutOfLimit;
  return status;
}

}  // namespace tester
