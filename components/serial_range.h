#pragma once
// The rules a serial counter's range (first, last) must keep, in plain words. The serial
// writers store 16 bits: up to 65535 a number as it is, above it only its low 15 bits with
// bit 15 set (common/serial_word.h). Two numbers of one range must never land in the gauge
// as the same word, and 0 means "no serial" in a completion report.
#include <cstdint>
#include <string>
#include <vector>

namespace tester {

struct SerialRange {
  int64_t first = 1;
  int64_t last = 65535;
  bool operator==(const SerialRange&) const = default;
};

// The range a fresh counter starts with: the largest one whose numbers all write their own
// word.
inline constexpr SerialRange kDefaultSerialRange{1, 65535};

// Empty when `range` is sound; else what is wrong: empty or reversed, below 1, beyond the
// largest 32-bit number, or two numbers that would write the same 16-bit word (naming them).
std::string SerialRangeProblem(const SerialRange& range);

// Empty when no number of `range` writes the same word as a number of `issued` outside it
// (numbers an earlier range handed out); else which two collide.
std::string SerialRangeClash(const SerialRange& range, const std::vector<int64_t>& issued);

// "0x8001": the word as the trace and the docs write it.
std::string SerialWordText(int64_t n);

}  // namespace tester
