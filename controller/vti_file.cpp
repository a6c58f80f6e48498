#include "controller/vti_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <utility>

#include "platform/profile.h"

namespace tester {
namespace {

const std::pair<const char*, VtiBox> kKeys[] = {
    {"RefVoltage1", kBoxV},         {"RefVoltage2", kBoxV2},       {"RefVoltage3", kBoxV3},
    {"RefVoltage4", kBoxV4},        {"RefCurrent", kBoxI},         {"RefTemperature", kBoxT},
    {"IntTemperature", kBoxIT},     {"ExtTemperature", kBoxET},
};

bool SameName(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool KnownKey(const std::string& key) {
  return std::any_of(std::begin(kKeys), std::end(kKeys),
                     [&](const auto& known) { return SameName(key, known.first); });
}

// The file's values into row `row`; its unknown keys into `notes`.
void TakeSection(VtiGrid& grid, int row, const std::string& file, std::vector<std::string>& notes) {
  const std::string& name = grid.Row(row).name;
  for (const std::string& line : profile::ReadSection(file, name)) {
    if (line.empty() || line[0] == ';') continue;
    const std::string key = Trimmed(line.substr(0, line.find('=')));
    if (!KnownKey(key)) notes.push_back("[" + name + "] " + key + ": no such key, not used");
  }
  for (const auto& [key, box] : kKeys) {
    const profile::RawValue value = profile::ReadRaw(file, name, key);
    if (!value.found) continue;
    if (box == kBoxIT || box == kBoxET) {
      grid.GiveValue(row, box, value.text);
    } else {
      grid.SetText(row, box, value.text);
    }
  }
}

}  // namespace

VtiFileOutcome ApplyVtiFile(const VtiGridParts& parts, const std::string& file) {
  VtiFileOutcome outcome;
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) {
    outcome.notes.push_back("Cannot read the reference values file " + file);
    return outcome;
  }
  outcome.read = true;
  VtiGrid grid(parts);
  grid.Open();
  for (int row = 0; row < grid.NumStations(); ++row) TakeSection(grid, row, file, outcome.notes);
  for (const std::string& section : profile::SectionNames(file)) {
    bool named = false;
    for (int row = 0; row < grid.NumStations(); ++row) {
      named = named || SameName(section, grid.Row(row).name);
    }
    if (!named) outcome.notes.push_back("[" + section + "] names no station, not used");
  }
  outcome.applied = grid.UpdateClose();
  return outcome;
}

}  // namespace tester
