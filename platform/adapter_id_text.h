#pragma once
// The text form of an adapter identifier: 16 bytes as 32 hexadecimal digits, upper case.
#include <cctype>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tester {

inline constexpr size_t kAdapterIdDigits = 32;

// `text` as a well-formed identifier, or nothing.
inline std::optional<std::string> NormalizedAdapterId(std::string_view text) {
  if (text.size() != kAdapterIdDigits) return std::nullopt;
  std::string id;
  for (char c : text) {
    if (std::isxdigit(static_cast<unsigned char>(c)) == 0) return std::nullopt;
    id += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return id;
}

}  // namespace tester
