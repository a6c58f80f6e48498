#pragma once
// Device-specific corrections a run applies before the serial number is written:
//  - gauges of device type 0x800, firmware 1.00 get their manufacturer block (SMBus block
//    0x23) rewritten with its first 14 bytes only;
//  - on platform 0x8030, when the station calibrates the board offset, the board offset is
//    measured by direct sampling and stored.
#include <cstdint>
#include <string>
#include <string_view>

#include "calibration/cal_context.h"
#include "common/status_codes.h"

namespace tester {

// Device type and version a target name that cannot be read stands for.
inline constexpr int32_t kDefaultDeviceType = 0x800;
inline constexpr int32_t kDefaultDeviceVersion = 0x100;

// The device whose manufacturer block needs the rewrite.
inline constexpr int32_t kBlockFixDeviceType = 0x800;
inline constexpr int32_t kBlockFixVersion = 0x100;
inline constexpr uint8_t kMfrBlockCmd = 0x23;   // SMBus block: manufacturer data
inline constexpr int16_t kMfrBlockFixLength = 14;  // bytes written back

// The platform whose board offset is sampled directly.
inline constexpr int32_t kBoardOffsetPlatform = 0x8030;
// Sampling: "test.ini" [Samples] NumSamples (default 4), half of it per series.
inline constexpr const char* kTestIniName = "test.ini";
inline constexpr int32_t kDefaultNumSamples = 4;
inline constexpr int16_t kBoardOffsetSampleMs = 250;

// Splits `target_name` at its first ".": the device type is the part before it read as
// hexadecimal, the version the rest with every "." removed, read as hexadecimal. Each keeps
// its start value (0x800, 0x100) when its part is not a hexadecimal number of 1 to 8
// digits; without a "." both keep them. "800.1.02" gives 0x800 and 0x102.
void ParseTargetName(std::string_view target_name, int32_t& device_type, int32_t& version);

// Both corrections, as they apply; 0 when none applies or all succeeded, else the first
// failing status (the correction stops there):
//  - the manufacturer-block rewrite (device 0x800, version 0x100 by ParseTargetName):
//    read block 0x23, write back its first 14 bytes, wait GGModeDFDelay on both sides;
//    a block shorter than 14 bytes is not written back (65617);
//  - the board offset (platform 0x8030 and `cal_board_offset` nonzero): load off, read
//    the sense word 0x71, CalibrateBoardOffsetDirect with NumSamples \ 2 samples of
//    250 ms and `issues` as its limit. NumSamples comes from "test.ini" in
//    `program_folder`; a count that does not fit a 16-bit word gives 65617.
Status RunWorkarounds(CalContext& ctx, std::string_view target_name, int32_t platform,
                      int16_t issues, int16_t cal_board_offset,
                      const std::string& program_folder);

}  // namespace tester
