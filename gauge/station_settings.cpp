// Loading the station settings record from Config.ini.
//
// Decisions on values the file may hold:
//  - A 16-bit field accepts -32768..65535 and keeps the value's 16-bit pattern, so 38505
//    and -27031 both give 0x9669 (the file may write a pattern either way). Anything
//    outside is rejected: the field keeps what it would have had without that entry (the
//    layered fallback) and a warning names file, section and key.
//  - A 32-bit field rejects a value beyond the 32-bit range the same way.
//  - A value reads by its leading digits, so "1000   ; settle" is 1000: blanks and a ';'
//    comment may follow the number. Anything else after the digits ("1O00", "12x"), or a
//    value that does not start with a number ("abc"), cannot be what was meant: the
//    field keeps its fallback and the load reports an error, which refuses the station.
//  - The file is read once per load (Snapshot), however many keys it serves.
//  - DF_PROGROW_SZ of 0 (or below) cannot be a row size: programming divides by it. The
//    field falls back to 32 with a warning, and the computed delay defaults use 32 too.
#include <array>
#include <cstdio>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gauge/gauge_link.h"
#include "gauge/station_settings.h"
#include "platform/profile.h"

namespace tester {

namespace {

enum class Lookup {
  Delay,         // section "Delay" only
  Layered,       // device section over the default, version section over that
  DeviceOnly,    // device section only
  PlatformOnly,  // platform section only
};

enum class DefaultKind {
  Fixed,           // the table's default
  DFWriteDelay,    // computed from the data-flash timings just read
  HalfDFWriteDelay,
};

struct SettingEntry {
  const char* key;
  Lookup lookup;
  int32_t def;
  int32_t StationSettings::*field32;
  int16_t StationSettings::*field16;
  DefaultKind default_kind = DefaultKind::Fixed;
};

using S = StationSettings;

constexpr SettingEntry Wide(const char* key, Lookup lookup, int32_t def, int32_t S::*field,
                           DefaultKind kind = DefaultKind::Fixed) {
  return {key, lookup, def, field, nullptr, kind};
}
constexpr SettingEntry Narrow(const char* key, Lookup lookup, int32_t def, int16_t S::*field) {
  return {key, lookup, def, nullptr, field};
}

constexpr Lookup kDelay = Lookup::Delay;
constexpr Lookup kLayered = Lookup::Layered;
constexpr Lookup kDevice = Lookup::DeviceOnly;
constexpr Lookup kPlatform = Lookup::PlatformOnly;

// Every key in load order (which is also the order `ardentis settings` prints).
constexpr std::array kSettings = {
    Wide("CB_V_SETTLE", kDelay, 1000, &S::CB_V_SETTLE),
    Wide("CB_I_SETTLE", kDelay, 1000, &S::CB_I_SETTLE),
    Wide("LOAD_VI_SETTLE", kDelay, 200, &S::LOAD_VI_SETTLE),
    Wide("USB_RESP_TIME", kDelay, 1, &S::USB_RESP_TIME),
    Narrow("QZMAC", kLayered, 0, &S::QZMAC),
    Wide("GG_FWEXEC", kLayered, 600, &S::GG_FWEXEC),
    Wide("CalWr", kLayered, 30, &S::CalWr),
    Wide("CalWrSig", kLayered, 60, &S::CalWrSig),
    Wide("DF_IMAGE_SZ", kLayered, 1792, &S::DF_IMAGE_SZ),
    Narrow("RetROMCmd", kLayered, 0, &S::RetROMCmd),
    Narrow("RetROMWd", kLayered, 0x0F00, &S::RetROMWd),
    Narrow("CalibrationClsID", kLayered, 104, &S::CalibrationClsID),
    Narrow("KFactorOverrideOffset", kLayered, 16, &S::KFactorOverrideOffset),
    Narrow("KFactorOverride", kLayered, -27031, &S::KFactorOverride),  // pattern 0x9669
    Narrow("KFactorCell1Offset", kLayered, 8, &S::KFactorCell1Offset),
    Narrow("UseKFactor", kLayered, 0, &S::UseKFactor),
    Narrow("BoardOffsetOffset", kLayered, 16, &S::BoardOffsetOffset),
    Narrow("CCOffsetSampleOffset", kLayered, 99, &S::CCOffsetSampleOffset),
    Narrow("CCOffsetOffset", kLayered, 99, &S::CCOffsetOffset),
    Narrow("DateClsID", kLayered, 48, &S::DateClsID),
    Narrow("DateOffset", kLayered, 10, &S::DateOffset),
    Narrow("MfDataClsID", kLayered, 56, &S::MfDataClsID),
    Narrow("PkLotOffset", kLayered, 0, &S::PkLotOffset),
    Narrow("PkLotValid", kLayered, 1, &S::PkLotValid),
    Narrow("RegistersClsID", kLayered, 556, &S::RegistersClsID),
    Narrow("SerialClsID", kLayered, 168, &S::SerialClsID),
    Narrow("SerialOffset", kLayered, 14, &S::SerialOffset),
    Narrow("ShowVBATInput", kLayered, 0, &S::ShowVBATInput),
    Wide("Platform", kLayered, 0x8024, &S::Platform),
    Wide("DF_ERASEROW", kPlatform, 10, &S::DF_ERASEROW),
    Wide("DF_MASSERASE", kPlatform, 200, &S::DF_MASSERASE),
    Wide("DF_PROGROW", kPlatform, 2, &S::DF_PROGROW),
    Wide("DF_CHECKSUM_COMPUTE_DELAY", kPlatform, 2, &S::DF_CHECKSUM_COMPUTE_DELAY),
    Narrow("DF_BASE_ADDR", kPlatform, 0x4000, &S::DF_BASE_ADDR),
    Narrow("DF_MAX_SZ", kPlatform, 2048, &S::DF_MAX_SZ),
    Narrow("DF_PROGROW_SZ", kPlatform, 32, &S::DF_PROGROW_SZ),
    Narrow("DF_ERASEROW_SZ", kPlatform, 32, &S::DF_ERASEROW_SZ),
    Narrow("DF_CHKSUM_SZ", kPlatform, 2016, &S::DF_CHKSUM_SZ),
    Narrow("BoardOffsetMaxDiff", kPlatform, 3, &S::BoardOffsetMaxDiff),
    Narrow("Process_UseNewMain", kPlatform, 0, &S::Process_UseNewMain),
    Narrow("NumSamples", kDevice, 1, &S::NumSamples),
    Narrow("COMMANDSET", kDevice, 1, &S::COMMANDSET),
    Narrow("Cell1ReadCommand", kDevice, 60, &S::Cell1ReadCommand),
    Narrow("DELTA", kDevice, 1, &S::DELTA),
    Narrow("MANUFACTURE_STATUS_COMMAND", kDevice, 0xB1, &S::MANUFACTURE_STATUS_COMMAND),
    Narrow("CAL MODE", kDevice, 15, &S::CAL_MODE),
    Narrow("IntTSSupported", kDevice, 0, &S::IntTSSupported),
    Narrow("TS1Supported", kDevice, 0, &S::TS1Supported),
    Narrow("TS2Supported", kDevice, 0, &S::TS2Supported),
    Narrow("TS3Supported", kDevice, 0, &S::TS3Supported),
    Narrow("TS4Supported", kDevice, 0, &S::TS4Supported),
    Narrow("IntTSReadTemperature", kDevice, 0, &S::IntTSReadTemperature),
    Narrow("TS1ReadTemperature", kDevice, 0, &S::TS1ReadTemperature),
    Narrow("TS2ReadTemperature", kDevice, 0, &S::TS2ReadTemperature),
    Narrow("TS3ReadTemperature", kDevice, 0, &S::TS3ReadTemperature),
    Narrow("TS4ReadTemperature", kDevice, 0, &S::TS4ReadTemperature),
    Wide("GGModeDFDelay", kLayered, 0, &S::GGModeDFDelay, DefaultKind::DFWriteDelay),
    Wide("SBSWrDelay", kLayered, 0, &S::SBSWrDelay, DefaultKind::HalfDFWriteDelay),
    Narrow("ITOff_DFOff", kLayered, 17, &S::ITOff_DFOff),
    Narrow("ET1Off_DFOff", kLayered, 18, &S::ET1Off_DFOff),
    Narrow("ET2Off_DFOff", kLayered, 19, &S::ET2Off_DFOff),
    Narrow("SkipVBATCal", kDevice, 0, &S::SkipVBATCal),
    Narrow("ToggleTempBit", kDevice, 0, &S::ToggleTempBit),
};

constexpr const char* kDelaySection = "Delay";
// Row size used when the file gives one that cannot be a row size.
constexpr int16_t kDefaultProgRowSize = 32;
// The data-flash write delay is this many times the time to erase and reprogram a row.
constexpr int64_t kDFWriteDelayFactor = 6;

// Accepted ranges of a value read for a field.
constexpr int64_t kNarrowMin = -32768;
constexpr int64_t kNarrowMax = 65535;  // taken as its 16-bit pattern

std::string SettingsFile(const std::string& program_folder) {
  if (program_folder.empty()) return kConfigIniFile;
  if (program_folder.back() == '/') return program_folder + kConfigIniFile;
  return program_folder + "/" + kConfigIniFile;
}

// Where a value stands, for messages: file, line, section and key.
std::string Place(const std::string& file, std::size_t line, std::string_view section,
                  std::string_view key, const std::string& text) {
  std::string place = file + ", line " + std::to_string(line) + ": [";
  place.append(section).append("] ").append(key).append(" = \"").append(text).append("\" ");
  return place;
}

// After the number only blanks or a ';' comment.
bool OnlyCommentAfter(const std::string& text, std::size_t end) {
  const std::size_t next = text.find_first_not_of(" \t", end);
  return next == std::string::npos || text[next] == ';';
}

// Where a load's findings go; either may be null (lookups that only want the value).
struct Findings {
  std::vector<std::string>* warnings = nullptr;
  std::vector<std::string>* errors = nullptr;
};

void Note(std::vector<std::string>* list, std::string line) {
  if (list != nullptr) list->push_back(std::move(line));
}

// One integer read of `key` in `section`, or `fallback` when the entry is missing, empty
// or rejected (see the decisions at the top of this file).
int32_t ReadChecked(const profile::Snapshot& file, const std::string& name,
                    std::string_view section, std::string_view key, int32_t fallback,
                    bool narrow, Findings findings) {
  const profile::Snapshot::Entry raw = file.Find(section, key);
  if (!raw.found || raw.text.empty()) return fallback;
  const profile::IntParse parse = profile::ParseInt(raw.text);
  const std::string place = Place(name, raw.line, section, key, raw.text);
  if (!parse.digits || (!parse.clean && !OnlyCommentAfter(raw.text, parse.end))) {
    Note(findings.errors, place + "is not a whole number (accepted: a decimal number, "
                                  "optionally followed by a ; comment)");
    return fallback;
  }
  if (parse.saturated) {
    Note(findings.warnings, place + "is beyond the 32-bit range, entry ignored");
    return fallback;
  }
  if (narrow && (parse.value < kNarrowMin || parse.value > kNarrowMax)) {
    Note(findings.warnings, place + "is beyond the 16-bit range (-32768 to 65535), entry ignored");
    return fallback;
  }
  return static_cast<int32_t>(parse.value);
}

int32_t ReadLayeredChecked(const profile::Snapshot& file, const std::string& name,
                           const std::string& device_section, const std::string& version_section,
                           std::string_view key, int32_t def, bool narrow, Findings findings) {
  const int32_t from_device =
      ReadChecked(file, name, device_section, key, def, narrow, findings);
  return ReadChecked(file, name, version_section, key, from_device, narrow, findings);
}

// 16-bit fields keep the pattern of what was read: 38505 and -27031 both give 0x9669.
int16_t NarrowPattern(int32_t value) {
  return static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFF));
}

