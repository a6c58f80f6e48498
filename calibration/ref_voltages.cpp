#include "calibration/ref_voltages.h"

#include "common/rounding.h"
#include "common/status_codes.h"
#include "gauge/df_access.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

constexpr int64_t kMaxKFactor = 0xFFFF;  // K factors fill one unsigned 16-bit word

// Passes over the taps until one fits the window or the settle time is over. 0 with
// `stable` telling which; a failed cell read is returned at once.
Status WaitForStableTaps(GaugeLink& link, const TapReferences& refs, int cell_count, int window,
                         bool& stable) {
  const int64_t start_us = link.Pump().Now();
  for (;;) {
    TapVoltages taps{};
    const Status status = ReadTapVoltages(link, cell_count, taps);
    if (status != 0) return status;
    stable = TapsWithinWindow(taps, refs, cell_count, window);
    if (stable) return 0;
    if (link.Pump().Now() - start_us >= int64_t{kKFactorStabilityMs} * kMicrosPerMs) return 0;
    link.WaitMs(kKFactorStabilityPollMs);
  }
}

// Writes the override word; the verified write hands back the class block it confirmed,
// which holds the K factors when they share the override's block (as they do in every
// known layout). K factors in another block are read from the gauge after the override.
Status WriteOverride(GaugeLink& link, DFBlockBuffer& block, int16_t& length) {
  const StationSettings& settings = link.Settings();
  int32_t attempts = 0;
  const Status status =
      WriteDFWordClass(link, settings.CalibrationClsID, settings.KFactorOverrideOffset,
                       settings.KFactorOverride, attempts, block, length);
  if (status != 0) return status;
  if (settings.KFactorOverrideOffset / kDFBlockSize == settings.KFactorCell1Offset / kDFBlockSize) {
    return 0;
  }
  return ReadDFBlock(link, block, settings.CalibrationClsID, settings.KFactorCell1Offset, length);
}

// Rescales the K factor of every tap inside `block`, reading each cell once more.
Status RescaleKFactors(GaugeLink& link, const TapReferences& refs, int cell_count,
                       DFBlockBuffer& block, int16_t length) {
  const int32_t first = link.Settings().KFactorCell1Offset;
  const int32_t position = first % kDFBlockSize;
  // Every K factor must lie inside the block just read: past its end there is nothing
  // of the gauge's to patch.
  if (first < 0 || position + 2 * cell_count > length) return kStatusUnexpectedFailure;
  int32_t tap = 0;
  for (int d = 1; d <= cell_count; ++d) {
    const std::size_t at = static_cast<std::size_t>(position + 2 * (d - 1));
    const auto k_old = static_cast<uint16_t>((block[at] << 8) | block[at + 1]);
    int16_t reading = 0;
    const Status status =
        link.ReadWord(static_cast<uint8_t>(kCellVoltageCmdBase - d), reading, kAddrSmbusGauge);
    if (status != 0) return status;
    tap += static_cast<uint16_t>(reading);
    uint16_t k_new = 0;
    if (ScaleKFactor(k_old, tap, refs[d - 1], k_new) != 0) return kStatusUnexpectedFailure;
    block[at] = static_cast<uint8_t>(k_new >> 8);
    block[at + 1] = static_cast<uint8_t>(k_new & 0xFF);
  }
  return 0;
}

}  // namespace

Status ReadTapVoltages(GaugeLink& link, int cellCount, TapVoltages& taps) {
  int32_t sum = 0;
  for (int i = 1; i <= cellCount && i <= kKFactorTaps; ++i) {
    int16_t reading = 0;
    const Status status =
        link.ReadWord(static_cast<uint8_t>(kCellVoltageCmdBase - i), reading, kAddrSmbusGauge);
    if (status != 0) return status;
    sum += static_cast<uint16_t>(reading);
    taps[i - 1] = sum;
  }
  return 0;
}

bool TapsWithinWindow(const TapVoltages& taps, const TapReferences& refs, int cellCount,
                      int window) {
  for (int i = 0; i < cellCount && i < kKFactorTaps; ++i) {
    if (taps[i] < refs[i] - window || taps[i] > refs[i] + window) return false;
  }
  return true;
}

Status ScaleKFactor(uint16_t kOld, int32_t tapMv, int32_t refMv, uint16_t& kNew) {
  if (kOld == 0 || tapMv == 0) return kStatusUnexpectedFailure;
  const int64_t scaled =
      RoundToInt64(static_cast<double>(refMv) / (static_cast<double>(tapMv) / kOld));
  if (scaled < 1 || scaled > kMaxKFactor) return kStatusUnexpectedFailure;
  kNew = static_cast<uint16_t>(scaled);
  return 0;
}

Status CalibrateRefVoltages(CalContext& ctx, const TapReferences& refVoltages, int16_t cellCount,
                            int16_t window) {
  // A cell count the tap references cannot cover is refused before any traffic.
  if (cellCount < 1 || cellCount > kKFactorTaps) return kStatusUnexpectedFailure;
  GaugeLink& link = ctx.link;

  if (window != 0) {
    bool stable = false;
    const Status status = WaitForStableTaps(link, refVoltages, cellCount, window, stable);
    if (status != 0) return status;
    if (stable) return 0;
  }

  DFBlockBuffer block{};
  int16_t length = 0;
  Status status = WriteOverride(link, block, length);
  if (status != 0) return status;
  link.WaitMs(kKFactorOverrideSettleMs);

  status = RescaleKFactors(link, refVoltages, cellCount, block, length);
  if (status != 0) return status;

  const StationSettings& settings = link.Settings();
  int32_t attempts = 0;
  return WriteDFBlockVerified(link, block, settings.CalibrationClsID, settings.KFactorCell1Offset,
                              length, attempts);
}

}  // namespace tester
