#include "calibration/cal_page.h"

#include <algorithm>

#include "calibration/df_float.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

constexpr int16_t kNotStored = -1;
using OffsetTable = std::array<int16_t, kCalFieldCount>;

// Class offsets, index = CalField: CCGain, CCDelta, CellGain[0..3], PackGain,
// CCOffsetTotal, BoardOffset, TempOffset internal, TS1, TS2, TS3, TS4.
constexpr OffsetTable kOffsetsLargePages = {26, 30, 47, 49, 51, 53, kNotStored,
                                            34, 40, 37, 38, 39, kNotStored, kNotStored};
constexpr OffsetTable kOffsetsByteCellGain = {0,  4,  15, kNotStored, kNotStored, kNotStored,
                                              kNotStored, 8, 12, 13, 14, kNotStored,
                                              kNotStored, kNotStored};
constexpr OffsetTable kOffsetsOthers = {12, 16, 0, 2, 4, 6, 10, 20, 24, 26, 27, 28, 29, 30};

constexpr int kFloatBytes = 4;
constexpr int kWordBytes = 2;
constexpr int kCellCount = 4;
constexpr int kTempSensorCount = 5;
constexpr uint8_t kLargePageBlockBase = 0x58;  // block command of 64-byte page 0
constexpr int kMaxCommandByte = 0xFF;

const OffsetTable& OffsetsFor(int commandset) {
  if (commandset == kCommandSetLargePages) return kOffsetsLargePages;
  if (commandset == kCommandSetByteCellGain) return kOffsetsByteCellGain;
  return kOffsetsOthers;
}

int NominalSize(int commandset, int field) {
  if (field == kFieldCCGain || field == kFieldCCDelta) return kFloatBytes;
  if (field >= kFieldTempOffset0) return 1;
  if (field >= kFieldCellGain0 && field < kFieldPackGain &&
      commandset == kCommandSetByteCellGain) {
    return 1;
  }
  return kWordBytes;
}

void PutWordBE(std::span<uint8_t> page, int32_t at, uint16_t word) {
  page[static_cast<std::size_t>(at)] = static_cast<uint8_t>(word >> 8);
  page[static_cast<std::size_t>(at) + 1] = static_cast<uint8_t>(word & 0xFF);
}

void PutFloat(std::span<uint8_t> page, int32_t at, double value) {
  const DFFloatBytes bytes = EncodeDFFloatBytes(value);
  std::copy(bytes.begin(), bytes.end(), page.begin() + at);
}

// The byte in the page, taken as a signed 8-bit value, plus an offset in 0.1 K, wrapped
// into one byte: a sum past 127 continues in the negative range.
uint8_t AddTempOffset(uint8_t stored, int16_t offset) {
  const int sum = static_cast<int8_t>(stored) + offset;
  return static_cast<uint8_t>(sum & 0xFF);
}

void PatchField(std::span<uint8_t> page, const CalPageLayout& layout, int field, int32_t at,
                const CalibrationResults& results) {
  if (field == kFieldCCGain) return PutFloat(page, at, results.CCGain);
  if (field == kFieldCCDelta) return PutFloat(page, at, results.CCDelta);
  if (field >= kFieldCellGain0 && field < kFieldPackGain) {
    const auto gain = static_cast<uint16_t>(results.CellGain[field - kFieldCellGain0]);
    if (layout.Size(field) == 1) {
      page[static_cast<std::size_t>(at)] = static_cast<uint8_t>(gain & 0xFF);
    } else {
      PutWordBE(page, at, gain);
    }
    return;
  }
  if (field == kFieldPackGain) {
    return PutWordBE(page, at, static_cast<uint16_t>(results.PackGain & 0xFFFF));
  }
  if (field == kFieldCCOffsetTotal) {
    return PutWordBE(page, at, static_cast<uint16_t>(results.CCOffsetTotal));
  }
  if (field == kFieldBoardOffset) {
    return PutWordBE(page, at, static_cast<uint16_t>(results.BoardOffset));
  }
  auto& stored = page[static_cast<std::size_t>(at)];
  stored = AddTempOffset(stored, results.TempOffset[field - kFieldTempOffset0]);
}

bool FlagSet(int16_t flag) { return flag != 0; }

}  // namespace

int32_t CalPageLayout::Position(int field) const {
  const int16_t offset = OffsetsFor(commandset)[static_cast<std::size_t>(field)];
  return offset == kNotStored ? -1 : class_start + offset;
}

int CalPageLayout::Size(int field) const {
  if (field < 0 || field >= kCalFieldCount) return 0;
  if (OffsetsFor(commandset)[static_cast<std::size_t>(field)] == kNotStored) return 0;
  return NominalSize(commandset, field);
}