class SettingsLoad {
public:
  SettingsLoad(StationSettings& settings, std::string file)
      : settings_(settings), file_(std::move(file)), snapshot_(profile::Snapshot::Load(file_)) {}

  void SetSections(std::string device, std::string version) {
    device_ = std::move(device);
    version_ = std::move(version);
  }

  void Load(const SettingEntry& entry) {
    const int32_t value = Read(entry, DefaultFor(entry));
    if (entry.field32 != nullptr) {
      settings_.*entry.field32 = value;
    } else {
      settings_.*entry.field16 = NarrowPattern(value);
    }
    if (entry.field16 == &S::DF_PROGROW_SZ) CheckProgRowSize();
  }

private:
  int32_t Read(const SettingEntry& entry, int32_t def) {
    const bool narrow = entry.field16 != nullptr;
    const Findings findings{&settings_.warnings, &settings_.errors};
    switch (entry.lookup) {
      case Lookup::Delay:
        return ReadChecked(snapshot_, file_, kDelaySection, entry.key, def, narrow, findings);
      case Lookup::Layered:
        return ReadLayeredChecked(snapshot_, file_, device_, version_, entry.key, def, narrow,
                                  findings);
      case Lookup::DeviceOnly:
        return ReadChecked(snapshot_, file_, device_, entry.key, def, narrow, findings);
      case Lookup::PlatformOnly:
        return ReadChecked(snapshot_, file_, PlatformSectionName(settings_.Platform), entry.key,
                           def, narrow, findings);
    }
    return def;
  }

