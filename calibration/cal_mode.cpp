#include "calibration/cal_mode.h"

#include <array>

#include "common/status_codes.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

// Waits of the mode handshake (ms): the gauge needs them to update its status.
constexpr int kStatusWordSettleMs = 150;   // command sets 0, 5: after a status read or toggle
constexpr int kStatusQuerySettleMs = 150;  // command set 2: adapter pause around the query
constexpr int kStatusBlockSettleMs = 80;   // other families: after a status read
constexpr int kToggleSettleMs = 60;        // after the toggle word / the stop word
constexpr int kStopToToggleMs = 10;        // extra gap between stop and toggle when leaving
constexpr int kLeaveSettleMs = 30;         // after the toggle that leaves
constexpr int kBeforeVerifyMs = 20;        // between a toggle and the read that confirms it
constexpr int kVerifyQuerySettleMs = 60;   // command set 2: after the confirming read
constexpr int kVerifyBlockSettleMs = 20;   // other families: after the confirming read
constexpr int kFamily48SettleMs = 80;      // command sets 4, 8: around the status read
constexpr int kFamily48ToggleMs = 50;      // command sets 4, 8: after the toggle

// Flags in byte 1 of the status blocks.
constexpr uint8_t kCalModeBit0 = 0x01;  // command set 2
constexpr uint8_t kCalModeBit7 = 0x80;  // command sets 4, 8 and the other families

constexpr int kStatusBlockBytes = 256;  // room for any block an adapter can deliver

constexpr char kFamily48ReadError[] =
    "Communication error reading manufacturer status determining cal mode status.";

enum class Family { StatusWord, StatusQuery, Status48, StatusBlock };

Family FamilyOf(int commandset) {
  switch (commandset) {
    case 0:
    case 5:
      return Family::StatusWord;
    case 2:
      return Family::StatusQuery;
    case 4:
    case 8:
      return Family::Status48;
    default:
      return Family::StatusBlock;
  }
}

// Byte 1 of block `cmd`; a short block reads as 0 (no flag set).
Status ReadStatusByte(CalContext& ctx, uint8_t cmd, uint8_t addr, uint8_t& byte1) {
  std::array<uint8_t, kStatusBlockBytes> block{};
  int16_t length = 0;
  const Status status = ctx.link.ReadBlock(cmd, block, length, addr);
  byte1 = length >= 2 ? block[1] : 0;
  return status;
}

Status WriteToggle(CalContext& ctx, uint8_t maCommand, uint8_t addr) {
  return ctx.link.WriteWordBytes(maCommand, kCalToggleHigh, kCalToggleLow, addr);
}

// Entering: the toggle word. Leaving: stop sampling, then the toggle word.
Status Toggle(CalContext& ctx, uint8_t maCommand, uint8_t addr, bool enter) {
  Status status = 0;
  if (enter) {
    status = WriteToggle(ctx, maCommand, addr);
    if (status != 0) return status;
    ctx.link.WaitMs(kToggleSettleMs);
    return 0;
  }
  status = ctx.link.WriteWordBytes(maCommand, kCalStopHigh, kCalStopLow, addr);
  if (status != 0) return status;
  ctx.link.WaitMs(kToggleSettleMs);
  ctx.link.WaitMs(kStopToToggleMs);
  status = WriteToggle(ctx, maCommand, addr);
  if (status != 0) return status;
  ctx.link.WaitMs(kLeaveSettleMs);
  return 0;
}

// --- command sets 0 and 5: bit CAL MODE of the manufacturer status word ---

Status ReadStatusWordBit(CalContext& ctx, uint8_t addr, bool& in_mode) {
  const StationSettings& settings = ctx.link.Settings();
  int16_t word = 0;
  const Status status =
      ctx.link.ReadWord(static_cast<uint8_t>(settings.MANUFACTURE_STATUS_COMMAND), word, addr);
  if (status != 0) return status;
  in_mode = IsBitSet(word, settings.CAL_MODE);
  return 0;
}

// A gauge whose status word shows no calibration mode is sent the toggle word once and
// read again: that second reading is the state.
Status ReadStateStatusWord(CalContext& ctx, uint8_t maCommand, uint8_t addr, bool& in_mode) {
  Status status = ReadStatusWordBit(ctx, addr, in_mode);
  if (status != 0) return status;
  ctx.link.WaitMs(kStatusWordSettleMs);
  if (in_mode) return 0;
  status = WriteToggle(ctx, maCommand, addr);
  if (status != 0) return status;
  ctx.link.WaitMs(kStatusWordSettleMs);
  status = ReadStatusWordBit(ctx, addr, in_mode);
  if (status != 0) return status;
  ctx.link.WaitMs(kStatusWordSettleMs);
  return 0;
}

Status VerifyStatusWord(CalContext& ctx, uint8_t, uint8_t addr, bool& in_mode) {
  return ReadStatusWordBit(ctx, addr, in_mode);
}

// --- command set 2: query word, then bit 0 of byte 1 of block 0x23 ---

Status ReadStateStatusQuery(CalContext& ctx, uint8_t maCommand, uint8_t addr, bool& in_mode) {
  Status status = ctx.link.WriteWordBytes(maCommand, kCalStopHigh, kCalStatusQueryLow, addr);
  if (status != 0) return status;
  ctx.link.AdapterPause(kStatusQuerySettleMs);
  uint8_t byte1 = 0;
  status = ReadStatusByte(ctx, kCalDataBlock, addr, byte1);
  if (status != 0) return status;
  ctx.link.AdapterPause(kStatusQuerySettleMs);
  in_mode = (byte1 & kCalModeBit0) != 0;
  return 0;
}

