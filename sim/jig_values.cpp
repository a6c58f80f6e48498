#include "sim/jig_values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace tester {

std::string TrimJig(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

std::optional<int64_t> ParseJigInt(const std::string& text, int64_t min, int64_t max) {
  std::string t = TrimJig(text);
  bool negative = false;
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
    negative = t[0] == '-';
    t.erase(0, 1);
  }
  int base = 10;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    t.erase(0, 2);
  }
  if (t.empty() || t.size() > 18) return std::nullopt;
  for (char c : t) {
    bool ok = base == 16 ? std::isxdigit(static_cast<unsigned char>(c))
                         : std::isdigit(static_cast<unsigned char>(c));
    if (!ok) return std::nullopt;
  }
  int64_t value = std::strtoll(t.c_str(), nullptr, base);
  if (negative) value = -value;
  if (value < min || value > max) return std::nullopt;
  return value;
}

// Read with from_chars, not strtod: the station programs run under the user's locale,
// where strtod would take "24,5" and refuse "24.5". Decimal only, as the file format says.
std::optional<double> ParseJigReal(const std::string& text, double min, double max) {
  std::string t = TrimJig(text);
  if (!t.empty() && t[0] == '+') {
    t.erase(0, 1);
    if (!t.empty() && t[0] == '-') return std::nullopt;
  }
  if (t.empty()) return std::nullopt;
  double value = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(value) ||
      value < min || value > max) {
    return std::nullopt;
  }
  return value;
}

std::optional<bool> ParseJigFlag(const std::string& text) {
  std::string t = TrimJig(text);
  for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (t == "yes" || t == "true" || t == "1" || t == "on") return true;
  if (t == "no" || t == "false" || t == "0" || t == "off") return false;
  return std::nullopt;
}

std::vector<std::string> SplitJigList(const std::string& text) {
  std::vector<std::string> items;
  std::string current;
  for (char c : text) {
    if (c == ',' || std::isspace(static_cast<unsigned char>(c))) {
      if (!current.empty()) items.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) items.push_back(current);
  return items;
}

std::optional<std::vector<int64_t>> ParseJigIntList(const std::string& text, int64_t min,
                                                    int64_t max) {
  std::vector<int64_t> values;
  for (const std::string& item : SplitJigList(text)) {
    auto value = ParseJigInt(item, min, max);
    if (!value) return std::nullopt;
    values.push_back(*value);
  }
  return values;
}

std::optional<std::vector<double>> ParseJigRealList(const std::string& text, double min,
                                                    double max, std::size_t max_count) {
  std::vector<double> values;
  for (const std::string& item : SplitJigList(text)) {
    auto value = ParseJigReal(item, min, max);
    if (!value || values.size() == max_count) return std::nullopt;
    values.push_back(*value);
  }
  if (values.empty()) return std::nullopt;
  return values;
}

// The ranges are merged before they are expanded, so a row named many times (or a long
// line of overlapping ranges) costs nothing more than naming it once.
std::optional<std::vector<int>> ParseJigRanges(const std::string& text, int min, int max) {
  std::vector<std::pair<int64_t, int64_t>> ranges;
  for (const std::string& item : SplitJigList(text)) {
    size_t dash = item.find('-', 1);
    auto first = ParseJigInt(item.substr(0, dash), min, max);
    auto last = dash == std::string::npos ? first : ParseJigInt(item.substr(dash + 1), min, max);
    if (!first || !last || *last < *first) return std::nullopt;
    ranges.emplace_back(*first, *last);
  }
  std::sort(ranges.begin(), ranges.end());
  std::vector<int> values;
  int64_t next = INT64_MIN;  // first value not yet listed
  for (const auto& [first, last] : ranges) {
    for (int64_t v = std::max(first, next); v <= last; ++v) values.push_back(static_cast<int>(v));
    next = std::max(next, last + 1);
  }
  return values;
}

std::optional<std::vector<uint8_t>> ParseJigHexBytes(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    digits += c;
  }
  if (digits.empty() || digits.size() % 2 != 0) return std::nullopt;
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < digits.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::strtoul(digits.substr(i, 2).c_str(), nullptr, 16)));
  }
  return bytes;
}

}  // namespace tester
