#pragma once
// Manufacturer-data texts of SMBus gauges: the text's character codes (at most 34) go
// into the data flash from address MfDataClsID on, through absolute blocks selected with
// the manufacturer-access command (word 0x0100 + k, block command 0x2F), and are read
// back and compared.
//  - WriteMfDataText: command sets 0 and 2 (2 through its 64-byte blocks 0x58 + k);
//  - WriteMfDataString: command sets 1, 3, 4, 5 and 999, with longer waits;
// for any other command set each writes nothing and returns 0.
// A read-back that differs gives kStatusMfrDataWriteFailed; the first failing transfer
// ends the procedure with its status. Text that would need more than the block holding
// MfDataClsID and the one after it (or a block its command byte cannot address) is refused
// with kStatusDfPositionOutOfBlock before any transfer; so is, for command set 2, text
// that runs past the end of its 64-byte block (or, after the read, past the bytes the
// gauge returned for that block).
#include <cstdint>
#include <string>

#include "gauge/gauge_link.h"
#include "common/status_codes.h"

namespace tester {

inline constexpr std::size_t kMfDataTextMax = 34;  // characters the text area holds

Status WriteMfDataText(GaugeLink& link, const std::string& text, uint8_t mac_cmd);
Status WriteMfDataString(GaugeLink& link, const std::string& text, uint8_t mac_cmd);

}  // namespace tester