  int32_t DefaultFor(const SettingEntry& entry) {
    switch (entry.default_kind) {
      case DefaultKind::Fixed: return entry.def;
      case DefaultKind::DFWriteDelay: return DFWriteDelay();
      case DefaultKind::HalfDFWriteDelay: return DFWriteDelay() / 2;
    }
    return entry.def;
  }

  // (erase time + rows per erased block x row program time) x 6, from the platform values
  // just read. Formed in 64 bits; a result beyond the 32-bit range is held at its limit.
  int32_t DFWriteDelay() {
    const int64_t rows_per_erase = settings_.DF_ERASEROW_SZ / settings_.DF_PROGROW_SZ;
    const int64_t delay =
        (settings_.DF_ERASEROW + rows_per_erase * settings_.DF_PROGROW) * kDFWriteDelayFactor;
    if (delay > INT32_MAX || delay < INT32_MIN) {
      settings_.warnings.push_back(file_ + ": data-flash write delay " + std::to_string(delay) +
                                   " from the platform timings is beyond the 32-bit range");
      return delay > 0 ? INT32_MAX : INT32_MIN;
    }
    return static_cast<int32_t>(delay);
  }

  // Programming divides data flash into rows of this size: 0 or less cannot work.
  void CheckProgRowSize() {
    if (settings_.DF_PROGROW_SZ > 0) return;
    settings_.warnings.push_back(file_ + " [" + PlatformSectionName(settings_.Platform) +
                                 "] DF_PROGROW_SZ=" + std::to_string(settings_.DF_PROGROW_SZ) +
                                 ": not a usable row size, 32 used");
    settings_.DF_PROGROW_SZ = kDefaultProgRowSize;
  }

