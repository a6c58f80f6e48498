#include "calibration/cal_data.h"

#include <algorithm>
#include <array>
#include <string>

#include "calibration/cal_page.h"
#include "common/status_codes.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

constexpr uint8_t kPageSelectHigh = 0x01;      // manufacturer-access word 0x01pp selects page p
constexpr uint8_t kSmallPageBlock = 0x2F;      // block command of the selected 32-byte page
constexpr uint8_t kLargePageBlockBase = 0x58;  // command set 2: block command of 64-byte page 0
// Manufacturer-access word 0xF080, sent ahead of a 64-byte calibration page write.
constexpr uint8_t kLargeWriteLeadHigh = 0xF0;
constexpr uint8_t kLargeWriteLeadLow = 0x80;

constexpr int kLargeWriteLeadMs = 150;  // the gauge takes the lead word before the page
constexpr int kLargeWriteMs = 70;       // a 64-byte page write takes this long
constexpr int kLargeReadBackMs = 30;    // settle after reading the page back
constexpr int kSmallWriteMs = 300;      // a 32-byte page write takes this long
constexpr int kSmallSettleMs = 60;      // settle around selects and reads of the patch pass

// The operator's check of a 64-byte page covers its first 32 bytes only.
constexpr int kFirstBlockCheckedBytes = 32;
// WriteCalBlock's result when the page write itself failed.
constexpr Status kFirstBlockWriteFailed = 1;

// Room for the longest block an adapter delivers, so an over-long answer is not cut.
constexpr std::size_t kPageBufferSize = 256;
using PageBuffer = std::array<uint8_t, kPageBufferSize>;

const char* const kTextWriteFailed =
    "Not able to Write First Calibration block to DataFlash. Please check communications. "
    "Calibration values not written to Dataflash.";
const char* const kTextReadFailed = "lerror here";
const char* const kTextReadBackDiffers =
    "Read verification of first block written to Dataflash did not match. Please check "
    "communications. Calibration values incorrectly written to Dataflash.";

// The first `count` bytes of `written` came back; bytes the read did not deliver count as
// different.
bool ReadBackMatches(std::span<const uint8_t> written, std::span<const uint8_t> read,
                     int16_t read_length, int count) {
  if (read_length < count || static_cast<int>(written.size()) < count) return false;
  return std::equal(written.begin(), written.begin() + count, read.begin());
}

// What a 64-byte page write and its read-back gave.
struct LargePageOutcome {
  Status write_status = 0;
  Status read_status = 0;
  int16_t read_length = 0;
  PageBuffer read_back{};
};

// The 64-byte page write with the operator's messages. The lead word's status is not
// examined: the page write and the read-back that follow tell whether the page arrived.
// A failed write still goes on to the read-back, so the operator sees what the gauge holds.
LargePageOutcome WriteLargePage(CalContext& ctx, uint8_t maCommand, int32_t page,
                                std::span<const uint8_t> block, uint8_t addr) {
  GaugeLink& link = ctx.link;
  const auto command = static_cast<uint8_t>(kLargePageBlockBase + page);
  LargePageOutcome out;
  link.WriteWordBytes(maCommand, kLargeWriteLeadHigh, kLargeWriteLeadLow, addr);
  link.WaitMs(kLargeWriteLeadMs);
  out.write_status = link.WriteBlock(command, block, kCalPageSizeLarge, addr);
  link.WaitMs(kLargeWriteMs);
  if (out.write_status != 0) ctx.dialogs.ShowMessage(kTextWriteFailed);
  out.read_status = link.ReadBlock(command, out.read_back, out.read_length, addr);
  link.WaitMs(kLargeReadBackMs);
  if (out.read_status != 0) {
    ctx.dialogs.ShowMessage(kTextReadFailed);
  } else if (!ReadBackMatches(block, out.read_back, out.read_length, kFirstBlockCheckedBytes)) {
    ctx.dialogs.ShowMessage(kTextReadBackDiffers);
  }
  return out;
}

// Reads, patches, writes and verifies the calibration page of one station.
class CalPageWriter {
public:
  CalPageWriter(CalContext& ctx, uint8_t maCommand, uint8_t addr, const CalPageLayout& layout)
      : ctx_(ctx), link_(ctx.link), maCommand_(maCommand), addr_(addr), layout_(layout) {}

  // One pass: read the page, store `fields`, write it back and compare every byte.
  // `settle_ms` is the wait around the selects and reads of 32-byte pages (0 = none).
  Status Update(const CalFieldSet& fields, const CalibrationResults& results, int settle_ms) {
    PageBuffer page{};
    Status status = Read(page);
    if (status != 0) return status;
    PatchCalPage(page, layout_, fields, results);
    return Large() ? WriteVerifiedLarge(page) : WriteVerifiedSmall(page, settle_ms);
  }

private:
  bool Large() const { return layout_.size == kCalPageSizeLarge; }
  uint8_t BlockCommand() const {
    return Large() ? static_cast<uint8_t>(kLargePageBlockBase + layout_.page) : kSmallPageBlock;
  }
  Status Select() {
    return link_.WriteWordBytes(maCommand_, kPageSelectHigh, static_cast<uint8_t>(layout_.page),
                                addr_);
  }

