#include "calibration/temp_sensor_select.h"

#include <algorithm>
#include <array>

#include "common/status_codes.h"
#include "gauge/station_settings.h"
#include "common/gauge_control.h"

namespace tester {
namespace {

constexpr int kPageSize = 32;
constexpr uint8_t kPageSelectHigh = 0x01;  // manufacturer-access (0x01, page) selects a page
constexpr uint8_t kPageBlock = 0x2F;       // the selected page
constexpr int kPageStepMs = 60;            // the gauge needs this after each page step
constexpr int kBlockBytes = 256;           // room for any block an adapter can deliver

using PageBuffer = std::array<uint8_t, kBlockBytes>;

struct PageAccess {
  CalContext& ctx;
  uint8_t ma_command;
  uint8_t page;

  Status Select() {
    const Status status =
        ctx.link.WriteWordBytes(ma_command, kPageSelectHigh, page, kAddrSmbusGauge);
    if (status == 0) ctx.link.WaitMs(kPageStepMs);
    return status;
  }
  Status Read(PageBuffer& buffer, int16_t& length) {
    Status status = Select();
    if (status != 0) return status;
    status = ctx.link.ReadBlock(kPageBlock, buffer, length, kAddrSmbusGauge);
    if (status == 0) ctx.link.WaitMs(kPageStepMs);
    return status;
  }
  Status Write(const PageBuffer& buffer) {
    Status status = Select();
    if (status != 0) return status;
    status = ctx.link.WriteBlock(kPageBlock, buffer, kPageSize, kAddrSmbusGauge);
    if (status == 0) ctx.link.WaitMs(kPageStepMs);
    return status;
  }
};

// The new source byte; false when nothing is to change (then nothing is written).
bool PatchSource(int commandset, const CalOptions& options, uint8_t& byte) {
  if (commandset == 0) {
    if (byte == kTempSourceTS1 && options.IntTSCalEnabled != 0) {
      byte = kTempSourceInternal;
    } else if (byte == kTempSourceInternal && options.TS1CalEnabled != 0) {
      byte = kTempSourceTS1;
    } else {
      return false;
    }
    return true;
  }
  if (commandset == 5) {
    const bool external = (byte & kTempSourceTS1Bit5) != 0;
    if (external && options.IntTSCalEnabled != 0) {
      byte = static_cast<uint8_t>(byte & ~kTempSourceTS1Bit5);
    } else if (!external && options.TS1CalEnabled != 0) {
      byte = static_cast<uint8_t>(byte | kTempSourceTS1Bit5);
    } else {
      return false;
    }
    return true;
  }
  return true;  // other families: the byte is written back as it is
}

}  // namespace

Status SelectTempSensor(CalContext& ctx, const CalOptions& options) {
  const StationSettings& settings = ctx.link.Settings();
  const int32_t address = settings.RegistersClsID;
  const int32_t page = address / kPageSize;
  const int32_t position = address % kPageSize + 1;
  // Only the 32 bytes of the page are written back; a byte past them, a negative address
  // or a page the select word cannot name would be patched in vain.
  if (address < 0 || position >= kPageSize || page > 0xFF) return kStatusDfPositionOutOfBlock;

  PageAccess access{ctx, static_cast<uint8_t>(settings.QZMAC), static_cast<uint8_t>(page)};
  PageBuffer written{};
  int16_t length = 0;
  Status status = access.Read(written, length);
  if (status != 0) return status;
  // The whole page goes back: a short read would write bytes the gauge never sent.
  if (length < kPageSize) return kStatusDfPositionOutOfBlock;
  if (!PatchSource(settings.COMMANDSET, options, written[position])) return 0;

  status = access.Write(written);
  if (status != 0) return status;
  PageBuffer read_back{};
  status = access.Read(read_back, length);
  if (status != 0) return status;
  const bool same = length >= kPageSize &&
                    std::equal(written.begin(), written.begin() + kPageSize, read_back.begin());
  // 65558, the code of a data-flash patch that read back differently.
  return same ? 0 : kStatusMfrDataWriteFailed;
}

}  // namespace tester
