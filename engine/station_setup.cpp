#include "engine/station_setup.h"

#include <filesystem>

#include "engine/station_cli.h"
#include "engine/target_list.h"
#include "gauge/settings_loader.h"
#include "platform/paths.h"

namespace tester {

Status StartUpStation(Station& station) {
  const Status status = station.board.CalBoardInit();
  LoadStationSettings(station.settings, station.ProgramFolder(), kAttachTarget);
  return status;
}

std::string DefaultStationIni(const std::string& program_folder, const std::string& exe_name) {
  return JoinProgramPath(program_folder, exe_name + ".ini");
}

std::string ImagePathInFolder(const std::string& program_folder, const std::string& image) {
  const std::string path = NativePath(image);
  if (path.empty() || std::filesystem::path(path).is_absolute()) return path;
  return JoinProgramPath(program_folder, path);
}

std::string StationTitle(const std::string& image_file, const std::string& description) {
  return image_file + " (" + description + ")";
}

Status InitCacheFromSetup(Station& station, TesterConfig& config, RunReports& reports,
                          const std::string& default_ini) {
  if (config.IniFile.empty()) config.IniFile = default_ini;
  config.LoadConfig();
  LoadStationSettings(station.settings, station.ProgramFolder(), config.TargetName);
  Status status = 0;
  if (IsFlagOn(config.ProgramDataFlash)) {
    const int commandset = station.settings.COMMANDSET;
    // A failed check must not leave an earlier image (perhaps of another target) in the
    // cache for the next run to program: an empty record matches no gauge's firmware.
    station.CacheFor(commandset) = ImageRecord{};
    status = CheckImageFile(ImagePathInFolder(station.ProgramFolder(), config.DataFlashImageFile),
                            ImageLayoutFor(commandset), station.settings,
                            station.CacheFor(commandset));
  }
  TargetList targets;
  targets.Load(station.ProgramFolder());
  reports.SetWindowTitle(
      StationTitle(config.DataFlashImageFile, targets.TargetNameDesc(config.TargetName)));
  return status;
}

}  // namespace tester