  void Settle(int ms) {
    if (ms > 0) link_.WaitMs(ms);
  }

  // A page read shorter than the page is refused: the page written back would carry bytes
  // that were never read from the gauge. Nothing is written then.
  Status Read(PageBuffer& page) {
    if (!Large()) {
      const Status status = Select();
      if (status != 0) return status;
    }
    int16_t length = 0;
    const Status status = link_.ReadBlock(BlockCommand(), page, length, addr_);
    if (status != 0) return status;
    return length < layout_.size ? kStatusCalDataWriteFailed : kStatusOk;
  }

  Status WriteVerifiedSmall(const PageBuffer& page, int settle_ms) {
    Status status = Select();
    if (status != 0) return status;
    Settle(settle_ms);
    status = link_.WriteBlock(kSmallPageBlock, page, kCalPageSizeSmall, addr_);
    if (status != 0) return status;
    link_.WaitMs(kSmallWriteMs);
    status = Select();
    if (status != 0) return status;
    Settle(settle_ms);
    PageBuffer read{};
    int16_t length = 0;
    status = link_.ReadBlock(kSmallPageBlock, read, length, addr_);
    if (status != 0) return status;
    Settle(settle_ms);
    return ReadBackMatches(std::span(page).first(kCalPageSizeSmall), read, length,
                           kCalPageSizeSmall)
               ? kStatusOk
               : kStatusCalDataWriteFailed;
  }

  // The operator's routine checks only the first 32 bytes and reports a difference only
  // on screen; here every byte of the page is compared as well and a difference fails
  // the write, as with the 32-byte pages. A failed write or read-back passes its status on.
  Status WriteVerifiedLarge(const PageBuffer& page) {
    const auto block = std::span(page).first(kCalPageSizeLarge);
    const LargePageOutcome out = WriteLargePage(ctx_, maCommand_, layout_.page, block, addr_);
    if (out.write_status != 0) return out.write_status;
    if (out.read_status != 0) return out.read_status;
    return ReadBackMatches(block, out.read_back, out.read_length, kCalPageSizeLarge)
               ? kStatusOk
               : kStatusCalDataWriteFailed;
  }

  CalContext& ctx_;
  GaugeLink& link_;
  uint8_t maCommand_;
  uint8_t addr_;
  CalPageLayout layout_;
};

}  // namespace

// Both passes are planned before the first transfer: a page that cannot be addressed, or a
// field the options ask for that would fall outside the page, is refused with
// kStatusDfPositionOutOfBlock and nothing is read or written. (Calibration maps any
// nonzero result to 65547.)
Status WriteCalData(CalContext& ctx, uint8_t maCommand, const CalOptions& options,
                    const CalibrationResults& results, uint8_t addr) {
  const StationSettings& settings = ctx.link.Settings();
  const CalPageLayout layout = CalPageLayoutFor(settings.COMMANDSET, settings.CalibrationClsID);
  const bool current_pass = options.CurrentCalEnabled != 0;
  const bool patch_pass = PatchPassRequested(options);
  if (!current_pass && !patch_pass) return kStatusOk;

  const CalFieldSet current_fields = CurrentPassFields(options, layout);
  const CalFieldSet patch_fields = PatchPassFields(options, settings, layout);
  if (!PageAddressable(layout) || !FieldsFit(layout, current_fields | patch_fields)) {
    return kStatusDfPositionOutOfBlock;
  }

  CalPageWriter writer(ctx, maCommand, addr, layout);
  if (current_pass) {
    const Status status = writer.Update(current_fields, results, 0);
    if (status != 0) return status;
  }
  if (patch_pass) return writer.Update(patch_fields, results, kSmallSettleMs);
  return kStatusOk;
}

// A block shorter than the page, or a page whose block command would not fit its byte, is
// refused with kStatusDfPositionOutOfBlock before any transfer.
Status WriteCalBlock(CalContext& ctx, uint8_t maCommand, std::span<const uint8_t> block,
                     uint8_t addr) {
  const CalPageLayout layout =
      CalPageLayoutFor(kCommandSetLargePages, ctx.link.Settings().CalibrationClsID);
  if (!PageAddressable(layout) || block.size() < static_cast<std::size_t>(kCalPageSizeLarge)) {
    return kStatusDfPositionOutOfBlock;
  }
  const LargePageOutcome out = WriteLargePage(ctx, maCommand, layout.page, block, addr);
  return out.write_status != 0 ? kFirstBlockWriteFailed : kStatusOk;
}

}  // namespace tester
