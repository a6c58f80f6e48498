#include "components/config_values.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "platform/profile.h"

namespace tester {
namespace {

using P = TesterConfigProperties;

// The property a key names, writable or read-only as `props` is.
template <typename T, typename Props>
auto& Field(const ConfigKey& key, Props& props) {
  return props.*std::get<T P::*>(key.field);
}

// Shortest text that reads back as the same float, always with a point or an exponent so
// that it reads as a real ("25.0", not "25").
std::string FormatReal(float value) {
  char buffer[64];
  const std::to_chars_result done = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, done.ptr);
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

std::string FormatWhole(double value) { return std::to_string(static_cast<int64_t>(value)); }

std::string FormatRange(const ConfigKey& key) {
  if (key.kind == ValueKind::kReal) return FormatReal(static_cast<float>(key.min)) + " to " +
                                           FormatReal(static_cast<float>(key.max));
  return FormatWhole(key.min) + " to " + FormatWhole(key.max);
}

std::string ApplyWhole(const ConfigKey& key, std::string_view text, P& props) {
  const profile::IntParse parsed = profile::ParseInt(text);
  if (!parsed.clean) {
    return key.kind == ValueKind::kFlag ? "is not 0 or 1" : "is not a whole number";
  }
  const auto value = static_cast<double>(parsed.value);
  if (parsed.saturated || value < key.min || value > key.max) {
    return key.kind == ValueKind::kFlag ? "is not 0 or 1" : "is outside " + FormatRange(key);
  }
  if (key.kind == ValueKind::kInt32) {
    Field<int32_t>(key, props) = static_cast<int32_t>(parsed.value);
  } else {
    Field<int16_t>(key, props) = static_cast<int16_t>(parsed.value);
  }
  return {};
}

std::string ApplyReal(const ConfigKey& key, std::string_view text, P& props) {
  // from_chars reads the C locale's form whatever the process locale is; it takes no '+'.
  if (text.starts_with('+')) text.remove_prefix(1);
  float value = 0;
  const std::from_chars_result done = std::from_chars(text.data(), text.data() + text.size(),
                                                      value, std::chars_format::general);
  if (text.empty() || done.ec != std::errc{} || done.ptr != text.data() + text.size()) {
    return "is not a number (the decimal separator is a point)";
  }
  if (!std::isfinite(value) || value < key.min || value > key.max) {
    return "is outside " + FormatRange(key);
  }
  Field<float>(key, props) = value;
  return {};
}

}  // namespace

void SetDefault(const ConfigKey& key, P& props) {
  switch (key.kind) {
    case ValueKind::kFlag:
    case ValueKind::kInt16: Field<int16_t>(key, props) = static_cast<int16_t>(key.def); break;
    case ValueKind::kInt32: Field<int32_t>(key, props) = static_cast<int32_t>(key.def); break;
    case ValueKind::kReal: Field<float>(key, props) = static_cast<float>(key.def); break;
    case ValueKind::kText: Field<std::string>(key, props).clear(); break;
  }
}

std::string WriteProblem(const ConfigKey& key, const P& props) {
  if (key.kind == ValueKind::kText &&
      Field<std::string>(key, props).find_first_of("\r\n") != std::string::npos) {
    return std::string(key.key) + " holds a line break";
  }
  if (key.kind == ValueKind::kReal && !std::isfinite(Field<float>(key, props))) {
    return std::string(key.key) + " is not a finite number";
  }
  return {};
}

std::string FormatValue(const ConfigKey& key, const P& props) {
  switch (key.kind) {
    case ValueKind::kFlag:
    case ValueKind::kInt16: return std::to_string(Field<int16_t>(key, props));
    case ValueKind::kInt32: return std::to_string(Field<int32_t>(key, props));
    case ValueKind::kReal: return FormatReal(Field<float>(key, props));
    case ValueKind::kText: return "\"" + Field<std::string>(key, props) + "\"";
  }
  return {};
}

std::string ApplyValue(const ConfigKey& key, std::string_view text, P& props) {
  switch (key.kind) {
    case ValueKind::kReal: return ApplyReal(key, text, props);
    case ValueKind::kText: Field<std::string>(key, props) = std::string(text); return {};
    default: return ApplyWhole(key, text, props);
  }
}

std::string AcceptedValues(const ConfigKey& key) {
  switch (key.kind) {
    case ValueKind::kFlag: return "0 or 1";
    case ValueKind::kInt16:
    case ValueKind::kInt32: return "whole numbers " + FormatRange(key);
    case ValueKind::kReal: return "numbers " + FormatRange(key) + " with a decimal point";
    case ValueKind::kText: return "any text on one line";
  }
  return {};
}

std::string NumberProblem(const ConfigKey& key, double value) {
  if (!std::isfinite(value) || value < key.min || value > key.max) {
    return "is outside " + FormatRange(key);
  }
  if (key.kind != ValueKind::kReal && value != std::trunc(value)) return "is not a whole number";
  return {};
}

const ConfigKey* FindConfigKey(std::string_view name) {
  for (const ConfigKey& key : ConfigKeys()) {
    if (key.key == name) return &key;
  }
  return nullptr;
}

std::string FormatDefault(const ConfigKey& key) {
  switch (key.kind) {
    case ValueKind::kReal: return FormatReal(static_cast<float>(key.def));
    case ValueKind::kText: return "\"\"";
    default: return FormatWhole(key.def);
  }
}

}  // namespace tester
