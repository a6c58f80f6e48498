#pragma once
// The gauge's identity text (`VersionText`): device type and firmware version read through
// the manufacturer-access command, e.g. type 0x0800 and version 0x0102 give "800.1.02".
// Each read ends at the first failing transfer and returns its status with the text empty.
#include <cstdint>
#include <string>

#include "gauge/gauge_link.h"

namespace tester {

// <type>.<major>.<minor>: type and major in upper-case hex without leading zeros, minor as
// exactly two hex digits. A gauge answering zeros gives "0.0.00".
std::string FormatVersionText(uint16_t device_type, uint8_t major, uint8_t minor);

// Through SMBus words at 0x17 (`cmd` = the manufacturer-access command, QZMAC).
Status ReadDeviceVersion(GaugeLink& link, std::string& text, uint8_t cmd);
// The same through block reads of command 0x23; the type keeps four digits ("0800.1.02").
// Callers use it when ReadDeviceVersion succeeds but gives "0.0.00".
Status ReadDeviceVersionBlock(GaugeLink& link, std::string& text, uint8_t cmd);
// The same through register access at 0xAA (command sets 6 and 7; `reg` = QZMAC).
Status ReadDeviceVersionI2C(GaugeLink& link, std::string& text, uint8_t reg);

}  // namespace tester
