#pragma once
// The settings files the wizard touches through the station configuration object: each
// station's file (named exactly by its custom name) and global.ini, in the program folder.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/tester_config.h"

namespace tester {

using ConfigFactory = std::function<std::unique_ptr<TesterConfig>()>;

// Loads each named station's file, global.ini for an empty name. Empty when every file
// could be read, else one line per file that could not (its path and the reason).
std::string LoadStationFiles(const ConfigFactory& make, const std::string& folder,
                             const std::vector<std::string>& names);

// The end of the set-up: global.ini gets `int_sensor_address`, then every station file gets
// the global settings of global.ini and that address. Each station keeps its own values
// (references, sensor offsets): its file is loaded, the global settings applied, and saved.
// global.ini that cannot be read or holds refused values, and a station file that cannot be
// read, stop before any station file is written. Empty on success, else the message: the
// reason, or the save's error text.
std::string WriteStationFiles(const ConfigFactory& make, const std::string& folder,
                              const std::vector<std::string>& names, int16_t int_sensor_address);

// The files WriteStationFiles would write, loaded and ready but not saved: `global` first.
struct PreparedStationFiles {
  std::unique_ptr<TesterConfig> global;
  std::vector<std::unique_ptr<TesterConfig>> stations;
};
// Empty when WriteStationFiles can go ahead with these files, else why not.
std::string PrepareStationFiles(const ConfigFactory& make, const std::string& folder,
                                const std::vector<std::string>& names,
                                int16_t int_sensor_address, PreparedStationFiles& prepared);

}  // namespace tester
