#include "setup/jig_setup_file.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/ini_document.h"
#include "platform/profile.h"

namespace tester {
namespace {

constexpr std::size_t kMaxValueChars = 255;

// Reads the file, lets `change` edit it and writes it back in one step. A missing file
// starts empty; one that exists but cannot be read is left alone.
bool Rewrite(const std::string& jig_file, const std::function<void(IniDocument&)>& change) {
  std::optional<std::string> text = ReadWholeFile(jig_file, nullptr);
  if (!text) {
    std::error_code ec;
    if (std::filesystem::exists(jig_file, ec) || ec) return false;
    text.emplace();
  }
  IniDocument document = IniDocument::Parse(*text);
  change(document);
  return WriteFileAtomically(jig_file, document.Render(), nullptr);
}

const char* Flag(bool on) { return on ? "1" : "0"; }

}  // namespace

std::string CustomNameFromIni(const std::string& jig_file, const std::string& identifier) {
  return profile::ReadString(jig_file, kBoardMappingSection, identifier, "", kMaxValueChars);
}

bool SaveBoardMapping(const std::string& jig_file, const BoardRows& rows, int count) {
  return Rewrite(jig_file, [&](IniDocument& document) {
    document.RemoveSection(kBoardMappingSection);
    document.AppendSection(kBoardMappingSection, {});
    for (int i = 0; i < count; ++i) {
      document.SetPlain(kBoardMappingSection, rows[i].identifier, rows[i].custom_name);
    }
  });
}

bool SaveSensorInfo(const std::string& jig_file, const BoardRows& rows, int count) {
  return Rewrite(jig_file, [&](IniDocument& document) {
    for (int i = 0; i < count; ++i) {
      const BoardRow& row = rows[i];
      document.SetPlain(row.custom_name, "ITS", Flag(row.its));
      document.SetPlain(row.custom_name, "ETS", Flag(row.ets));
      document.SetPlain(row.custom_name, "DoTesting", Flag(row.test));
      document.SetPlain(row.custom_name, "AdvancedBd", row.advanced ? "True" : "False");
    }
  });
}

std::string StoredProbe(const std::string& jig_file, const std::string& station) {
  return profile::ReadString(jig_file, station, "Probe", "", kMaxValueChars);
}

bool SaveProbes(const std::string& jig_file,
                const std::vector<std::pair<std::string, std::string>>& probes) {
  return Rewrite(jig_file, [&](IniDocument& document) {
    for (const auto& [station, probe] : probes) document.SetPlain(station, "Probe", probe);
  });
}

}  // namespace tester
