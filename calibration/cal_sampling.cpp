#include "calibration/cal_sampling.h"

#include <array>

#include "calibration/cal_mode.h"
#include "common/rounding.h"
#include "common/status_codes.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

constexpr int kPassStartMs = 500;  // the gauge starts the pass after the mode word
constexpr int kMaxValues = 12;     // values of a full sample block
constexpr int kValuesOffset = 2;   // values follow the counter and mode bytes
constexpr int kBlockBytes = 256;   // room for any block an adapter can deliver

constexpr char kNotSampling[] = "Unable to enter calibration mode.";

// How one family's sample block is laid out.
struct BlockLayout {
  int gap_ms;            // wait before each block read after the first
  int values;            // little-endian 16-bit values after the counter and mode bytes
  uint32_t signed_mask;  // bit i set: value i is signed
};

// Full block: values 0 and 5-9 signed, 1-4 and 10-11 unsigned.
constexpr BlockLayout kFullBlock{300, 12, 0b0000'0011'1110'0001};
// Command set 5: values 0, 2, 3 signed, 1 unsigned.
constexpr BlockLayout kBlock5{350, 4, 0b1101};

int BlockBytes(const BlockLayout& layout) { return kValuesOffset + 2 * layout.values; }

int32_t DecodeValue(const std::array<uint8_t, kBlockBytes>& block, int index, bool is_signed) {
  const int at = kValuesOffset + 2 * index;
  const auto pattern = static_cast<uint16_t>(block[at] | (block[at + 1] << 8));
  return is_signed ? static_cast<int16_t>(pattern) : pattern;
}

struct PassReadings {
  std::array<int64_t, kMaxValues> sums{};
  uint8_t counter = 0;  // sample counter of the last new sample
  uint8_t mode = 0;     // mode byte of the last new sample
};

// Reads blocks until NumSamples new samples came or more than kMaxRepeatedReads reads
// brought none (counted over the whole pass). The first read only starts the gauge's
// stream; the last counter starts at 0.
Status CollectSamples(CalContext& ctx, const BlockLayout& layout, int samples_wanted,
                      uint8_t addr, PassReadings& readings, int& repeats) {
  std::array<uint8_t, kBlockBytes> block{};
  int16_t length = 0;
  Status status = ctx.link.ReadBlock(kCalDataBlock, block, length, addr);
  if (status != 0) return status;

  uint8_t last_counter = 0;
  int samples = 0;
  repeats = 0;
  while (samples < samples_wanted && repeats <= kMaxRepeatedReads) {
    ctx.link.WaitMs(layout.gap_ms);
    block.fill(0);
    status = ctx.link.ReadBlock(kCalDataBlock, block, length, addr);
    if (status != 0) return status;
    if (block[0] == last_counter) {
      ++repeats;
      continue;
    }
    // A new sample that lacks some of its values would average in bytes never sent.
    if (length < BlockBytes(layout)) return kStatusCalSamplingFailed;
    ++samples;
    for (int i = 0; i < layout.values; ++i) {
      readings.sums[i] += DecodeValue(block, i, ((layout.signed_mask >> i) & 1u) != 0);
    }
    last_counter = block[0];
    readings.counter = block[0];
    readings.mode = block[1];
  }
  return 0;
}

void StoreCoulombCounter(RawCalData& raw, int32_t value) {
  if (raw.Mode == kBlockModeCurrent) {
    raw.CurrentRaw = value;
  } else {
    raw.CCOffsetRaw = value;
  }
}

void StoreFull(RawCalData& raw, const std::array<int32_t, kMaxValues>& avg) {
  StoreCoulombCounter(raw, avg[0]);
  for (int i = 0; i < 4; ++i) raw.CellRaw[i] = avg[1 + i];
  for (int i = 0; i < 5; ++i) raw.Extra[i] = avg[5 + i];
  raw.Value10 = avg[10];
  raw.PackRaw = avg[11];
}

void Store5(RawCalData& raw, const std::array<int32_t, kMaxValues>& avg) {
  StoreCoulombCounter(raw, avg[0]);
  raw.CellRaw[0] = avg[1];
  raw.Extra[0] = avg[2];
  raw.Extra[1] = avg[3];
}

Status SamplePass(CalContext& ctx, RawCalData& raw, uint8_t mode, uint8_t addr,
                  const BlockLayout& layout,
                  void (*store)(RawCalData&, const std::array<int32_t, kMaxValues>&)) {
  const StationSettings& settings = ctx.link.Settings();
  const int samples_wanted = settings.NumSamples;
  // Averaging over no samples has no value; refused before the gauge is told anything.
  if (samples_wanted < 1) return kStatusCalSamplingFailed;

  Status status = ctx.link.WriteWordBytes(static_cast<uint8_t>(settings.QZMAC),
                                          kSamplePassHigh, mode, addr);
  if (status != 0) return status;
  ctx.link.WaitMs(kPassStartMs);

  PassReadings readings;
  int repeats = 0;
  status = CollectSamples(ctx, layout, samples_wanted, addr, readings, repeats);
  if (status != 0) return status;

  std::array<int32_t, kMaxValues> averages{};
  for (int i = 0; i < layout.values; ++i) {
    averages[i] = static_cast<int32_t>(
        RoundToInt64(static_cast<double>(readings.sums[i]) / samples_wanted));
  }
  if (repeats > kMaxRepeatedReads) {
    ctx.dialogs.ShowMessage(kNotSampling);
    return kStatusNotInCalMode;
  }
  raw.Counter = readings.counter;
  raw.Mode = readings.mode;
  store(raw, averages);
  return 0;
}

}  // namespace

Status SampleCalData(CalContext& ctx, RawCalData& raw, uint8_t mode, uint8_t addr) {
  return SamplePass(ctx, raw, mode, addr, kFullBlock, StoreFull);
}

Status SampleCalData5(CalContext& ctx, RawCalData& raw, uint8_t mode, uint8_t addr) {
  return SamplePass(ctx, raw, mode, addr, kBlock5, Store5);
}

}  // namespace tester
