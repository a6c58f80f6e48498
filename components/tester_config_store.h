#pragma once
// The station configuration kept in a settings file of our own layout (docs/station-file.md):
// one INI file per station plus global.ini, all in the same format, so the setup wizard can
// copy the global switches into every station file.
//
// Loads: a missing file or key leaves the property at its default; a value the property
// does not accept (letters in a number, out of range) also leaves the default and adds a
// line to Warnings(). A file that exists but cannot be read (a folder, no permission)
// throws ComponentError and leaves every property as it was.
//
// Saves: build the whole new text and replace the file once, atomically. The existing file
// is edited in place: its comments, unknown keys and key order stay, only the values of the
// saved keys change, and keys or sections it lacks are added. A new file gets the full
// commented layout. A failed save returns the reason and leaves the old file intact.
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

  // What the last load found wrong in the file, one line each; cleared by every load.
  const std::vector<std::string>& Warnings() const { return warnings_; }

private:
  // The keys one operation covers.
  enum class Part { kAll, kGlobal, kReferences, kTempOffsets };

  static bool Covers(Part part, const ConfigKey& key);
  void Load(Part part);
  std::string Save(Part part) const;
  // IniFile as the file system names it.
  std::string Path() const;

  std::vector<std::string> warnings_;
};

}  // namespace tester
