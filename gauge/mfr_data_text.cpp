#include "gauge/mfr_data_text.h"

#include <algorithm>
#include <array>
#include <span>

#include "gauge/df_access.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

constexpr uint8_t kAbsBlock = 0x2F;        // block command of the selected 32-byte block
constexpr uint8_t kAbsSelectHigh = 0x01;   // high byte of the select word 0x0100 + k
constexpr uint8_t kPageBlockBase = 0x58;   // block command of 64-byte block 0 (set 2)
constexpr int kFirstReadSettleMs = 60;     // after the first select, waited twice
constexpr int kAfterFirstReadMs = 60;
constexpr int kPageWaitMs = 60;            // every wait of the 64-byte variant
constexpr int kWritePasses = 2;            // the block is written twice
constexpr std::size_t kCompareBytes = 33;  // block buffer compared whole

// The waits that differ between the two writers.
struct TextWaits {
  int before_write;   // after the select that precedes a write
  int after_write;    // after the write, waited twice in the main passes
  int after_select;   // after the select that precedes a read-back, waited twice
  int after_read;     // after the read-back of the spill block
};

constexpr TextWaits kTextWaits{60, 60, 60, 60};
constexpr TextWaits kStringWaits{180, 300, 300, 300};

using Block = std::array<uint8_t, kDFBlockBufferSize>;

class TextWriter {
public:
  TextWriter(GaugeLink& link, const std::string& text, uint8_t mac_cmd, const TextWaits& waits)
      : link_(link),
        text_(reinterpret_cast<const uint8_t*>(text.data()), std::min(text.size(), kMfDataTextMax)),
        mac_cmd_(mac_cmd),
        waits_(waits) {}

  Status Run() {
    const int32_t address = link_.Settings().MfDataClsID;
    if (address < 0) return kStatusDfPositionOutOfBlock;
    const int32_t k = address / kDFBlockSize;
    const int32_t p = address % kDFBlockSize;
    // The text spills into block k + 1 when it does not leave a byte free in block k.
    const bool spills = kDFBlockSize - p < static_cast<int32_t>(text_.size()) + 1;
    if (k + (spills ? 1 : 0) > 0xFF || p + static_cast<int32_t>(text_.size()) > 2 * kDFBlockSize) {
      return kStatusDfPositionOutOfBlock;
    }
    const std::size_t in_first = std::min<std::size_t>(text_.size(), kDFBlockSize - p);
    Status status = WriteFirstBlock(k, p, text_.first(in_first));
    if (status != 0 || !spills) return status;
    return WriteSpillBlock(k + 1, text_.subspan(in_first));
  }

private:
  Status Select(int32_t k) {
    return link_.WriteWordBytes(mac_cmd_, kAbsSelectHigh, static_cast<uint8_t>(k),
                                kAddrSmbusGauge);
  }

  Status Read(Block& buffer, int16_t& length) {
    return link_.ReadBlock(kAbsBlock, buffer, length, kAddrSmbusGauge);
  }

  void WaitTwice(int ms) {
    link_.WaitMs(ms);
    link_.WaitMs(ms);
  }

  Status WriteFirstBlock(int32_t k, int32_t p, std::span<const uint8_t> bytes) {
    Status status = Select(k);
    if (status != 0) return status;
    WaitTwice(kFirstReadSettleMs);
    Block read{};
    int16_t length = 0;
    status = Read(read, length);
    if (status != 0) return status;
    link_.WaitMs(kAfterFirstReadMs);
    Block write = read;
    std::copy(bytes.begin(), bytes.end(), write.begin() + p);
    for (int pass = 0; pass < kWritePasses; ++pass) {
      status = Select(k);
      if (status != 0) return status;
      link_.WaitMs(waits_.before_write);
      status = link_.WriteBlock(kAbsBlock, write, length, kAddrSmbusGauge);
      if (status != 0) return status;
      WaitTwice(waits_.after_write);
      status = Select(k);
      if (status != 0) return status;
      WaitTwice(waits_.after_select);
      int16_t got = 0;
      status = Read(read, got);
      if (status != 0) return status;
    }
    return std::equal(write.begin(), write.begin() + kCompareBytes, read.begin())
               ? 0
               : kStatusMfrDataWriteFailed;
  }

