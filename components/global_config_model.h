#pragma once
// What the global configuration editor shows, without Qt: the global keys of the station
// file key table (config_keys.h) in their editor groups, each with a label, a tooltip from
// the key's documentation and its accepted values, and the values of one settings file as
// texts. The editor widget (components/ui/global_config_editor.h) is a view over it.
//
// Load(path) reads the global keys (LoadGlobalConfig); values the file holds but a key does
// not accept are named in the returned text and shown as the key's default. SetValue checks
// a typed value against its key and names the field when it is refused. Save(path) writes
// the global keys only, atomically, editing the file in place: comments, unknown keys and
// sections, the station's references and sensor offsets stay as they are, and a key whose
// value nobody changed keeps the text it had (TesterConfigStore::SaveGlobalConfig).
#include <string>
#include <string_view>
#include <vector>

#include "components/config_keys.h"
#include "components/tester_config_store.h"

namespace tester {

struct GlobalConfigField {
  const ConfigKey* key = nullptr;
  std::string label;    // "Cell count"
  std::string tooltip;  // documentation, accepted values, default and the key's name
};

struct GlobalConfigGroup {
  std::string title;  // "Test steps"
  std::vector<GlobalConfigField> fields;
};

// "CellCount" -> "Cell count", "TS1CalEnabled" -> "TS1 cal enabled".
std::string FieldLabel(std::string_view key);

class GlobalConfigModel {
public:
  GlobalConfigModel();

  const std::vector<GlobalConfigGroup>& Groups() const { return groups_; }

  // Error text, empty = every value read.
  std::string Load(const std::string& path);
  // Error text naming the field, empty = written.
  std::string Save(const std::string& path);

  // The value as the field shows it (texts without their quotes).
  std::string Value(const ConfigKey& key) const;
  // Takes a typed value; a refused one leaves the field's value as it was and gives the
  // reason, naming the field ("Cell count (CellCount): \"9\" is outside 1 to 4").
  std::string SetValue(const ConfigKey& key, std::string_view text);

private:
  const GlobalConfigField* FieldOf(const ConfigKey& key) const;

  std::vector<GlobalConfigGroup> groups_;
  TesterConfigStore store_;
};

}  // namespace tester
