#pragma once
// Station settings: every timing, command code, data-flash location and capability
// flag that depends on the gauge type, loaded from Config.ini in the application
// folder. Values are looked up in the device section (e.g. "800D"), overridden by the
// firmware-version section ("800_1_02"); data-flash geometry comes from the platform
// section ("8024P").
#include <cstdint>
#include <string>
#include <vector>

namespace tester {

// One record per station. Before the first load every field is 0. Field names are
// the Config.ini keys ("CAL MODE" becomes CAL_MODE).
struct StationSettings {
  // [Delay]
  int32_t CB_V_SETTLE = 0;
  int32_t CB_I_SETTLE = 0;
  int32_t LOAD_VI_SETTLE = 0;
  int32_t USB_RESP_TIME = 0;
  // layered: device section, then version section
  int16_t QZMAC = 0;
  int32_t GG_FWEXEC = 0;
  int32_t CalWr = 0;
  int32_t CalWrSig = 0;
  int32_t DF_IMAGE_SZ = 0;
  int16_t RetROMCmd = 0;
  int16_t RetROMWd = 0;
  int16_t CalibrationClsID = 0;
  int16_t KFactorOverrideOffset = 0;
  int16_t KFactorOverride = 0;
  int16_t KFactorCell1Offset = 0;
  int16_t UseKFactor = 0;
  int16_t BoardOffsetOffset = 0;
  int16_t CCOffsetSampleOffset = 0;
  int16_t CCOffsetOffset = 0;
  int16_t DateClsID = 0;
  int16_t DateOffset = 0;
  int16_t MfDataClsID = 0;
  int16_t PkLotOffset = 0;
  int16_t PkLotValid = 0;
  int16_t RegistersClsID = 0;
  int16_t SerialClsID = 0;
  int16_t SerialOffset = 0;
  int16_t ShowVBATInput = 0;
  int32_t Platform = 0;
  // platform section only
  int32_t DF_ERASEROW = 0;
  int32_t DF_MASSERASE = 0;
  int32_t DF_PROGROW = 0;
  int32_t DF_CHECKSUM_COMPUTE_DELAY = 0;
  int16_t DF_BASE_ADDR = 0;
  int16_t DF_MAX_SZ = 0;
  int16_t DF_PROGROW_SZ = 0;
  int16_t DF_ERASEROW_SZ = 0;
  int16_t DF_CHKSUM_SZ = 0;
  int16_t BoardOffsetMaxDiff = 0;
  int16_t Process_UseNewMain = 0;
  // device section only
  int16_t NumSamples = 0;
  int16_t COMMANDSET = 0;
  int16_t Cell1ReadCommand = 0;
  int16_t DELTA = 0;
  int16_t MANUFACTURE_STATUS_COMMAND = 0;
  int16_t CAL_MODE = 0;
  int16_t IntTSSupported = 0;
  int16_t TS1Supported = 0;
  int16_t TS2Supported = 0;
  int16_t TS3Supported = 0;
  int16_t TS4Supported = 0;
  int16_t IntTSReadTemperature = 0;
  int16_t TS1ReadTemperature = 0;
  int16_t TS2ReadTemperature = 0;
  int16_t TS3ReadTemperature = 0;
  int16_t TS4ReadTemperature = 0;
  // layered, with defaults computed from the platform values
  int32_t GGModeDFDelay = 0;
  int32_t SBSWrDelay = 0;
  int16_t ITOff_DFOff = 0;
  int16_t ET1Off_DFOff = 0;
  int16_t ET2Off_DFOff = 0;
  // device section only
  int16_t SkipVBATCal = 0;
  int16_t ToggleTempBit = 0;

  // Manufacturer-access command used by calibration: a copy of QZMAC made at the end
  // of every full load.
  int16_t maCommand = 0;

  // What the last load noticed but could work around (a value beyond its field's range,
  // which keeps the value it would have had without that entry), one line each naming
  // file, line, section and key.
  std::vector<std::string> warnings;
  // Values the last load could not read as numbers ("1O00", "12x", "abc"): the field holds
  // its fallback, which nobody chose, so a station with any of these must not test.
  std::vector<std::string> errors;
};

// Command-set families (value of COMMANDSET).
inline bool UsesRegisterLoader(int commandset) {
  return commandset == 5 || commandset == 6 || commandset == 7;
}
inline bool IsRegisterGauge(int commandset) { return commandset == 6 || commandset == 7; }

// --- loading the record from Config.ini (read anew, once, by every load, so edits between
// loads are always seen) ---

// The gauge-type settings file inside the program folder.
inline constexpr const char* kConfigIniFile = "Config.ini";

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
