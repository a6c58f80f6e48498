#include "setup/custom_names.h"

#include <algorithm>
#include <cctype>

#include "common/gauge_control.h"

namespace tester {
namespace {

std::string Twice(const std::string& name) {
  return std::string(kMsgTheCustomName) + name + kMsgAppearsTwice + "\n" + kMsgSelectUnique +
         "\n" + kMsgNameIsIdentifier + "\n" + kMsgNotSaved;
}

std::string IdsNotUnique() { return std::string(kMsgIdsNotUnique) + "\n" + kMsgNotSaved; }

}  // namespace

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

std::string WithoutSpaces(const std::string& name) {
  std::string out;
  std::ranges::copy_if(name, std::back_inserter(out), [](char c) { return c != ' '; });
  return out;
}

bool IsSafeStationName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::ranges::none_of(name, [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == '[' || c == ']' || c == '"';
  });
}

bool IsFactoryIdentifier(const std::string& identifier) {
  return identifier == kFactoryAdapterId || identifier == kFactoryAdapterIdOther;
}

std::string CheckCustomNames(BoardRows& rows, int count) {
  for (int i = 0; i < count; ++i) rows[i].custom_name = WithoutSpaces(rows[i].custom_name);
  for (int i = 0; i < count; ++i) {
    const std::string& name = rows[i].custom_name;
    if (name.empty()) return kMsgBlankName;
    if (!IsSafeStationName(name)) return kMsgTheCustomName + name + kMsgUnsafeName;
    for (int j = 0; j < count; ++j) {
      if (j != i && SameIgnoringCase(name, rows[j].custom_name)) return Twice(name);
    }
    // An adapter still carrying its factory identifier shares it with every fresh adapter:
    // mapped under it, the next fresh adapter would take this station's name.
    if (IsFactoryIdentifier(rows[i].identifier)) return IdsNotUnique();
    for (int j = 0; j < count; ++j) {
      if (j != i && rows[i].identifier == rows[j].identifier) return IdsNotUnique();
    }
  }
  return {};
}

}  // namespace tester
