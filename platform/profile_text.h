#pragma once
// Text rules shared by everything that reads profile (INI) files: blanks trimmed around
// names and values, names compared ignoring ASCII case, a value in matching quotes taken
// without them, and the byte-order mark an editor may put before the first line.
#include <cstddef>
#include <string>
#include <string_view>

namespace tester::profile_text {

// Characters trimmed around names, values and lines.
inline constexpr std::string_view kBlanks = " \t\r\v\f";
// Byte-order mark an editor may put before the first line; it is no part of the line.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

inline std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// A name in the one spelling that compares by plain equality (for indexes by name).
inline std::string LowerName(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = Lower(c);
  return lower;
}

inline std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == '"' || value.front() == '\'')) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace tester::profile_text
