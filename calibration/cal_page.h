#pragma once
// Layout of the calibration class inside the data-flash page that carries it, and the
// patching of calibration coefficients into that page. Pure byte work, no bus traffic.
//
// The class starts at byte address CalibrationClsID. It is read and written as one page:
// 64 bytes (page p = CalibrationClsID div 64) with command set 2, 32 bytes (p =
// CalibrationClsID div 32) otherwise. A field at class offset o sits at page byte
// CalibrationClsID + o - p * page size. Which fields exist, and where, depends on the
// command set; a field the command set does not store is never written.
#include <array>
#include <bitset>
#include <cstdint>
#include <span>

#include "calibration/cal_types.h"

namespace tester {

struct StationSettings;

// Fields of the calibration class, in the order of the offset tables.
enum CalField : int {
  kFieldCCGain = 0,          // DFFloat
  kFieldCCDelta = 1,         // DFFloat
  kFieldCellGain0 = 2,       // CellGain[0..3]: 2 bytes big-endian (command set 5: 1 byte)
  kFieldPackGain = 6,        // 2 bytes big-endian, the low 16 bits
  kFieldCCOffsetTotal = 7,   // 2 bytes big-endian two's complement
  kFieldBoardOffset = 8,     // 2 bytes big-endian two's complement
  kFieldTempOffset0 = 9,     // internal, TS1, TS2, TS3, TS4: 1 byte each
  kCalFieldCount = 14
};

using CalFieldSet = std::bitset<kCalFieldCount>;

inline constexpr int kCalPageSizeLarge = 64;  // command set 2: block commands 0x58 + p
inline constexpr int kCalPageSizeSmall = 32;  // others: page select, then block 0x2F
inline constexpr int kCommandSetLargePages = 2;
inline constexpr int kCommandSetByteCellGain = 5;  // stores one byte of cell 1's gain only

// Where the calibration class of one command set lies within its page.
struct CalPageLayout {
  int commandset = 1;
  int size = kCalPageSizeSmall;  // bytes of the page
  int32_t page = 0;              // p: page number the commands address
  int32_t class_start = 0;       // byte of the page at which the class begins

  // Byte of the page where `field` starts, or -1 when the command set does not store it
  // (the position itself may lie outside the page; see FieldsFit).
  int32_t Position(int field) const;
  // Bytes the field occupies (0 when not stored).
  int Size(int field) const;
  bool Stores(int field) const { return Size(field) > 0; }
};

CalPageLayout CalPageLayoutFor(int commandset, int16_t cls_id);

// The page can be addressed at all: a class address that is not negative and a page whose
// number fits its command byte (0x58 + p with 64-byte pages) or select byte (p otherwise).
bool PageAddressable(const CalPageLayout& layout);
// Every field of `fields` the command set stores lies wholly inside the page, and no two
// of them share a byte.
bool FieldsFit(const CalPageLayout& layout, const CalFieldSet& fields);

// Fields of the current pass: CCGain and CCDelta, when current calibration is enabled.
CalFieldSet CurrentPassFields(const CalOptions& options, const CalPageLayout& layout);
// Fields of the patch pass that the options and station settings ask for and the
// command set stores: cell gains below CellCount (and the pack gain unless SkipVBATCal
// is 1), CC offset, board offset, and each temperature offset whose sensor is supported
// (setting = 1) and whose calibration flag is set.
CalFieldSet PatchPassFields(const CalOptions& options, const StationSettings& settings,
                            const CalPageLayout& layout);
// True when the patch pass runs at all (any of the voltage, CC-offset, temperature and
// board-offset flags set), even if it ends up storing nothing.
bool PatchPassRequested(const CalOptions& options);

// Stores the fields of `fields` from `results` into `page`. Callers check FieldsFit first;
// a field outside the page is skipped here, never written past the buffer. Temperature
// offsets are added to the byte already in the page (taken as signed 8-bit), modulo 256.
void PatchCalPage(std::span<uint8_t> page, const CalPageLayout& layout,
                  const CalFieldSet& fields, const CalibrationResults& results);

}  // namespace tester
