#include "components/serial_range.h"

#include <algorithm>
#include <bitset>
#include <cstdio>
#include <limits>
#include <memory>

#include "common/serial_word.h"

namespace tester {
namespace {

constexpr int64_t kLargestSerial = std::numeric_limits<int32_t>::max();
constexpr int64_t kWords = 65536;

uint16_t WordOf(int64_t n) { return static_cast<uint16_t>(SerialWord16(static_cast<int32_t>(n))); }

std::string RangeText(const SerialRange& r) {
  return std::to_string(r.first) + " to " + std::to_string(r.last);
}

std::string SameWord(int64_t a, int64_t b) {
  return std::to_string(a) + " and " + std::to_string(b) + " would both be written as " +
         SerialWordText(a) + " (the gauge keeps 16 bits: above 65535 only the low 15 bits "
         "and bit 15)";
}

}  // namespace

std::string SerialWordText(int64_t n) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", WordOf(n));
  return text;
}

std::string SerialRangeProblem(const SerialRange& range) {
  if (range.first > range.last) {
    return "the serial range " + RangeText(range) + " is empty or reversed: the first number "
           "must not be larger than the last";
  }
  if (range.first < 1) {
    return "the serial range " + RangeText(range) + " starts below 1 (serial 0 means \"no "
           "serial\")";
  }
  if (range.last > kLargestSerial) {
    return "the serial range " + RangeText(range) + " ends beyond " +
           std::to_string(kLargestSerial) + ", the largest serial number";
  }
  // At most 65535 numbers can have words of their own (0x0000 is never written for 1..65535,
  // and 65535 words remain), so a longer range collides somewhere: the scan finds where.
  auto seen = std::make_unique<std::bitset<kWords>>();
  auto owner = std::make_unique<int64_t[]>(kWords);
  for (int64_t n = range.first; n <= range.last; ++n) {
    const uint16_t word = WordOf(n);
    if (seen->test(word)) {
      return "the serial range " + RangeText(range) + " cannot be written to the gauge: " +
             SameWord(owner[word], n);
    }
    seen->set(word);
    owner[word] = n;
  }
  return {};
}

std::string SerialRangeClash(const SerialRange& range, const std::vector<int64_t>& issued) {
  auto seen = std::make_unique<std::bitset<kWords>>();
  auto owner = std::make_unique<int64_t[]>(kWords);
  for (int64_t n : issued) {
    if (n >= range.first && n <= range.last) continue;
    const uint16_t word = WordOf(n);
    if (!seen->test(word)) owner[word] = n;
    seen->set(word);
  }
  const int64_t end = std::min(range.last, range.first + kWords);
  for (int64_t n = range.first; n <= end; ++n) {
    const uint16_t word = WordOf(n);
    if (seen->test(word)) {
      return "the serial range " + RangeText(range) + " would reuse a word already in a pack: " +
             SameWord(owner[word], n) + ", and " + std::to_string(owner[word]) +
             " was issued earlier";
    }
  }
  return {};
}

}  // namespace tester
