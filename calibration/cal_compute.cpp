#include "calibration/cal_compute.h"

#include <algorithm>
#include <array>
#include <limits>

#include "calibration/cal_page.h"
#include "common/rounding.h"
#include "common/status_codes.h"
#include "gauge/station_settings.h"
#include "common/gauge_control.h"

namespace tester {
namespace {

constexpr double kGainScale = 65536.0;  // gains are 16.16 ratios of reference to reading

// Calibration-class pages (see calibration/cal_data.h).
constexpr uint8_t kPageSelectHigh = 0x01;  // manufacturer-access (0x01, page) selects a page
constexpr uint8_t kPageBlock = 0x2F;       // the selected page
constexpr int kPageBlockSet2 = 0x58;       // command set 2: first page block
constexpr int kBlockBytes = 256;           // room for any block an adapter can deliver

// Temperature sources.
constexpr int16_t kTempStatusWord48 = 0x0072;  // command sets 4, 8: temperatures into 0x23
constexpr uint8_t kTempBlock = 0x72;           // other families: the temperatures block
constexpr uint8_t kTempBlock48 = 0x23;
constexpr int kTempBlockBytes = 10;            // internal, TS1..TS4, little-endian words
constexpr double kZeroCelsiusK = 273.15;       // 0 degC in kelvin

uint8_t MaCommand(const StationSettings& settings) {
  return static_cast<uint8_t>(settings.QZMAC);
}

bool FitsInt16(int64_t value) {
  return value >= std::numeric_limits<int16_t>::min() &&
         value <= std::numeric_limits<int16_t>::max();
}

// Big-endian word at CalibrationClsID + `field_offset`, read from the page that holds it.
// A word that would not lie wholly inside that page, or a page its command byte cannot
// name, is refused with kStatusDfPositionOutOfBlock before anything is sent.
Status ReadCalClassWord(CalContext& ctx, int32_t field_offset, int16_t& word) {
  const StationSettings& settings = ctx.link.Settings();
  const int32_t address = settings.CalibrationClsID + field_offset;
  if (address < 0 || address > std::numeric_limits<int16_t>::max()) {
    return kStatusDfPositionOutOfBlock;
  }
  // The page holding the word, laid out as the calibration class pages are.
  const CalPageLayout layout =
      CalPageLayoutFor(settings.COMMANDSET, static_cast<int16_t>(address));
  const int32_t page = layout.page;
  const int32_t position = layout.class_start;
  if (!PageAddressable(layout) || position + 2 > layout.size) return kStatusDfPositionOutOfBlock;

  std::array<uint8_t, kBlockBytes> block{};
  int16_t length = 0;
  Status status = 0;
  if (layout.size == kCalPageSizeLarge) {
    status = ctx.link.ReadBlock(static_cast<uint8_t>(kPageBlockSet2 + page), block, length,
                                kAddrSmbusGauge);
  } else {
    status = ctx.link.WriteWordBytes(MaCommand(settings), kPageSelectHigh,
                                     static_cast<uint8_t>(page), kAddrSmbusGauge);
    if (status != 0) return status;
    status = ctx.link.ReadBlock(kPageBlock, block, length, kAddrSmbusGauge);
  }
  if (status != 0) return status;
  if (length < position + 2) return kStatusDfPositionOutOfBlock;
  word = static_cast<int16_t>(static_cast<uint16_t>((block[position] << 8) | block[position + 1]));
  return 0;
}

Status GainStatus(int64_t value) { return value < 0 ? kStatusGainLow : kStatusGainHigh; }

Status PackGain(const StationSettings& settings, const CalOptions& options,
                const RawCalData& raw, const std::array<int32_t, 4>& refs,
                CalibrationResults& results) {
  const int32_t pack_ref = settings.ShowVBATInput == 1 ? refs[3] : refs[options.CellCount - 1];
  if (raw.PackRaw == 0) {
    results.PackGain = 0;
    return 0;
  }
  const int64_t gain = RoundToInt64(kGainScale * pack_ref / raw.PackRaw);
  if (gain < std::numeric_limits<int32_t>::min() || gain > std::numeric_limits<int32_t>::max()) {
    return GainStatus(gain);
  }
  results.PackGain = static_cast<int32_t>(gain);
  return 0;
}

int16_t SaturateInt16(int64_t value) {
  return static_cast<int16_t>(std::clamp<int64_t>(value, std::numeric_limits<int16_t>::min(),
                                                  std::numeric_limits<int16_t>::max()));
}

// Offset of one reading from the reference, 0.1 K.
int16_t TempOffset(float reference_tenths_k, int32_t reading) {
  return SaturateInt16(RoundToInt64(static_cast<double>(reference_tenths_k) - reading));
}

struct SensorRead {
  int16_t StationSettings::*supported;
  int16_t CalOptions::*enabled;
  int16_t StationSettings::*read_command;
  int slot;
};

// One word per sensor, in this order.
constexpr std::array<SensorRead, 5> kSensorReads{{
    {&StationSettings::TS1Supported, &CalOptions::TS1CalEnabled,
     &StationSettings::TS1ReadTemperature, kTempSlotTS1},
    {&StationSettings::TS2Supported, &CalOptions::TS2CalEnabled,
     &StationSettings::TS2ReadTemperature, kTempSlotTS2},
    {&StationSettings::IntTSSupported, &CalOptions::IntTSCalEnabled,
     &StationSettings::IntTSReadTemperature, kTempSlotInternal},
    {&StationSettings::TS3Supported, &CalOptions::TS3CalEnabled,
     &StationSettings::TS3ReadTemperature, kTempSlotTS3},
    {&StationSettings::TS4Supported, &CalOptions::TS4CalEnabled,
     &StationSettings::TS4ReadTemperature, kTempSlotTS4},
}};

// Command sets 0, 2, 5: each supported and enabled sensor through its own read command.
Status TempOffsetsByWord(CalContext& ctx, const CalOptions& options, float reference,
                         CalibrationResults& results) {
  const StationSettings& settings = ctx.link.Settings();
  for (const SensorRead& sensor : kSensorReads) {
    if (settings.*sensor.supported != 1 || options.*sensor.enabled == 0) continue;
    int16_t reading = 0;
    const auto cmd = static_cast<uint8_t>(settings.*sensor.read_command);
    if (ctx.link.ReadWord(cmd, reading, kAddrSmbusGauge) != 0) {
      return kStatusCalTemperatureFailed;
    }
    results.TempOffset[sensor.slot] = TempOffset(reference, reading);
  }
  return 0;
}

// Other families: all five readings from one block, internal first, then TS1..TS4.
Status TempOffsetsByBlock(CalContext& ctx, float reference, CalibrationResults& results) {
  const StationSettings& settings = ctx.link.Settings();
  const bool set48 = settings.COMMANDSET == 4 || settings.COMMANDSET == 8;
  std::array<uint8_t, kBlockBytes> block{};
  int16_t length = 0;
  if (set48) {
    if (ctx.link.WriteWord(MaCommand(settings), kTempStatusWord48, kAddrSmbusGauge) != 0) {
      return kStatusCalTemperatureFailed;
    }
  }
  const uint8_t cmd = set48 ? kTempBlock48 : kTempBlock;
  if (ctx.link.ReadBlock(cmd, block, length, kAddrSmbusGauge) != 0 ||
      length < kTempBlockBytes) {
    return kStatusCalTemperatureFailed;
  }
  for (int k = 0; k < 5; ++k) {
    const auto reading = static_cast<int16_t>(
        static_cast<uint16_t>(block[2 * k] | (block[2 * k + 1] << 8)));
    results.TempOffset[k] = TempOffset(reference, reading);
  }
  return 0;
}

}  // namespace

Status ComputeVoltageGains(const StationSettings& settings, const CalOptions& options,
                           const RawCalData& raw, CalibrationResults& results) {
  if (options.CellCount < 1 || options.CellCount > 4) return kStatusUnexpectedFailure;
  const std::array<int32_t, 4> refs{options.RefVoltage1, options.RefVoltage2,
                                    options.RefVoltage3, options.RefVoltage4};
  if (settings.COMMANDSET == 5) {
    // Command set 5 keeps a cell-1 offset in mV, not a gain.
    const int64_t offset = static_cast<int64_t>(options.RefVoltage1) - raw.CellRaw[0];
    if (!FitsInt16(offset)) return GainStatus(offset);
    results.CellGain[0] = static_cast<int16_t>(offset);
    return PackGain(settings, options, raw, refs, results);
  }
  int64_t sum = 0;
  for (int tap = 0; tap < options.CellCount; ++tap) {
    sum += raw.CellRaw[tap];
    // No reading across the tap: the gain would be infinite.
    if (sum == 0) return kStatusGainHigh;
    const int64_t gain = RoundToInt64(kGainScale * refs[tap] / static_cast<double>(sum));
    if (!FitsInt16(gain)) return GainStatus(gain);
    results.CellGain[tap] = static_cast<int16_t>(gain);
  }
  return PackGain(settings, options, raw, refs, results);
}

Status ComputeBoardOffset(CalContext& ctx, const RawCalData& a, const RawCalData& b,
                          CalibrationResults& results) {
  int16_t samples = 0;
  if (ReadCalClassWord(ctx, ctx.link.Settings().CCOffsetSampleOffset, samples) != 0) {
    return kStatusCalBoardOffsetFailed;
  }
  // The offset is defined per CC-offset sample; with no samples it has no value. Formed
  // wide, so an offset total beyond 16 bits on the way cannot wrap the result.
  if (samples == 0) return kStatusCalBoardOffsetFailed;
  const int64_t offset =
      static_cast<int64_t>(samples) * (static_cast<int64_t>(b.CurrentRaw) - a.CCOffsetRaw);
  if (!FitsInt16(offset)) return kStatusCalBoardOffsetFailed;
  results.BoardOffset = static_cast<int16_t>(offset);
  return 0;
}

Status ComputeCurrentCal(CalContext& ctx, const CalOptions& options, const RawCalData& raw,
                         bool offsetOnly, CalibrationResults& results) {
  const StationSettings& settings = ctx.link.Settings();
  int16_t samples = 0;
  if (ReadCalClassWord(ctx, settings.CCOffsetSampleOffset, samples) != 0) {
    return kStatusCalCurrentFailed;
  }
  // The gauge stores the total as a 16-bit word: a product beyond it would be stored
  // wrapped, a wrong offset reported as calibrated.
  const int64_t total = static_cast<int64_t>(samples) * raw.CCOffsetRaw;
  if (!FitsInt16(total)) return kStatusCalCurrentFailed;
  results.CCOffsetTotal = static_cast<int16_t>(total);
  if (offsetOnly) return 0;

  int16_t board_offset = 0;
  if (ReadCalClassWord(ctx, settings.BoardOffsetOffset, board_offset) != 0) {
    return kStatusCalCurrentFailed;
  }
  // The correction is per CC-offset sample: with none it cannot be formed.
  if (samples == 0) return kStatusCalCurrentFailed;
  const double corrected =
      raw.CurrentRaw - (static_cast<double>(board_offset) + results.CCOffsetTotal) / samples;
  if (corrected == 0.0) return kStatusCalCurrentZero;
  const bool set5 = settings.COMMANDSET == 5;
  const double ref = options.RefCurrentNeg;
  results.CCGain = (set5 ? -ref : ref) / corrected;
  results.CCDelta = results.CCGain * (set5 ? kCCDeltaFactor5 : kCCDeltaFactor);
  return 0;
}

Status ComputeTempOffsets(CalContext& ctx, const CalOptions& options,
                          CalibrationResults& results) {
  // Reference in 0.1 K, held as a single-precision value.
  const float reference = static_cast<float>(
      (static_cast<double>(options.RefTemperature) + kZeroCelsiusK) * 10.0);
  switch (ctx.link.Settings().COMMANDSET) {
    case 0:
    case 2:
    case 5:
      return TempOffsetsByWord(ctx, options, reference, results);
    default:
      return TempOffsetsByBlock(ctx, reference, results);
  }
}

}  // namespace tester
