#include "components/tester_config_store.h"

#include <filesystem>
#include <iterator>
#include <optional>
#include <span>
#include <utility>

#include "common/component_error.h"
#include "components/config_values.h"
#include "platform/ini_document.h"
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

TesterConfigStore::TesterConfigStore() : loaded_(ConfigKeys().size()) {
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

void TesterConfigStore::Rebase(const std::string& path) {
  if (path == loaded_path_) return;
  loaded_path_ = path;
  for (std::optional<std::string>& value : loaded_) value.reset();
}

std::string TesterConfigStore::Path() const { return NativePath(IniFile); }

void TesterConfigStore::Load(Part part) {
  const std::string path = Path();
  if (path.empty()) throw ComponentError("Cannot load settings: no settings file is set");
  std::string error;
  const std::optional<std::string> text = ReadExisting(path, &error);
  if (!text && !error.empty()) throw ComponentError("Cannot load settings: " + error);
  const IniDocument doc = IniDocument::Parse(text.value_or(std::string()));

  problems_.clear();
  Rebase(path);
  const std::span<const ConfigKey> keys = ConfigKeys();
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const ConfigKey& key = keys[i];
    if (!Covers(part, key)) continue;
    SetDefault(key, *this);
    const std::optional<std::string> value = doc.Value(key.section, key.key);
    // An empty number reads as absent, as in every profile read.
    if (value && !(value->empty() && key.kind != ValueKind::kText)) {
      const std::string problem = ApplyValue(key, *value, *this);
      if (!problem.empty()) {
        problems_.push_back(path + ", line " +
                            std::to_string(doc.LineOf(key.section, key.key).value_or(0)) +
                            ": [" + std::string(key.section) + "] " + std::string(key.key) +
                            " = " + Quoted(*value) + " " + problem + "; accepted: " +
                            AcceptedValues(key));
      }
    }
    // What the file now holds for this key as far as a save is concerned: a refused value
    // counts as unchanged, so no save replaces the operator's text with the default.
    loaded_[i] = FormatValue(key, *this);
  }
  if (!problems_.empty()) throw ConfigValueError(problems_);
}

std::string TesterConfigStore::Save(Part part) {
  const std::string path = Path();
  if (path.empty()) return "Settings not saved: no settings file is set";
  const std::span<const ConfigKey> keys = ConfigKeys();
  for (const ConfigKey& key : keys) {
    if (!Covers(part, key)) continue;
    const std::string problem = WriteProblem(key, *this);
    if (!problem.empty()) return "Settings not saved to " + path + ": " + problem;
  }
  std::string error;
  const std::optional<std::string> text = ReadExisting(path, &error);
  // A file that cannot be read cannot be edited without losing what it holds.
  if (!text && !error.empty()) return "Settings not saved: " + error;

  IniDocument doc = IniDocument::Parse(text.value_or(std::string()));
  const bool fresh = doc.Empty();
  // What was loaded from another file says nothing about this one.
  const bool known = path == loaded_path_;
  if (fresh) doc.AppendLines({std::begin(kFileHeader), std::end(kFileHeader)});
  std::vector<std::pair<std::size_t, std::string>> written;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const ConfigKey& key = keys[i];
    if (!Covers(part, key)) continue;
    std::string value = FormatValue(key, *this);
    // An existing file gets only what changed since it was loaded.
    if (!fresh && known && loaded_[i] == value) continue;
    if (!doc.HasSection(key.section)) {
      doc.AppendSection(key.section, {"; " + std::string(SectionComment(key.section))});
    }
    doc.Set(key.section, key.key, value, {"; " + std::string(key.comment)});
    written.emplace_back(i, std::move(value));
  }
  if (!WriteFileAtomically(path, doc.Render(), &error)) return "Settings not saved: " + error;
  Rebase(path);
  for (auto& [i, value] : written) loaded_[i] = std::move(value);
  return {};
}

void TesterConfigStore::LoadConfig() { Load(Part::kAll); }
void TesterConfigStore::LoadGlobalConfig() { Load(Part::kGlobal); }
void TesterConfigStore::LoadVTIConfig() { Load(Part::kReferences); }
void TesterConfigStore::LoadTempConfig() { Load(Part::kTempOffsets); }

std::string TesterConfigStore::SaveConfig() { return Save(Part::kAll); }
std::string TesterConfigStore::SaveVTIConfig() { return Save(Part::kReferences); }
std::string TesterConfigStore::SaveTempConfig() { return Save(Part::kTempOffsets); }
std::string TesterConfigStore::SaveGlobalConfig() { return Save(Part::kGlobal); }

}  // namespace tester
