#pragma once
// Sampling in calibration mode: the gauge is told which pass to run through the
// manufacturer-access command (0xF0, mode), then block 0x23 is read until the gauge has
// produced NumSamples new samples (a new value of its sample counter in byte 0), and the
// readings are averaged into a RawCalData record.
//
// Block 0x23 (26 bytes): byte 0 sample counter, byte 1 mode, then twelve little-endian
// values: 0 coulomb counter (signed), 1-4 cell voltages (unsigned), 5-9 signed, 10 and 11
// unsigned (11 = pack voltage). Command set 5 sends four values: 0 coulomb counter, 1 the
// voltage reading, 2 and 3 signed.
#include <cstdint>

#include "calibration/cal_context.h"
#include "calibration/cal_types.h"

namespace tester {

// Pass selectors, written as (0xF0, mode).
inline constexpr uint8_t kSamplePassCurrent = 0x81;  // reference current flowing
inline constexpr uint8_t kSamplePassOffset = 0x82;   // no current: coulomb-counter offset
inline constexpr uint8_t kSamplePassHigh = 0xF0;

// Mode byte of a block taken with the reference current: value 0 is then the current
// reading; with any other mode byte it is the coulomb-counter offset.
inline constexpr int32_t kBlockModeCurrent = 1;

// More reads than this without a new sample counter over one pass mean the gauge is not
// sampling.
inline constexpr int kMaxRepeatedReads = 10;

// Fills `raw` from one pass. Only the fields the pass produces are written: Counter, Mode,
// the cell, further and pack readings, and CurrentRaw or CCOffsetRaw by the mode byte, so
// a current pass and an offset pass can fill one record.
// 0; 1 after more than 10 reads without a new sample ("Unable to enter calibration
// mode." is shown); a failed transfer's status; kStatusCalSamplingFailed when NumSamples
// is below 1 (nothing is sent) or a sample block is shorter than the values it must carry.
Status SampleCalData(CalContext& ctx, RawCalData& raw, uint8_t mode, uint8_t addr);
// The same for command set 5: 350 ms between reads; value 1 goes to CellRaw[0], values 2
// and 3 to Extra[0] and Extra[1].
Status SampleCalData5(CalContext& ctx, RawCalData& raw, uint8_t mode, uint8_t addr);

}  // namespace tester
