#include "gauge/gauge_identity.h"

#include <cstdio>

namespace tester {

namespace {

// Words written to the manufacturer-access command to select what the next read returns.
constexpr int16_t kSubcmdDeviceType = 0x0001;
constexpr int16_t kSubcmdFirmwareVersion = 0x0002;
// SMBus block command returning the manufacturer-access result as bytes.
constexpr uint8_t kCmdManufacturerBlock = 0x23;
// A block buffer as large as the gauge's longest answer plus its count byte.
constexpr std::size_t kBlockBufferBytes = 33;

std::string Hex(unsigned value, int min_digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", min_digits, value);
  return text;
}

}  // namespace

std::string FormatVersionText(uint16_t device_type, uint8_t major, uint8_t minor) {
  return Hex(device_type, 1) + "." + Hex(major, 1) + "." + Hex(minor, 2);
}

Status ReadDeviceVersion(GaugeLink& link, std::string& text, uint8_t cmd) {
  text.clear();
  int16_t type = 0;
  uint8_t major = 0;
  uint8_t minor = 0;
  Status status = link.WriteWord(cmd, kSubcmdDeviceType, kAddrSmbusGauge);
  if (status == 0) status = link.ReadWord(cmd, type, kAddrSmbusGauge);
  if (status == 0) status = link.WriteWord(cmd, kSubcmdFirmwareVersion, kAddrSmbusGauge);
  if (status == 0) status = link.ReadWordBytes(cmd, major, minor, kAddrSmbusGauge);
  if (status != 0) return status;
  text = FormatVersionText(static_cast<uint16_t>(type), major, minor);
  return 0;
}

// Answer bytes: A[1] A[0] = device type (high byte first in the text), B[2] = firmware
// major, B[3] = minor. The buffers start zeroed, so a short answer reads as zeros rather
// than as stale memory.
Status ReadDeviceVersionBlock(GaugeLink& link, std::string& text, uint8_t cmd) {
  text.clear();
  uint8_t type_block[kBlockBufferBytes] = {};
  uint8_t version_block[kBlockBufferBytes] = {};
  int16_t count = 0;
  Status status = link.WriteWord(cmd, kSubcmdDeviceType, kAddrSmbusGauge);
  if (status == 0) {
    status = link.ReadBlock(kCmdManufacturerBlock, type_block, count, kAddrSmbusGauge);
  }
  if (status == 0) status = link.WriteWord(cmd, kSubcmdFirmwareVersion, kAddrSmbusGauge);
  if (status == 0) {
    status = link.ReadBlock(kCmdManufacturerBlock, version_block, count, kAddrSmbusGauge);
  }
  if (status != 0) return status;
  text = Hex(type_block[1], 2) + Hex(type_block[0], 2) + "." + Hex(version_block[2], 1) + "." +
         Hex(version_block[3], 2);
  return 0;
}

Status ReadDeviceVersionI2C(GaugeLink& link, std::string& text, uint8_t reg) {
  text.clear();
  int16_t type = 0;
  uint8_t major = 0;
  uint8_t minor = 0;
  Status status = link.WriteRegWord(reg, kSubcmdDeviceType, kAddrRegGauge);
  if (status == 0) status = link.ReadRegWord(reg, type, kAddrRegGauge);
  if (status == 0) status = link.WriteRegWord(reg, kSubcmdFirmwareVersion, kAddrRegGauge);
  // The version register holds the minor number in byte 0 and the major in byte 1.
  if (status == 0) status = link.ReadRegBytes(reg, major, minor, kAddrRegGauge);
  if (status != 0) return status;
  text = FormatVersionText(static_cast<uint16_t>(type), major, minor);
  return 0;
}

}  // namespace tester
