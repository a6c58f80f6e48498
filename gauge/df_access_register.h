#pragma once
// Gauge-mode data-flash access of register-style gauges (command sets 6 and 7, address
// 0xAA): class and block index go to registers 0x3E/0x3F, the 32 block bytes sit at
// registers 0x40.., and a checksum byte written to 0x60 commits the block. Words inside
// blocks are big-endian, as for SMBus gauges, and every block write is confirmed by
// reading the block back.
//
// As with SMBus class access, a value that does not lie wholly inside its block, a class
// or block index beyond one byte, or a block longer than 32 bytes is refused with
// kStatusDfPositionOutOfBlock before anything is written.
#include <cstdint>
#include <span>
#include <string>

#include "gauge/gauge_link.h"
#include "common/status_codes.h"

namespace tester {

inline constexpr int kCommitProbeTimeoutS = 1;  // the gauge answers again within this

// 255 − (sum of the bytes mod 256): the byte that commits a block.
uint8_t BlockCommitChecksum(std::span<const uint8_t> bytes);

// The 32-byte block of class `cls` that holds `offset`; `length` receives the count read.
Status ReadDFBlockI2C(GaugeLink& link, std::span<uint8_t> buffer, int16_t cls, int32_t offset,
                      int16_t& length);
// Writes `length` bytes as that block and its commit byte, then probes the gauge
// (PauseBoth(GGModeDFDelay), read register 0x00) until it answers or 1 s has passed; a
// probe that never succeeds gives its status. Then the block is read back
// (ReadDFBlockI2C) until its first `length` bytes equal what was written, 120 ms
// between reads, and a difference that stays for 2 s (kReadBackTimeoutS) gives
// kStatusDfWriteUnconfirmed, as the SMBus class writes do.
Status WriteDFBlockI2C(GaugeLink& link, std::span<const uint8_t> buffer, int16_t cls,
                       int32_t offset, int16_t length);

// Manufacture date at DateClsID / DateOffset.
Status WriteManufactureDateI2C(GaugeLink& link, int16_t value);
// Serial number at SerialClsID / SerialOffset: the 16-bit pattern of `value`
// (−32768..65535) is written, high byte first.
Status WriteSerialI2C(GaugeLink& link, int32_t value);
// Pack lot code at MfDataClsID / PkLotOffset: the low 16 bits of the decimal number in
// `text`. A text that is not a whole decimal number (blanks around it allowed) is
// refused with kStatusBadValueType before any transfer.
Status WriteMfDataI2C(GaugeLink& link, const std::string& text);

}  // namespace tester
