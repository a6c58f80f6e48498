#include "components/global_config_model.h"

#include <algorithm>
#include <cctype>

#include "common/component_error.h"
#include "components/config_values.h"

namespace tester {
namespace {

std::string Tooltip(const ConfigKey& key) {
  std::string text(key.comment);
  if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  text += ".\nAccepted: " + AcceptedValues(key);
  if (key.kind != ValueKind::kText) text += "; default " + FormatDefault(key);
  return text + ".\nKey: [" + std::string(key.section) + "] " + std::string(key.key);
}

}  // namespace

std::string FieldLabel(std::string_view key) {
  const auto upper = [&](std::size_t i) {
    return i < key.size() && std::isupper(static_cast<unsigned char>(key[i])) != 0;
  };
  const auto lower = [&](std::size_t i) {
    return i < key.size() && std::islower(static_cast<unsigned char>(key[i])) != 0;
  };
  // Words start at a capital after a small letter or a digit, and at the last capital of
  // a run that a small letter follows ("CalCCOffset": Cal, CC, Offset).
  std::vector<std::string> words;
  for (std::size_t i = 0; i < key.size(); ++i) {
    const bool starts = i == 0 || (upper(i) && (!upper(i - 1) || lower(i + 1)));
    if (starts) words.emplace_back();
    words.back() += key[i];
  }
  std::string label;
  for (std::string& word : words) {
    const auto capitals = std::count_if(word.begin(), word.end(), [](char c) {
      return std::isupper(static_cast<unsigned char>(c)) != 0;
    });
    // Acronyms (TS1, VTI, CC) and single letters stay as they are; the first word keeps
    // its capital.
    if (capitals == 1 && word.size() > 1 && !label.empty()) word[0] = static_cast<char>(std::tolower(word[0]));
    label += (label.empty() ? "" : " ") + word;
  }
  return label;
}

GlobalConfigModel::GlobalConfigModel() {
  for (const ConfigKey& key : ConfigKeys()) {
    if (key.scope != KeyScope::kGlobal) continue;
    const std::string title(SectionGroup(key.section));
    if (groups_.empty() || groups_.back().title != title) groups_.push_back({title, {}});
    groups_.back().fields.push_back({&key, FieldLabel(key.key), Tooltip(key)});
  }
}

const GlobalConfigField* GlobalConfigModel::FieldOf(const ConfigKey& key) const {
  for (const GlobalConfigGroup& group : groups_) {
    for (const GlobalConfigField& field : group.fields) {
      if (field.key == &key) return &field;
    }
  }
  return nullptr;
}

std::string GlobalConfigModel::Load(const std::string& path) {
  store_.IniFile = path;
  try {
    store_.LoadGlobalConfig();
  } catch (const ComponentError& error) {
    return error.what();
  }
  return {};
}

std::string GlobalConfigModel::Save(const std::string& path) {
  store_.IniFile = path;
  return store_.SaveGlobalConfig();
}

std::string GlobalConfigModel::Value(const ConfigKey& key) const {
  std::string text = FormatValue(key, store_);
  if (key.kind == ValueKind::kText && text.size() >= 2) text = text.substr(1, text.size() - 2);
  return text;
}

std::string GlobalConfigModel::SetValue(const ConfigKey& key, std::string_view text) {
  const GlobalConfigField* field = FieldOf(key);
  if (field == nullptr) return std::string(key.key) + " is not a global setting";
  std::string problem;
  if (key.kind == ValueKind::kText && text.find_first_of("\r\n") != std::string_view::npos) {
    problem = "holds a line break";
  } else {
    problem = ApplyValue(key, text, store_);  // a refused value leaves the old one
  }
  if (problem.empty()) return {};
  return field->label + " (" + std::string(key.key) + "): \"" + std::string(text) + "\" " +
         problem + "; accepted: " + AcceptedValues(key);
}

}  // namespace tester
