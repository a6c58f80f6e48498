#pragma once
// Loading the station settings record from Config.ini in the program folder. The file is
// read anew (once) by every load, so edits between loads are always seen.
#include <cstdint>
#include <string>

#include "gauge/station_settings.h"

namespace tester {

// Name of the settings file inside the program folder.
inline constexpr const char* kStationSettingsFile = "Config.ini";

// Reads every key for target `target` (a version text such as "800.1.02"): the "Delay"
// keys always; the rest only when the target holds a "." (then kTrue, else kFalse and
// every other field keeps its previous value). Never fails: values it worked around go to
// settings.warnings, values it could not read to settings.errors (a station with errors
// must not test).
int16_t LoadStationSettings(StationSettings& settings, const std::string& program_folder,
                            const std::string& target);

// "800.1.02" -> device section "800D", version section "800_1_02", kTrue. A name without
// "." gives kFalse and leaves both outputs untouched.
int16_t SplitTargetName(const std::string& target, std::string& device_section,
                        std::string& version_section);

// The layered lookup: the device section's value over `def`, the version section's value
// over that. Reads the value by its leading digits; an entry that is no number is skipped.
int32_t ReadLayeredInt(const std::string& device_section, const std::string& version_section,
                       const std::string& key, int32_t def, const std::string& file);

// Platform section: the platform number as (at least) four upper-case hex digits + "P".
std::string PlatformSectionName(int32_t platform);

// [CalBrd] Use of the program folder's Config.ini (default 1: a calibration board is fitted).
int32_t ReadCalBrdUse(const std::string& program_folder);
// [Temper] Tol of the program folder's Config.ini (default 10).
int32_t ReadTemperTol(const std::string& program_folder);

// The record as "KEY=value" lines in the order of the settings table, keys as they stand
// in Config.ini ("CAL MODE" with its space); each line ends with "\n".
std::string FormatStationSettings(const StationSettings& settings);

}  // namespace tester
