#include "sim/smbus_gauge.h"

namespace tester {
namespace {

constexpr uint16_t kSubDeviceType = 0x0001;      // manufacturer access: device type
constexpr uint16_t kSubFirmwareVersion = 0x0002; // manufacturer access: firmware version
constexpr uint16_t kSubBlockSelect = 0x0100;     // 0x0100 + k selects absolute block k
constexpr uint8_t kCmdVersionBlock = 0x23;       // block read: identity of old firmware
constexpr uint8_t kCmdSafetyStatus = 0x23;       // word read: safety status
constexpr uint8_t kCmdPfStatus = 0x53;           // word read: permanent-failure status
constexpr uint8_t kCmdPfBlock = 0x54;            // block read: [0, flags], bit 4 = failure
constexpr uint8_t kCmdClassSelect = 0x77;        // word: class id for 0x78 + k
constexpr uint8_t kCmdClassBlock = 0x78;         // block k of the selected class
constexpr uint8_t kCmdAbsoluteBlock = 0x2F;      // the 32-byte block chosen by 0x0100 + k
constexpr uint8_t kCmdPageBase = 0x58;           // command set 2: 64-byte page k = 0x58 + k
constexpr int kAbsoluteBlockBytes = 32;
constexpr int kPageBytes = 64;
constexpr int kPages = 2048 / kPageBytes;
constexpr uint16_t kPermanentFailureBits = 0x1000;  // safety status of a failed pack
constexpr uint8_t kPfBlockFlag = 0x10;              // bit 4 of byte 1 of block 0x54

}  // namespace

SimStatus SmbusGauge::WriteWord(uint8_t cmd, uint16_t word) {
  const PackDescription& pack = core_.Pack();
  if (cmd == pack.rom_cmd && word == pack.rom_word) {
    core_.EnterRom();
    return kSimOk;
  }
  if (cmd == pack.mac_cmd) {
    subcommand_ = word;
    if ((word & 0xFF00) == kSubBlockSelect) absolute_block_ = word & 0xFF;
    return kSimOk;
  }
  if (cmd == kCmdClassSelect) {
    selected_class_ = word;
    return kSimOk;
  }
  words_[cmd] = word;
  return kSimOk;
}

uint16_t SmbusGauge::ManufacturerAnswer() const {
  const PackDescription& pack = core_.Pack();
  if (pack.old_firmware) return 0x0000;
  if (subcommand_ == kSubDeviceType) return pack.device_type;
  if (subcommand_ == kSubFirmwareVersion) return pack.firmware;
  return 0x0000;
}

SimStatus SmbusGauge::ReadWord(uint8_t cmd, uint16_t& word) {
  const PackDescription& pack = core_.Pack();
  if (cmd == pack.mac_cmd) {
    word = ManufacturerAnswer();
  } else if (cmd == kCmdSafetyStatus || cmd == kCmdPfStatus) {
    word = pack.defects.permanent_failure ? kPermanentFailureBits : 0;
  } else {
    auto it = words_.find(cmd);
    word = it == words_.end() ? 0 : it->second;
  }
  return kSimOk;
}

int SmbusGauge::PageOf(uint8_t cmd) const {
  if (core_.Pack().family != 2 || cmd < kCmdPageBase || cmd >= kCmdPageBase + kPages) return -1;
  return cmd - kCmdPageBase;
}

SimStatus SmbusGauge::ReadBlock(uint8_t cmd, std::vector<uint8_t>& data) {
  const PackDescription& pack = core_.Pack();
  if (int page = PageOf(cmd); page >= 0) {
    return flash_.ReadAbsolute(page, kPageBytes, data) ? kSimOk : kSimCommandNack;
  }
  if (cmd == kCmdVersionBlock) {
    if (subcommand_ == kSubFirmwareVersion) {
      data = {0x00, 0x00, static_cast<uint8_t>(pack.firmware >> 8),
              static_cast<uint8_t>(pack.firmware)};
    } else {
      data = {static_cast<uint8_t>(pack.device_type), static_cast<uint8_t>(pack.device_type >> 8)};
    }
    return kSimOk;
  }
  if (cmd == kCmdPfBlock) {
    data = {0x00, static_cast<uint8_t>(pack.defects.permanent_failure ? kPfBlockFlag : 0)};
    return kSimOk;
  }
  if (cmd == kCmdAbsoluteBlock) {
    return flash_.ReadAbsolute(absolute_block_, kAbsoluteBlockBytes, data) ? kSimOk
                                                                           : kSimCommandNack;
  }
  if (cmd >= kCmdClassBlock) {
    return flash_.ReadClassBlock(selected_class_, cmd - kCmdClassBlock, data) ? kSimOk
                                                                              : kSimCommandNack;
  }
  return kSimCommandNack;
}

SimStatus SmbusGauge::WriteBlock(uint8_t cmd, std::span<const uint8_t> data) {
  bool ok = false;
  if (int page = PageOf(cmd); page >= 0) {
    ok = flash_.WriteAbsolute(page, kPageBytes, data);
  } else if (cmd == kCmdAbsoluteBlock) {
    ok = flash_.WriteAbsolute(absolute_block_, kAbsoluteBlockBytes, data);
  } else if (cmd >= kCmdClassBlock) {
    ok = flash_.WriteClassBlock(selected_class_, cmd - kCmdClassBlock, data);
  }
  return ok ? kSimOk : kSimCommandNack;
}

SimStatus SmbusGauge::SendByte(uint8_t) { return kSimOk; }

}  // namespace tester
