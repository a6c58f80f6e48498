#include "components/tester_config_store.h"

#include <filesystem>
#include <iterator>
#include <optional>

#include "common/component_error.h"
#include "components/config_values.h"
#include "components/ini_document.h"
#include "platform/atomic_file.h"
#include "platform/paths.h"

namespace tester {
namespace {

// Opening lines of a settings file the store creates.
constexpr std::string_view kFileHeader[] = {
    "; Station settings of the battery-pack tester.",
    "; Keys, defaults and accepted values: docs/station-file.md. A missing key takes its",
    "; default; flags are 0 (off) or 1 (on); texts stand in double quotes.",
};

// Longest piece of a bad value quoted in a warning.
constexpr std::size_t kMaxQuotedValue = 40;

std::string Quoted(std::string_view value) {
  std::string out = "\"";
  for (const char c : value.substr(0, kMaxQuotedValue)) {
    out += (static_cast<unsigned char>(c) < 0x20) ? '?' : c;
  }
  if (value.size() > kMaxQuotedValue) out += "...";
  return out + "\"";
}

// The file's contents; nullopt when it does not exist (which is no error).
std::optional<std::string> ReadExisting(const std::string& path, std::string* error) {
  std::optional<std::string> text = ReadWholeFile(path, error);
  if (text) return text;
  std::error_code ec;
  const bool exists = std::filesystem::exists(path, ec);
  if (!exists && !ec) error->clear();
  return std::nullopt;
}

}  // namespace

TesterConfigStore::TesterConfigStore() {
  for (const ConfigKey& key : ConfigKeys()) SetDefault(key, *this);
}

bool TesterConfigStore::Covers(Part part, const ConfigKey& key) {
  switch (part) {
    case Part::kAll: return true;
    case Part::kGlobal: return key.scope == KeyScope::kGlobal;
    case Part::kReferences: return key.scope == KeyScope::kReference;
    case Part::kTempOffsets: return key.scope == KeyScope::kTempOffset;
  }
  return false;
}

std::string TesterConfigStore::Path() const { return NativePath(IniFile); }

void TesterConfigStore::Load(Part part) {
  const std::string path = Path();
  if (path.empty()) throw ComponentError("Cannot load settings: no settings file is set");
  std::string error;
  const std::optional<std::string> text = ReadExisting(path, &error);
  if (!text && !error.empty()) throw ComponentError("Cannot load settings: " + error);
  const IniDocument doc = IniDocument::Parse(text.value_or(std::string()));

  warnings_.clear();
  for (const ConfigKey& key : ConfigKeys()) {
    if (!Covers(part, key)) continue;
    SetDefault(key, *this);
    const std::optional<std::string> value = doc.Value(key.section, key.key);
    // An empty number reads as absent, as in every profile read.
    if (!value || (value->empty() && key.kind != ValueKind::kText)) continue;
    const std::string problem = ApplyValue(key, *value, *this);
    if (problem.empty()) continue;
    warnings_.push_back(path + ": [" + std::string(key.section) + "] " + std::string(key.key) +
                        " = " + Quoted(*value) + " " + problem + "; the default " +
                        FormatDefault(key) + " is used");
  }
}

std::string TesterConfigStore::Save(Part part) const {
  const std::string path = Path();
  if (path.empty()) return "Settings not saved: no settings file is set";
  for (const ConfigKey& key : ConfigKeys()) {
    if (!Covers(part, key)) continue;
    const std::string problem = WriteProblem(key, *this);
    if (!problem.empty()) return "Settings not saved to " + path + ": " + problem;
  }
  std::string error;
  const std::optional<std::string> text = ReadExisting(path, &error);
  // A file that cannot be read cannot be edited without losing what it holds.
  if (!text && !error.empty()) return "Settings not saved: " + error;

  IniDocument doc = IniDocument::Parse(text.value_or(std::string()));
  if (doc.Empty()) doc.AppendLines({std::begin(kFileHeader), std::end(kFileHeader)});
  for (const ConfigKey& key : ConfigKeys()) {
    if (!Covers(part, key)) continue;
    if (!doc.HasSection(key.section)) {
      doc.AppendSection(key.section, {"; " + std::string(SectionComment(key.section))});
    }
    doc.Set(key.section, key.key, FormatValue(key, *this), {"; " + std::string(key.comment)});
  }
  if (!WriteFileAtomically(path, doc.Render(), &error)) return "Settings not saved: " + error;
  return {};
}

void TesterConfigStore::LoadConfig() { Load(Part::kAll); }
void TesterConfigStore::LoadGlobalConfig() { Load(Part::kGlobal); }
void TesterConfigStore::LoadVTIConfig() { Load(Part::kReferences); }
void TesterConfigStore::LoadTempConfig() { Load(Part::kTempOffsets); }

std::string TesterConfigStore::SaveConfig() { return Save(Part::kAll); }
std::string TesterConfigStore::SaveVTIConfig() { return Save(Part::kReferences); }
std::string TesterConfigStore::SaveTempConfig() { return Save(Part::kTempOffsets); }

}  // namespace tester
