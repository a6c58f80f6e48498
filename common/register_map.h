#pragma once
// The register-style bus as the programs and the virtual jig's gauges both speak it: the
// registers of the register-style ROM loader (at 0x16) and of a register-style gauge's
// data-flash access (at 0xAA). Written once so that the two sides cannot drift apart.
#include <cstdint>

namespace tester::regmap {

// --- register-style ROM loader ---
inline constexpr uint8_t kLoaderCommand = 0x00;   // command byte, or block [cmd, lo, hi]
inline constexpr uint8_t kLoaderData = 0x04;      // data bytes of a command start here
inline constexpr uint8_t kLoaderReadData = 0x05;  // data-flash bytes of a read-flash command
inline constexpr uint8_t kLoaderChecksum = 0x64;  // u16 LE sum of the command; writing executes it
inline constexpr uint8_t kLoaderResult = 0x66;    // result byte, 0 = accepted

// Loader commands.
inline constexpr uint8_t kLoaderReadRow = 0x00;     // [0x00, r, 0]: instruction row r at 0x04
inline constexpr uint8_t kLoaderWriteRow = 0x02;    // [0x02, r, 0] + 96 bytes: write row r
inline constexpr uint8_t kLoaderEraseRow0 = 0x03;   // [0x03, 0, 0]: erase instruction row 0
inline constexpr uint8_t kLoaderReadFlash = 0x07;   // [0x07, a lo, a hi] + count: read data flash
inline constexpr uint8_t kLoaderSumFlash = 0x08;    // compute the data-flash sum, readable at 0x04
inline constexpr uint8_t kLoaderProgramRow = 0x0A;  // [0x0A, r lo, r hi] + row bytes at 0x04
inline constexpr uint8_t kLoaderMassErase = 0x0C;   // + key bytes 0x83 0xDE at 0x04

// --- a register-style gauge's data-flash access ---
inline constexpr uint8_t kGaugeClass = 0x3E;      // class id; 0x3F right after it takes the block
inline constexpr uint8_t kGaugeBlockIndex = 0x3F; // 32-byte block of the class
inline constexpr uint8_t kGaugeBlockData = 0x40;  // the 32 bytes of the selected block
inline constexpr uint8_t kGaugeBlockCommit = 0x60;  // 255 - sum of the data; writing commits

}  // namespace tester::regmap
