#include "engine/station_setup.h"

#include <filesystem>

#include "components/image_digest.h"
#include "engine/target_list.h"
#include "gauge/station_settings.h"
#include "platform/paths.h"

namespace tester {

Status StartUpStation(Station& station) {
  const Status status = station.board.CalBoardInit();
  LoadStationSettings(station.settings, station.ProgramFolder(), kAttachTarget);
  return status;
}

Attached AttachStation(Station& station, GaugeControl& control, Status& board,
                       const std::function<bool()>& identify) {
  station.link.BindGaugeControl(&control);
  if (station.link.OpenFirstAdapter(&station.adapter_id) != kTrue) return Attached::kNoAdapter;
  if (identify && !identify()) return Attached::kSkipped;
  board = StartUpStation(station);
  return Attached::kStarted;
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

namespace {

// One command set of each image cache's family.
constexpr int kCommandSetSMBus = 1;
constexpr int kCommandSetRegisterLoader = 5;

// The golden image against its digest file: a mismatch (or a digest that cannot be read)
// refuses the image, a missing digest is a warning unless the station requires one.
Status CheckDigest(SetupFindings& setup, const std::string& image, bool required) {
  const DigestCheck digest = CheckImageDigest(image);
  setup.image_sha256 = digest.sha256;
  switch (digest.verdict) {
    case DigestVerdict::kMatch: return 0;
    case DigestVerdict::kMissing:
      if (!required) {
        setup.warnings.push_back("Warning: " + digest.message);
        return 0;
      }
      setup.refusals.push_back(digest.message + " (the station file requires one)");
      return kStatusImageFileBadHeader;
    case DigestVerdict::kMismatch:
    case DigestVerdict::kInvalid: break;
  }
  setup.refusals.push_back(digest.message);
  return kStatusImageFileBadHeader;
}

}  // namespace

Status InitCacheFromSetup(Station& station, TesterConfig& config, SingleSiteEvents& reports,
                          const std::string& default_ini) {
  if (config.IniFile.empty()) config.IniFile = default_ini;
  SetupFindings& setup = station.setup;
  setup = SetupFindings{};
  try {
    config.LoadConfig();
  } catch (const ConfigValueError& error) {
    setup.refusals = error.Problems();
  }
  LoadStationSettings(station.settings, station.ProgramFolder(), config.TargetName);
  const StationSettings& settings = station.settings;
  setup.refusals.insert(setup.refusals.end(), settings.errors.begin(), settings.errors.end());
  for (const std::string& warning : settings.warnings) {
    setup.warnings.push_back("Warning: " + warning);
  }

  Status status = 0;
  const int commandset = settings.COMMANDSET;
  if (!setup.refusals.empty()) {
    // Nothing is tested with settings nobody chose, nor programmed from an earlier set-up
    // (of either family: the command set itself may be one of the values refused).
    station.CacheFor(kCommandSetSMBus) = ImageRecord{};
    station.CacheFor(kCommandSetRegisterLoader) = ImageRecord{};
    status = kStatusSettingsRefused;
  } else if (IsFlagOn(config.ProgramDataFlash)) {
    // A failed check must not leave an earlier image (perhaps of another target) in the
    // cache for the next run to program: an empty record matches no gauge's firmware.
    station.CacheFor(commandset) = ImageRecord{};
    setup.image_file = ImagePathInFolder(station.ProgramFolder(), config.DataFlashImageFile);
    ImageRecord image;
    status = CheckImageFile(setup.image_file, ImageLayoutFor(commandset), settings, image);
    if (status == 0) {
      status = CheckDigest(setup, setup.image_file, IsFlagOn(config.RequireImageDigest));
    }
    if (status == 0) station.CacheFor(commandset) = image;
  }
  for (const std::string& warning : setup.warnings) reports.CurrentStatus(warning, vb_cbReady);
  TargetList targets;
  targets.Load(station.ProgramFolder());
  reports.SetWindowTitle(
      StationTitle(config.DataFlashImageFile, targets.TargetNameDesc(config.TargetName)));
  return status;
}

std::string SetupRefusalText(const SetupFindings& setup) {
  std::string text;
  for (const std::string& line : setup.refusals) text += (text.empty() ? "" : "\n") + line;
  return text;
}

}  // namespace tester