  Status WriteSpillBlock(int32_t k, std::span<const uint8_t> bytes) {
    Status status = Select(k);
    if (status != 0) return status;
    Block write{};
    int16_t length = 0;
    status = Read(write, length);
    if (status != 0) return status;
    link_.WaitMs(kAfterFirstReadMs);
    std::copy(bytes.begin(), bytes.end(), write.begin());
    status = Select(k);
    if (status == 0) status = link_.WriteBlock(kAbsBlock, write, kDFBlockSize, kAddrSmbusGauge);
    if (status != 0) return status;
    link_.WaitMs(waits_.after_write);
    status = Select(k);
    if (status != 0) return status;
    Block read{};
    status = Read(read, length);
    if (status != 0) return status;
    link_.WaitMs(waits_.after_read);
    return std::equal(write.begin(), write.begin() + kCompareBytes, read.begin())
               ? 0
               : kStatusMfrDataWriteFailed;
  }

  GaugeLink& link_;
  std::span<const uint8_t> text_;
  uint8_t mac_cmd_;
  TextWaits waits_;
};

// Command set 2: the 64-byte block holding MfDataClsID, written once and read back.
// The text's first byte was taken as the count of the bytes that follow it (bytes 0..n
// are copied, n = the first byte's value); the text built from a number carries no such
// count, so the copy is bounded by the text given, and the bytes keep their places from
// position A mod 64 on. Bytes that would fall past the page end (or past the bytes the
// gauge returned for it) are never written: such a text is refused with
// kStatusDfPositionOutOfBlock rather than cut short and reported written.
Status WriteMfDataTextPage(GaugeLink& link, std::span<const uint8_t> text) {
  const int32_t address = link.Settings().MfDataClsID;
  if (address < 0 || kPageBlockBase + address / kDFPageSize > 0xFF) {
    return kStatusDfPositionOutOfBlock;
  }
  const auto command = static_cast<uint8_t>(kPageBlockBase + address / kDFPageSize);
  const std::size_t p = static_cast<std::size_t>(address % kDFPageSize);
  const std::size_t counted = text.empty() ? 0 : static_cast<std::size_t>(text[0]) + 1;
  const std::size_t count = std::min(counted, text.size());
  if (p + count > kDFPageSize) return kStatusDfPositionOutOfBlock;
  std::array<uint8_t, kDFPageBufferSize> read{};
  int16_t length = 0;
  Status status = link.ReadBlock(command, read, length, kAddrSmbusGauge);
  if (status != 0) return status;
  link.WaitMs(kPageWaitMs);
  if (p + count > static_cast<std::size_t>(std::max<int16_t>(length, 0))) {
    return kStatusDfPositionOutOfBlock;
  }
  std::array<uint8_t, kDFPageBufferSize> write = read;
  std::copy_n(text.begin(), count, write.begin() + p);
  status = link.WriteBlock(command, write, length, kAddrSmbusGauge);
  if (status != 0) return status;
  link.WaitMs(kPageWaitMs);
  std::array<uint8_t, kDFPageBufferSize> back{};
  int16_t got = 0;
  status = link.ReadBlock(command, back, got, kAddrSmbusGauge);
  if (status != 0) return status;
  link.WaitMs(kPageWaitMs);
  const std::size_t compared = static_cast<std::size_t>(std::max<int16_t>(length, 0));
  return std::equal(write.begin(), write.begin() + compared, back.begin())
             ? 0
             : kStatusMfrDataWriteFailed;
}

}  // namespace

Status WriteMfDataText(GaugeLink& link, const std::string& text, uint8_t mac_cmd) {
  const int commandset = link.Settings().COMMANDSET;
  if (commandset == 2) {
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()),
                                         std::min(text.size(), kMfDataTextMax));
    return WriteMfDataTextPage(link, bytes);
  }
  if (commandset != 0) return 0;
  return TextWriter(link, text, mac_cmd, kTextWaits).Run();
}

Status WriteMfDataString(GaugeLink& link, const std::string& text, uint8_t mac_cmd) {
  const int commandset = link.Settings().COMMANDSET;
  const bool served = commandset == 1 || commandset == 3 || commandset == 4 ||
                      commandset == 5 || commandset == 999;
  if (!served) return 0;
  return TextWriter(link, text, mac_cmd, kStringWaits).Run();
}

}  // namespace tester