Status VerifyStatusQuery(CalContext& ctx, uint8_t, uint8_t addr, bool& in_mode) {
  uint8_t byte1 = 0;
  const Status status = ReadStatusByte(ctx, kCalDataBlock, addr, byte1);
  if (status != 0) return status;
  ctx.link.WaitMs(kVerifyQuerySettleMs);
  in_mode = (byte1 & kCalModeBit0) != 0;
  return 0;
}

// --- other families: bit 7 of byte 1 of block 0x57 ---

Status ReadStatusBlockBit(CalContext& ctx, uint8_t addr, bool& in_mode) {
  uint8_t byte1 = 0;
  const Status status = ReadStatusByte(ctx, kCalStatusBlock, addr, byte1);
  if (status != 0) return status;
  ctx.link.WaitMs(kStatusBlockSettleMs);
  in_mode = (byte1 & kCalModeBit7) != 0;
  return 0;
}

// As for command sets 0 and 5, a clear flag is answered with the toggle word and read
// again. The gauge then counts as in calibration mode only if the flag is set now. Where
// that already is the state asked for, SetCalMode ends with 0; when leaving, a gauge the
// toggle put into calibration mode is taken out again, never left in it with success.
Status ReadStateStatusBlock(CalContext& ctx, uint8_t maCommand, uint8_t addr, bool& in_mode) {
  Status status = ReadStatusBlockBit(ctx, addr, in_mode);
  if (status != 0 || in_mode) return status;
  status = WriteToggle(ctx, maCommand, addr);
  if (status != 0) return status;
  ctx.link.WaitMs(kStatusBlockSettleMs);
  return ReadStatusBlockBit(ctx, addr, in_mode);
}

Status VerifyStatusBlock(CalContext& ctx, uint8_t, uint8_t addr, bool& in_mode) {
  uint8_t byte1 = 0;
  const Status status = ReadStatusByte(ctx, kCalStatusBlock, addr, byte1);
  if (status != 0) return status;
  ctx.link.WaitMs(kVerifyBlockSettleMs);
  in_mode = (byte1 & kCalModeBit7) != 0;
  return 0;
}

using StateReader = Status (*)(CalContext&, uint8_t maCommand, uint8_t addr, bool& in_mode);

// Read, toggle when the state differs, wait, confirm.
Status SetModeChecked(CalContext& ctx, uint8_t maCommand, uint8_t addr, bool enter,
                      StateReader read_state, StateReader confirm) {
  bool in_mode = false;
  Status status = read_state(ctx, maCommand, addr, in_mode);
  if (status != 0) return status;
  if (in_mode == enter) return 0;
  status = Toggle(ctx, maCommand, addr, enter);
  if (status != 0) return status;
  ctx.link.WaitMs(kBeforeVerifyMs);
  status = confirm(ctx, maCommand, addr, in_mode);
  if (status != 0) return status;
  return in_mode == enter ? 0 : kStatusCalModeFailed;
}

// --- command sets 4 and 8: status word 0x0057 into block 0x23, bit 7 of byte 1 ---
//
// The result is 0 when the gauge ends in the state asked for, else 1. (A gauge that left
// calibration mode as asked is a success here too, not only one that shows the mode.)
Status SetModeFamily48(CalContext& ctx, uint8_t maCommand, uint8_t addr, bool enter) {
  Status status = ctx.link.WriteWord(maCommand, kCalStatusWord48, addr);
  if (status != 0) return status;
  ctx.link.WaitMs(kFamily48SettleMs);
  uint8_t byte1 = 0;
  status = ReadStatusByte(ctx, kCalDataBlock, addr, byte1);
  if (status != 0) return status;
  ctx.link.WaitMs(kFamily48SettleMs);
  bool in_mode = (byte1 & kCalModeBit7) != 0;
  if (in_mode == enter) return 0;

  status = WriteToggle(ctx, maCommand, addr);
  if (status != 0) return status;
  ctx.link.WaitMs(kFamily48ToggleMs);
  if (ReadStatusByte(ctx, kCalDataBlock, addr, byte1) != 0) {
    ctx.dialogs.ShowMessage(kFamily48ReadError);
    return kStatusNotInCalMode;
  }
  in_mode = (byte1 & kCalModeBit7) != 0;
  return in_mode == enter ? 0 : kStatusNotInCalMode;
}

}  // namespace

bool IsBitSet(int16_t value, int16_t bit) {
  if (bit < 0 || bit > 15) return false;  // a negative bit would be an undefined shift
  return ((static_cast<uint16_t>(value) >> bit) & 1u) != 0;
}

Status SetCalMode(CalContext& ctx, uint8_t maCommand, uint8_t addr, int16_t enter) {
  const bool want = enter != 0;
  switch (FamilyOf(ctx.link.Settings().COMMANDSET)) {
    case Family::StatusWord:
      return SetModeChecked(ctx, maCommand, addr, want, ReadStateStatusWord, VerifyStatusWord);
    case Family::StatusQuery:
      return SetModeChecked(ctx, maCommand, addr, want, ReadStateStatusQuery,
                            VerifyStatusQuery);
    case Family::Status48:
      return SetModeFamily48(ctx, maCommand, addr, want);
    case Family::StatusBlock:
      break;
  }
  return SetModeChecked(ctx, maCommand, addr, want, ReadStateStatusBlock, VerifyStatusBlock);
}

}  // namespace tester
