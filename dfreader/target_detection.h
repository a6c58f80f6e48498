#pragma once
// Which gauge is on the adapter: its version text read with the manufacturer-access
// command QZMAC and, when that gives nothing, with the commands 0x67 and 0x00 in turn.
// The text found is the target to work on; when every attempt fails the operator is told
// (message 108) and the text is empty.
#include <string>

#include "gauge/gauge_link.h"
#include "platform/dialogs.h"

namespace tester {

// The identity commands tried after QZMAC.
inline constexpr uint8_t kFallbackVersionCommands[] = {0x67, 0x00};

// Through SMBus words at 0x17; "0.0.00" from QZMAC is read again through block reads.
std::string AutoDetectTarget(GaugeLink& link, OperatorDialogs& dialogs);
// Through register access at 0xAA (no block variant).
std::string AutoDetectTargetI2C(GaugeLink& link, OperatorDialogs& dialogs);

// Targets whose first field is "100" or "560" are register-style gauges and are detected
// with AutoDetectTargetI2C.
bool DetectsThroughRegisters(const std::string& target);

}  // namespace tester
