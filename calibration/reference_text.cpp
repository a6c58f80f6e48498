#include "calibration/reference_text.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "common/rounding.h"

namespace tester {
namespace {

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits from `at`; their count.
std::size_t Digits(std::string_view text, std::size_t& at) {
  const std::size_t start = at;
  while (at < text.size() && IsDigit(text[at])) ++at;
  return at - start;
}

std::optional<double> NumberFromText(std::string_view text) {
  if (!IsNumericText(text)) return std::nullopt;
  std::string_view number = Trimmed(text);
  if (number.front() == '+') number.remove_prefix(1);
  double value = 0.0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
  return value;
}

// The shortest text that reads back as the same single-precision number ("24.7", "25").
std::string ValueText(float value) {
  char buffer[64];
  const auto done = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, done.ptr);
}

}  // namespace

bool IsNumericText(std::string_view text) {
  const std::string_view number = Trimmed(text);
  std::size_t at = 0;
  if (at < number.size() && (number[at] == '+' || number[at] == '-')) ++at;
  std::size_t digits = Digits(number, at);
  if (at < number.size() && number[at] == '.') {
    ++at;
    digits += Digits(number, at);
  }
  if (digits == 0) return false;
  if (at < number.size() && (number[at] == 'e' || number[at] == 'E')) {
    ++at;
    if (at < number.size() && (number[at] == '+' || number[at] == '-')) ++at;
    if (Digits(number, at) == 0) return false;
  }
  return at == number.size();
}

std::optional<int32_t> WholeNumberFromText(std::string_view text) {
  const std::optional<double> value = NumberFromText(text);
  if (!value || !std::isfinite(*value)) return std::nullopt;
  const double rounded = RoundHalfEven(*value);
  if (rounded < std::numeric_limits<int32_t>::min() ||
      rounded > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int32_t>(rounded);
}

std::optional<float> SingleFromText(std::string_view text) {
  const std::optional<double> value = NumberFromText(text);
  if (!value || !std::isfinite(*value) ||
      std::fabs(*value) > static_cast<double>(std::numeric_limits<float>::max())) {
    return std::nullopt;
  }
  return static_cast<float>(*value);
}

ReferenceTexts ReferencesToTexts(const TesterConfigProperties& config) {
  ReferenceTexts texts;
  texts.voltage = {std::to_string(config.RefVoltage1), std::to_string(config.RefVoltage2),
                   std::to_string(config.RefVoltage3), std::to_string(config.RefVoltage4)};
  texts.current = std::to_string(config.RefCurrent);
  texts.temperature = ValueText(config.RefTemperature);
  return texts;
}

bool TextsToReferences(const ReferenceTexts& texts, TesterConfigProperties& config) {
  std::array<int32_t, 4> volts{};
  for (std::size_t i = 0; i < volts.size(); ++i) {
    const std::optional<int32_t> value = WholeNumberFromText(texts.voltage[i]);
    if (!value) return false;
    volts[i] = *value;
  }
  const std::optional<int32_t> current = WholeNumberFromText(texts.current);
  const std::optional<float> temperature = SingleFromText(texts.temperature);
  if (!current || !temperature) return false;
  config.RefVoltage1 = volts[0];
  config.RefVoltage2 = volts[1];
  config.RefVoltage3 = volts[2];
  config.RefVoltage4 = volts[3];
  config.RefCurrent = *current;
  config.RefTemperature = *temperature;
  return true;
}

}  // namespace tester
