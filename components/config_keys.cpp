#include "components/config_keys.h"

#include <limits>
#include <vector>

namespace tester {
namespace {

using P = TesterConfigProperties;

constexpr double kInt16Min = std::numeric_limits<int16_t>::min();
constexpr double kInt16Max = std::numeric_limits<int16_t>::max();
constexpr double kInt32Min = std::numeric_limits<int32_t>::min();
constexpr double kInt32Max = std::numeric_limits<int32_t>::max();

// Gauges measure voltages as unsigned 16-bit millivolt words.
constexpr double kMaxRefVoltageMv = 65535;
// The gauge sees the reference current negated in a signed 16-bit word, so its magnitude
// must fit both ways.
constexpr double kMaxRefCurrentMa = 32767;
// Widest reference temperature a station can hold its pack at, degC.
constexpr double kMinRefTemperature = -50;
constexpr double kMaxRefTemperature = 150;
// Longest recalibration period: a year.
constexpr double kMaxReminderHours = 366 * 24;
// Bus addresses are written in their 8-bit form (0x94 = 148).
constexpr double kMaxBusAddress = 255;

// Sections.
constexpr std::string_view kTarget = "Target";
constexpr std::string_view kSteps = "Steps";
constexpr std::string_view kCalibration = "Calibration";
constexpr std::string_view kLimits = "Limits";
constexpr std::string_view kSerial = "Serial";
constexpr std::string_view kManufacturer = "Manufacturer";
constexpr std::string_view kFiles = "Files";
constexpr std::string_view kOperator = "Operator";
constexpr std::string_view kReferences = "References";
constexpr std::string_view kStationSection = "Station";

ConfigKey Flag(std::string_view section, std::string_view key, int16_t P::*field,
               std::string_view comment) {
  return {section, key, ValueKind::kFlag, KeyScope::kGlobal, field, 0, 0, 1, comment};
}

ConfigKey Int16(std::string_view section, std::string_view key, int16_t P::*field, double def,
                double min, double max, std::string_view comment,
                KeyScope scope = KeyScope::kGlobal) {
  return {section, key, ValueKind::kInt16, scope, field, def, min, max, comment};
}

ConfigKey Int32(std::string_view section, std::string_view key, int32_t P::*field, double def,
                double min, double max, std::string_view comment,
                KeyScope scope = KeyScope::kGlobal) {
  return {section, key, ValueKind::kInt32, scope, field, def, min, max, comment};
}

ConfigKey Text(std::string_view section, std::string_view key, std::string P::*field,
               std::string_view comment) {
  return {section, key, ValueKind::kText, KeyScope::kGlobal, field, 0, 0, 0, comment};
}

std::vector<ConfigKey> BuildKeys() {
  const KeyScope ref = KeyScope::kReference;
  const KeyScope temp = KeyScope::kTempOffset;
  return {
      Text(kTarget, "TargetName", &P::TargetName,
           "identity text of the expected gauge: type.major.minor in hex, e.g. 800.1.02"),
      Int16(kTarget, "TargetKind", &P::TargetKind, 0, kInt16Min, kInt16Max,
            "device kind shown by the configuration window (6: no first voltage label)"),
      Int16(kTarget, "CellCount", &P::CellCount, 1, 1, 4, "series cells of the pack, 1 to 4"),

      Flag(kSteps, "ProgramDataFlash", &P::ProgramDataFlash,
           "1: program the golden image into the gauge"),
      Flag(kSteps, "WriteSerialNumber", &P::WriteSerialNumber, "1: write a serial number"),
      Flag(kSteps, "WriteMfrData", &P::WriteMfrData, "1: write the manufacturer data"),
      Flag(kSteps, "WriteMfrDate", &P::WriteMfrDate, "1: write the manufacture date"),
      Int16(kSteps, "MonowireMode", &P::MonowireMode, 0, kInt16Min, kInt16Max,
            "1: switch the gauge to Monowire mode at the end of a run"),
      Int16(kSteps, "IssuesParam", &P::IssuesParam, 0, kInt16Min, kInt16Max,
            "parameter of the device workaround routine"),

      Flag(kCalibration, "VoltageCalEnabled", &P::VoltageCalEnabled,
           "1: calibrate voltage (also enables the voltage range checks)"),
      Int16(kCalibration, "VoltageCalMode", &P::VoltageCalMode, kVoltageCalTotal,
            kVoltageCalTotal, kVoltageCalPerTapInside,
            "0: one pack reference; 1: per-tap references, separate step; 2: per-tap, inside"),
      Flag(kCalibration, "CurrentCalEnabled", &P::CurrentCalEnabled,
           "1: calibrate the coulomb-counter gain"),
      Flag(kCalibration, "TemperatureCalEnabled", &P::TemperatureCalEnabled,
           "1: calibrate temperature (also enables the offset checks)"),
      Flag(kCalibration, "CalCCOffset", &P::CalCCOffset,
           "1: calibrate the coulomb-counter offset"),
      Flag(kCalibration, "CalBoardOffset", &P::CalBoardOffset,
           "1: calibrate the board offset (SMBus gauges)"),
      Flag(kCalibration, "CalBoardOffsetAlt", &P::CalBoardOffsetAlt,
           "1: calibrate the board offset (register-style gauges, command sets 6 and 7)"),
      Int16(kCalibration, "BoardOffsetValue", &P::BoardOffsetValue, 0, kInt16Min, kInt16Max,
            "board offset written by the register-style calibration"),
      Flag(kCalibration, "CalSimultaneous", &P::CalSimultaneous,
           "1: apply reference voltage and current together while sampling"),
      Flag(kCalibration, "IntTSCalEnabled", &P::IntTSCalEnabled,
           "1: calibrate and check the gauge's internal sensor"),
      Flag(kCalibration, "TS1CalEnabled", &P::TS1CalEnabled, "1: calibrate external sensor 1"),
      Flag(kCalibration, "TS2CalEnabled", &P::TS2CalEnabled, "1: calibrate external sensor 2"),
      Flag(kCalibration, "TS3CalEnabled", &P::TS3CalEnabled, "1: calibrate external sensor 3"),
      Flag(kCalibration, "TS4CalEnabled", &P::TS4CalEnabled, "1: calibrate external sensor 4"),
      Flag(kCalibration, "CheckIntSensor", &P::CheckIntSensor,
           "1: a failed read of the board's own sensor stops a reference update"),
      Int16(kCalibration, "CalParamL", &P::CalParamL, 0, kInt16Min, kInt16Max,
            "passed to calibration as it stands"),
      Int16(kCalibration, "CalParamE", &P::CalParamE, 0, kInt16Min, kInt16Max,
            "passed to calibration as it stands"),

      Int16(kLimits, "NominalSenseResistor", &P::NominalSenseResistor, 10, 0, kInt16Max,
            "nominal sense resistor, mOhm"),
      Int16(kLimits, "SenseResistorTolerance", &P::SenseResistorTolerance, 10, 0, kInt16Max,
            "allowed deviation of the sense resistance, %"),
      Int16(kLimits, "NominalCellGain", &P::NominalCellGain, 1000, 0, kInt16Max,
            "nominal cell voltage gain, in units of 20"),
      Int16(kLimits, "CellGainTolerance", &P::CellGainTolerance, 5, 0, kInt16Max,
            "allowed deviation of cell and pack gains, %"),
      Int16(kLimits, "VoltageWindow", &P::VoltageWindow, 10, 0, kInt16Max,
            "nominal pack gain / 10; also the K-factor correction window, +/- mV"),
      Int16(kLimits, "TempOffsetTolerance", &P::TempOffsetTolerance, 50, 0, kInt16Max,
            "largest allowed temperature offset, 0.1 K"),

      Int32(kSerial, "NextSerialNumber", &P::NextSerialNumber, 1, 0, kInt32Max,
            "serial number proposed for the next run"),
      Flag(kSerial, "NoSerialOnFail", &P::NoSerialOnFail,
           "1: a failed run writes no serial number"),

      Int32(kManufacturer, "MfrDataValue", &P::MfrDataValue, 0, kInt32Min, kInt32Max,
            "manufacturer data value"),
      Text(kManufacturer, "MfrDataText", &P::MfrDataText, "manufacturer data text"),
      Flag(kManufacturer, "UseCurrentDate", &P::UseCurrentDate,
           "1: today's date is the manufacture date; 0: MfrDateCode"),
      Int16(kManufacturer, "MfrDateCode", &P::MfrDateCode, 0, kInt16Min, kInt16Max,
            "packed manufacture date: (year - 1980) * 512 + month * 32 + day"),

      Text(kFiles, "DataFlashImageFile", &P::DataFlashImageFile, "golden data-flash image"),
      Text(kFiles, "LogFile", &P::LogFile, "log file reported with every completed run"),
      Flag(kFiles, "RequireImageDigest", &P::RequireImageDigest,
           "1: refuse a golden image that has no digest file (<image>.sha256) beside it"),

      Flag(kOperator, "VTIAlwaysAllowed", &P::VTIAlwaysAllowed,
           "1: reference values (VTI) can be entered while the operator lock is locked"),
      Int16(kOperator, "RecalReminderHours", &P::RecalReminderHours, 24, 0, kMaxReminderHours,
            "hours after a reference update until no test may start; 0: no reminder"),

      Int32(kReferences, "RefVoltage1", &P::RefVoltage1, 0, 0, kMaxRefVoltageMv,
            "mV across cell 1", ref),
      Int32(kReferences, "RefVoltage2", &P::RefVoltage2, 0, 0, kMaxRefVoltageMv,
            "mV across cells 1 to 2", ref),
      Int32(kReferences, "RefVoltage3", &P::RefVoltage3, 0, 0, kMaxRefVoltageMv,
            "mV across cells 1 to 3", ref),
      Int32(kReferences, "RefVoltage4", &P::RefVoltage4, 0, 0, kMaxRefVoltageMv,
            "mV across cells 1 to 4", ref),
      {kReferences, "RefTemperature", ValueKind::kReal, ref, &P::RefTemperature, 0,
       kMinRefTemperature, kMaxRefTemperature, "degC"},
      Int32(kReferences, "RefCurrent", &P::RefCurrent, 0, -kMaxRefCurrentMa, kMaxRefCurrentMa,
            "mA (positive: discharge)", ref),

      Int16(kStationSection, "IntSensorAddress", &P::IntSensorAddress, kIntSensorAddressNormal,
            0, kMaxBusAddress, "bus address of the board's own sensor: 148 normal, 146 advanced",
            KeyScope::kStation),
      Int16(kStationSection, "ExtTempOffset", &P::ExtTempOffset, 0, kInt16Min, kInt16Max,
            "added to external-probe readings, 0.1 degC", temp),
      Int16(kStationSection, "IntTempOffset", &P::IntTempOffset, 0, kInt16Min, kInt16Max,
            "added to the board's own sensor readings, 0.1 degC", temp),
  };
}

// Sections in file order with the comment line written above each in a new file, and the
// group of the global configuration editor that shows their keys.
struct ConfigSection {
  std::string_view name;
  std::string_view comment;
  std::string_view group;
};

constexpr ConfigSection kSections[] = {
    {kTarget, "Device under test", "Device under test"},
    {kSteps, "Steps of a run", "Test steps"},
    {kCalibration, "Calibration switches", "Calibration switches"},
    {kLimits, "Limits of the calibration checks", "Limits"},
    {kSerial, "Serial numbers", "Serial and manufacturer data"},
    {kManufacturer, "Manufacturer data and date", "Serial and manufacturer data"},
    {kFiles, "Files", "Image and log"},
    {kOperator, "Operator lock and recalibration reminder", "Operator lock and reminder"},
    {kReferences, "Reference values of this station (entered in the VTI window)",
     "Reference values"},
    {kStationSection, "This station's board: sensor address and sensor offsets", "Station board"},
};

const ConfigSection* FindSection(std::string_view section) {
  for (const ConfigSection& s : kSections) {
    if (s.name == section) return &s;
  }
  return nullptr;
}

}  // namespace

std::span<const ConfigKey> ConfigKeys() {
  static const std::vector<ConfigKey> keys = BuildKeys();
  return keys;
}

std::string_view SectionComment(std::string_view section) {
  const ConfigSection* found = FindSection(section);
  return found ? found->comment : std::string_view();
}

std::string_view SectionGroup(std::string_view section) {
  const ConfigSection* found = FindSection(section);
  return found ? found->group : std::string_view();
}

}  // namespace tester
