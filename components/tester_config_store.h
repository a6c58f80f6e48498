#pragma once
// The station configuration kept in a settings file of our own layout (docs/station-file.md):
// one INI file per station plus global.ini, all in the same format, so the setup wizard can
// copy the global switches into every station file.
//
// Loads: a missing file or key leaves the property at its default. A value the property
// does not accept (letters in a number, out of range) leaves that property at its default,
// the rest of the load goes on, and the load then throws ConfigValueError listing every
// such value with its file, line and accepted values (also kept in Problems()). A file that
// exists but cannot be read (a folder, no permission) throws ComponentError and leaves
// every property as it was.
//
// Saves: build the whole new text and replace the file once, atomically. The existing file
// is edited in place: its comments, unknown keys and key order stay, and only the keys
// whose values differ from what the last load (or save) of them gave are written, added
// where the file lacks them; a key no load of this same file has read is always written. A refused value
// counts as loaded, so it stays in the file until someone sets that property. A new file
// gets the full commented layout. A failed save returns the reason and leaves the old file
// intact.
#include <optional>
#include <string>
#include <vector>

#include "common/tester_config.h"
#include "components/config_keys.h"

namespace tester {

class TesterConfigStore : public TesterConfig {
public:
  // Every property at its default; IniFile empty.
  TesterConfigStore();

  void LoadConfig() override;
  void LoadGlobalConfig() override;
  std::string SaveConfig() override;
  void LoadVTIConfig() override;
  std::string SaveVTIConfig() override;
  void LoadTempConfig() override;
  std::string SaveTempConfig() override;

  // Writes the keys LoadGlobalConfig reads and nothing else (the global configuration
  // editor: a station file's references and sensor offsets stay as they are).
  std::string SaveGlobalConfig();

  // The values the last load refused, one line each; cleared by every load.
  const std::vector<std::string>& Problems() const { return problems_; }

private:
  // The keys one operation covers.
  enum class Part { kAll, kGlobal, kReferences, kTempOffsets };

  static bool Covers(Part part, const ConfigKey& key);
  void Load(Part part);
  std::string Save(Part part);
  // Forgets what was loaded when `path` is another file than the one it came from.
  void Rebase(const std::string& path);
  // IniFile as the file system names it.
  std::string Path() const;

  std::vector<std::string> problems_;
  // Per key of ConfigKeys(): its value as last loaded or saved, written form; empty =
  // never loaded (then a save writes it).
  std::vector<std::optional<std::string>> loaded_;
  std::string loaded_path_;  // the file loaded_ describes
};

}  // namespace tester
