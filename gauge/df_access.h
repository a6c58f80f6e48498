#pragma once
// Gauge-mode access to single data-flash values of SMBus gauges (address 0x17):
//  - class access: the class id goes to command 0x77, then block command 0x78 + k reads
//    or writes 32-byte block k of that class;
//  - absolute access: 32-byte blocks selected through the manufacturer-access command
//    (word 0x0100 + k) and read or written with block command 0x2F, or, for command set
//    2, 64-byte blocks under block commands 0x58 + k.
// Words inside data-flash blocks are big-endian. Writes are read-modify-write of the
// block that holds the value, confirmed by reading the block back.
//
// A value that does not lie wholly inside its block (negative offset, a word at the last
// position of a block, a block a command byte cannot address, a block read shorter than
// the value's position) is refused with kStatusDfPositionOutOfBlock before anything is
// written, so no byte outside the value's block is ever changed.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "gauge/gauge_link.h"
#include "common/status_codes.h"

namespace tester {

inline constexpr int kDFBlockSize = 32;        // bytes of one class block
inline constexpr int kDFBlockBufferSize = 33;  // block buffers hold one byte more
inline constexpr int kDFPageSize = 64;         // absolute blocks of command set 2
inline constexpr int kDFPageBufferSize = 256;  // buffer for those blocks
inline constexpr int kReadBackTimeoutS = 2;    // read-back loops give up after this

using DFBlockBuffer = std::array<uint8_t, kDFBlockBufferSize>;

enum class DFValueType { Byte, Int16, Other };

// A typed data-flash value: a byte reads as 0..255, a 16-bit integer as its signed value.
struct DFValue {
  DFValueType type = DFValueType::Int16;
  int32_t value = 0;
};

// Reads a block into the buffer and sets the count read: one read-back of a written block.
using DFBlockReader = std::function<Status(std::span<uint8_t> buffer, int16_t& length)>;

// The read-back loop of every gauge-mode block write: counts an attempt, reads the block
// with `read`, and gives 0 once its first `length` bytes equal `written`; a failed read
// ends the loop with its status; a difference once kReadBackTimeoutS have passed since
// the first read gives kStatusDfWriteUnconfirmed. `retry_wait_ms` is waited (through the
// event pump) before each read after the first.
Status ConfirmBlockWrite(GaugeLink& link, std::span<const uint8_t> written, int16_t length,
                         int32_t& attempts, const DFBlockReader& read, int retry_wait_ms = 0);

// Stores `value` big-endian at position offset mod 32 (high byte) and the byte after it,
// each only where it falls inside `buffer`. True when both bytes were stored.
bool PutWordBE(std::span<uint8_t> buffer, int32_t offset, int16_t value);

// The block of class `cls` that holds `offset`: command 0x77 = class, then 0x78 + o ÷ 32.
Status ReadDFBlock(GaugeLink& link, std::span<uint8_t> buffer, int16_t cls, int32_t offset,
                   int16_t& length);
Status WriteDFBlock(GaugeLink& link, std::span<const uint8_t> buffer, int16_t cls,
                    int32_t offset, int16_t length);

// Byte or 16-bit value at `offset` of class `cls`; another type gives
// kStatusBadValueType after the read.
Status ReadDFValue(GaugeLink& link, int16_t cls, int32_t offset, DFValue& value);

// Read-modify-write of one word, then read back until equal or 2 s have passed
// (kStatusDfWriteUnconfirmed). `attempts` counts the read-backs.
Status WriteDFWordClass(GaugeLink& link, int16_t cls, int32_t offset, int16_t value,
                        int32_t& attempts);
// The same, handing back the class block as written and confirmed (`length` bytes).
Status WriteDFWordClass(GaugeLink& link, int16_t cls, int32_t offset, int16_t value,
                        int32_t& attempts, DFBlockBuffer& block, int16_t& length);

// Writes `length` bytes of `buffer` as the block holding `offset`, then the same read-back
// loop; once confirmed the result is that of one more block read. A length beyond the
// 33-byte block buffer is refused with kStatusDfPositionOutOfBlock before any transfer.
Status WriteDFBlockVerified(GaugeLink& link, std::span<const uint8_t> buffer, int16_t cls,
                            int32_t offset, int16_t length, int32_t& attempts);

// Word at data-flash address `address` + `offset` through absolute blocks (64 bytes for
// command set 2, else 32). A word at the last position of its block spills: its low byte
// goes to position 0 of the next block, which is written and verified the same way.
Status WriteDFWordAbsolute(GaugeLink& link, int32_t address, int32_t offset, int16_t value);

// Manufacture date at DateClsID / DateOffset: absolute form when `absolute` is nonzero,
// else class form.
Status WriteManufactureDate(GaugeLink& link, int16_t value, int16_t absolute);

// Up to five words from PkLotOffset on (value i at PkLotOffset + 2i) of class MfDataClsID.
// With PkLotValid 0 or no value given nothing is sent and the result is 0.
using MfDataValues = std::array<std::optional<int16_t>, 5>;
Status WriteMfData(GaugeLink& link, const MfDataValues& values);

}  // namespace tester