CalPageLayout CalPageLayoutFor(int commandset, int16_t cls_id) {
  CalPageLayout layout;
  layout.commandset = commandset;
  layout.size = commandset == kCommandSetLargePages ? kCalPageSizeLarge : kCalPageSizeSmall;
  layout.page = cls_id / layout.size;  // div: truncating toward zero
  layout.class_start = cls_id - layout.page * layout.size;
  return layout;
}

bool PageAddressable(const CalPageLayout& layout) {
  if (layout.page < 0 || layout.class_start < 0) return false;
  const int32_t command_byte =
      layout.size == kCalPageSizeLarge ? kLargePageBlockBase + layout.page : layout.page;
  return command_byte <= kMaxCommandByte;
}

// Besides lying inside the page, no two fields of one write may share a byte: with command
// set 5 the board offset (bytes 12-13) and the internal sensor's offset (byte 13) overlap,
// and writing both would add the temperature offset to the board offset's low byte —
// two wrong coefficients in the gauge. Such a write is refused as a whole.
bool FieldsFit(const CalPageLayout& layout, const CalFieldSet& fields) {
  std::bitset<kCalPageSizeLarge> used;
  for (int field = 0; field < kCalFieldCount; ++field) {
    if (!fields.test(static_cast<std::size_t>(field)) || !layout.Stores(field)) continue;
    const int32_t at = layout.Position(field);
    if (at < 0 || at + layout.Size(field) > layout.size) return false;
    for (int32_t i = at; i < at + layout.Size(field); ++i) {
      if (used.test(static_cast<std::size_t>(i))) return false;
      used.set(static_cast<std::size_t>(i));
    }
  }
  return true;
}

CalFieldSet CurrentPassFields(const CalOptions& options, const CalPageLayout& layout) {
  CalFieldSet fields;
  if (!FlagSet(options.CurrentCalEnabled)) return fields;
  for (int field : {kFieldCCGain, kFieldCCDelta}) {
    if (layout.Stores(field)) fields.set(static_cast<std::size_t>(field));
  }
  return fields;
}

CalFieldSet PatchPassFields(const CalOptions& options, const StationSettings& settings,
                            const CalPageLayout& layout) {
  CalFieldSet fields;
  auto ask = [&](int field) {
    if (layout.Stores(field)) fields.set(static_cast<std::size_t>(field));
  };
  if (FlagSet(options.CalVoltage)) {
    const int cells = std::clamp<int>(options.CellCount, 0, kCellCount);
    for (int i = 0; i < cells; ++i) ask(kFieldCellGain0 + i);
    if (settings.SkipVBATCal != 1) ask(kFieldPackGain);
  }
  if (FlagSet(options.CalCCOffset)) ask(kFieldCCOffsetTotal);
  if (FlagSet(options.CalBoardOffset)) ask(kFieldBoardOffset);
  if (FlagSet(options.CalTemperature)) {
    const std::array<int16_t, kTempSensorCount> supported = {
        settings.IntTSSupported, settings.TS1Supported, settings.TS2Supported,
        settings.TS3Supported, settings.TS4Supported};
    const std::array<int16_t, kTempSensorCount> enabled = {
        options.IntTSCalEnabled, options.TS1CalEnabled, options.TS2CalEnabled,
        options.TS3CalEnabled, options.TS4CalEnabled};
    for (int k = 0; k < kTempSensorCount; ++k) {
      if (supported[static_cast<std::size_t>(k)] == 1 &&
          FlagSet(enabled[static_cast<std::size_t>(k)])) {
        ask(kFieldTempOffset0 + k);
      }
    }
  }
  return fields;
}

bool PatchPassRequested(const CalOptions& options) {
  return FlagSet(options.CalVoltage) || FlagSet(options.CalCCOffset) ||
         FlagSet(options.CalTemperature) || FlagSet(options.CalBoardOffset);
}

// Fields go in table order: cell and pack gains, CC offset, board offset, temperature
// offsets. With command set 5 the board offset's low byte and the internal sensor's
// offset share byte 13; the temperature offset is added last, to what is there then.
void PatchCalPage(std::span<uint8_t> page, const CalPageLayout& layout,
                  const CalFieldSet& fields, const CalibrationResults& results) {
  for (int field = 0; field < kCalFieldCount; ++field) {
    if (!fields.test(static_cast<std::size_t>(field)) || !layout.Stores(field)) continue;
    const int32_t at = layout.Position(field);
    const std::size_t end = std::min(page.size(), static_cast<std::size_t>(layout.size));
    if (at < 0 || static_cast<std::size_t>(at + layout.Size(field)) > end) continue;
    PatchField(page, layout, field, at, results);
  }
}

}  // namespace tester
