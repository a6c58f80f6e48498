#include "setup/station_files.h"

#include <variant>

#include "components/config_keys.h"
#include "platform/paths.h"
#include "setup/setup_texts.h"

namespace tester {
namespace {

std::string FileOf(const std::string& folder, const std::string& name) {
  return JoinProgramPath(folder, name.empty() ? kGlobalFileName : name);
}

// The global settings of `from` into `to`: what LoadGlobalConfig reads.
void CopyGlobalSettings(const TesterConfigProperties& from, TesterConfigProperties& to) {
  for (const ConfigKey& key : ConfigKeys()) {
    if (key.scope != KeyScope::kGlobal) continue;
    std::visit([&](auto member) { to.*member = from.*member; }, key.field);
  }
}

}  // namespace

std::string LoadStationFiles(const ConfigFactory& make, const std::string& folder,
                             const std::vector<std::string>& names) {
  std::string problems;
  for (const std::string& name : names) {
    std::unique_ptr<TesterConfig> config = make();
    config->IniFile = FileOf(folder, name);
    try {
      config->LoadConfig();
    } catch (const ComponentError& error) {
      problems += (problems.empty() ? "" : "\n") + std::string(kMsgStationFile) +
                  config->IniFile + ": " + error.what();
    }
  }
  return problems;
}

std::string PrepareStationFiles(const ConfigFactory& make, const std::string& folder,
                                const std::vector<std::string>& names,
                                int16_t int_sensor_address, PreparedStationFiles& prepared) {
  prepared.global = make();
  TesterConfig& global = *prepared.global;
  global.IniFile = FileOf(folder, "");
  try {
    // Loaded whole, so that its save changes nothing in it but the address.
    global.LoadConfig();
  } catch (const ComponentError& error) {
    return kMsgGlobalFile + std::string(error.what());
  }
  global.IntSensorAddress = int_sensor_address;
  for (const std::string& name : names) {
    prepared.stations.push_back(make());
    TesterConfig& station = *prepared.stations.back();
    station.IniFile = FileOf(folder, name);
    try {
      station.LoadConfig();
    } catch (const ConfigValueError&) {
      // Refused values that are global settings are replaced below; the station's own stay
      // in the file as written, and the engine names them when it sets the station up.
    } catch (const ComponentError& error) {
      return kMsgStationFile + station.IniFile + ": " + error.what();
    }
    CopyGlobalSettings(global, station);
    station.IntSensorAddress = int_sensor_address;
  }
  return {};
}

std::string WriteStationFiles(const ConfigFactory& make, const std::string& folder,
                              const std::vector<std::string>& names,
                              int16_t int_sensor_address) {
  PreparedStationFiles prepared;
  if (std::string error = PrepareStationFiles(make, folder, names, int_sensor_address, prepared);
      !error.empty()) {
    return error;
  }
  if (std::string error = prepared.global->SaveConfig(); !error.empty()) return error;
  for (const std::unique_ptr<TesterConfig>& station : prepared.stations) {
    if (std::string error = station->SaveConfig(); !error.empty()) return error;
  }
  return {};
}

}  // namespace tester
