#include "sim/smbus_gauge.h"

#include "sim/cal_layout.h"

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
constexpr uint8_t kCmdTemperature = 0x08;        // 0.1 K, the selected sensor
constexpr uint8_t kCmdVoltage = 0x09;            // mV
constexpr uint8_t kCmdCurrent = 0x0A;            // mA, discharge negative
constexpr uint8_t kCmdCell4 = 0x3C;              // 0x3C cell 4 .. 0x3F cell 1, mV
constexpr uint8_t kCmdCell1 = 0x3F;
constexpr uint8_t kCmdSenseResistor = 0x71;      // uOhm the stored CC gain stands for
constexpr uint8_t kTempSelectInternal = 0x20;    // family 0: source byte for the internal sensor
constexpr uint8_t kTempSelectTS1Bit = 0x01;      // family 5: source bit set = TS1

}  // namespace

SimStatus SmbusGauge::WriteWord(uint8_t cmd, uint16_t word) {
  const PackDescription& pack = core_.Pack();
  if (cmd == pack.rom_cmd && word == pack.rom_word) {
    core_.EnterRom();
    return kSimOk;
  }
  onboard_.Settle();
  if (cmd == pack.mac_cmd) {
    subcommand_ = word;
    if ((word & 0xFF00) == kSubBlockSelect) absolute_block_ = word & 0xFF;
    cal_mode_.Subcommand(word);
    onboard_.Subcommand(word);
    return kSimOk;
  }
  if (cmd == kCmdClassSelect) {
    selected_class_ = word;
    return kSimOk;
  }
  if (onboard_.WriteWord(cmd, word)) return kSimOk;
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

int SmbusGauge::TemperatureSensor() const {
  const int family = core_.Pack().family;
  const uint8_t source = core_.Memory().DataFlash()[kSimTempSelectAddress];
  if (family == 0 && source == kTempSelectInternal) return kSimSensorInternal;
  if (family == 5 && (source & kTempSelectTS1Bit) == 0) return kSimSensorInternal;
  return kSimSensorTS1;
}

std::optional<uint16_t> SmbusGauge::Reading(uint8_t cmd) const {
  if (cmd == kCmdTemperature) return readings_.SensorTenths(TemperatureSensor());
  if (cmd == kCmdVoltage) return readings_.VoltageMv();
  if (cmd == kCmdCurrent) return static_cast<uint16_t>(readings_.CurrentMa());
  if (cmd >= kCmdCell4 && cmd <= kCmdCell1) return readings_.CellMv(kCmdCell1 - cmd);
  if (cmd == kCmdSenseResistor) return readings_.SenseMicroohm();
  if (auto word = cal_mode_.ReadWord(cmd)) return word;
  return std::nullopt;
}

SimStatus SmbusGauge::ReadWord(uint8_t cmd, uint16_t& word) {
  const PackDescription& pack = core_.Pack();
  onboard_.Settle();
  if (cmd == pack.mac_cmd) {
    word = ManufacturerAnswer();
  } else if (auto onboard = onboard_.ReadWord(cmd)) {
    word = *onboard;
  } else if (cmd == kCmdSafetyStatus || cmd == kCmdPfStatus) {
    word = pack.defects.permanent_failure ? kPermanentFailureBits : 0;
  } else if (auto reading = Reading(cmd)) {
    word = *reading;
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
  onboard_.Settle();
  if (int page = PageOf(cmd); page >= 0) {
    return flash_.ReadAbsolute(page, kPageBytes, data) ? kSimOk : kSimCommandNack;
  }
  if (cal_mode_.ReadBlock(cmd, subcommand_, data)) return kSimOk;
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
  onboard_.Settle();
  if (int page = PageOf(cmd); page >= 0) {
    ok = flash_.WriteAbsolute(page, kPageBytes, data);
  } else if (onboard_.WriteBlock(cmd, data)) {
    ok = true;
  } else if (cmd == kCmdAbsoluteBlock) {
    ok = flash_.WriteAbsolute(absolute_block_, kAbsoluteBlockBytes, data);
  } else if (cmd >= kCmdClassBlock) {
    ok = flash_.WriteClassBlock(selected_class_, cmd - kCmdClassBlock, data);
  }
  return ok ? kSimOk : kSimCommandNack;
}

SimStatus SmbusGauge::SendByte(uint8_t cmd) {
  onboard_.Settle();
  onboard_.SendByte(cmd);
  return kSimOk;
}

}  // namespace tester