  StationSettings& settings_;
  std::string file_;
  profile::Snapshot snapshot_;
  std::string device_;
  std::string version_;
};

}  // namespace

int16_t SplitTargetName(const std::string& target, std::string& device_section,
                        std::string& version_section) {
  const std::size_t dot = target.find('.');
  if (dot == std::string::npos) return kFalse;
  device_section = target.substr(0, dot) + "D";
  version_section = target;
  for (char& c : version_section) {
    if (c == '.') c = '_';
  }
  return kTrue;
}

int32_t ReadLayeredInt(const std::string& device_section, const std::string& version_section,
                       const std::string& key, int32_t def, const std::string& file) {
  return ReadLayeredChecked(profile::Snapshot::Load(file), file, device_section, version_section,
                            key, def, false, Findings{});
}

// A platform number above 0xFFFF keeps all its digits rather than aliasing another
// platform's section; a negative one shows its 32-bit pattern.
std::string PlatformSectionName(int32_t platform) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X", static_cast<uint32_t>(platform));
  return std::string(text) + "P";
}

int16_t LoadStationSettings(StationSettings& settings, const std::string& program_folder,
                            const std::string& target) {
  settings.warnings.clear();
  settings.errors.clear();
  SettingsLoad load(settings, SettingsFile(program_folder));
  std::size_t next = 0;
  for (; next < kSettings.size() && kSettings[next].lookup == Lookup::Delay; ++next) {
    load.Load(kSettings[next]);
  }
  std::string device;
  std::string version;
  if (SplitTargetName(target, device, version) != kTrue) return kFalse;
  load.SetSections(device, version);
  for (; next < kSettings.size(); ++next) load.Load(kSettings[next]);
  settings.maCommand = settings.QZMAC;
  return kTrue;
}

int32_t ReadCalBrdUse(const std::string& program_folder) {
  return profile::ReadInt(SettingsFile(program_folder), "CalBrd", "Use", 1);
}

int32_t ReadTemperTol(const std::string& program_folder) {
  return profile::ReadInt(SettingsFile(program_folder), "Temper", "Tol", 10);
}

std::string FormatStationSettings(const StationSettings& settings) {
  std::string text;
  for (const SettingEntry& entry : kSettings) {
    const int32_t value =
        entry.field32 != nullptr ? settings.*entry.field32 : settings.*entry.field16;
    text.append(entry.key).append("=").append(std::to_string(value)).append("\n");
  }
  return text;
}

}  // namespace tester
