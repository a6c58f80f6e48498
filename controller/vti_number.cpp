#include "controller/vti_number.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "common/rounding.h"

namespace tester {
namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// The whole (trimmed) text as a finite decimal number.
std::optional<double> Parse(const std::string& text, std::string& why) {
  std::string t = Trimmed(text);
  if (!t.empty() && t[0] == '+') t.erase(0, 1);
  // from_chars also takes "inf" and "nan"; a box takes digits only.
  const bool digits_only = t.find_first_not_of("0123456789.eE+-") == std::string::npos;
  double value = 0;
  const char* end = t.data() + t.size();
  const auto [ptr, ec] = std::from_chars(t.data(), end, value);
  if (t.empty() || !digits_only || ec != std::errc() || ptr != end || !std::isfinite(value)) {
    why = "\"" + text + "\" is not a number";
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<int16_t> VtiToInt16(const std::string& text, std::string& why) {
  const std::optional<double> value = Parse(text, why);
  if (!value) return std::nullopt;
  const double rounded = RoundHalfEven(*value);
  if (rounded < -32768.0 || rounded > 32767.0) {
    why = "\"" + text + "\" is outside -32768 to 32767";
    return std::nullopt;
  }
  return static_cast<int16_t>(rounded);
}

std::optional<float> VtiToSingle(const std::string& text, std::string& why) {
  const std::optional<double> value = Parse(text, why);
  if (!value) return std::nullopt;
  if (std::fabs(*value) > static_cast<double>(std::numeric_limits<float>::max())) {
    why = "\"" + text + "\" is too large";
    return std::nullopt;
  }
  return static_cast<float>(*value);
}

std::string VtiText(int32_t value) { return std::to_string(value); }

std::string VtiText(float value) {
  char buffer[32];
  const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, ptr) : std::string("0");
}

std::string VtiTenthsText(int16_t tenths) {
  const int whole = tenths / 10;
  const int rest = std::abs(tenths % 10);
  std::string text = (tenths < 0 && whole == 0) ? "-0" : std::to_string(whole);
  if (rest != 0) text += "." + std::to_string(rest);
  return text;
}

}  // namespace tester
