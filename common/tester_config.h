#pragma once
// The station configuration object: which test steps run, calibration switches, limits and
// reference values, serial-number and manufacturer-data settings, the golden image file and
// the log file of one station. Every program reads and writes a station file
// (or global.ini) only through it; the file's inner format belongs to the implementation.
//
// The properties are plain data in TesterConfigProperties; an instance holds the values of
// its last load plus the changes made since, and nothing reaches the file until a save.
//
// Widths: flags and integers are 16-bit, marked ones 32-bit. A flag is on only when it equals
// 1 (IsFlagOn); a 16-bit truth value True (-1) stored into a flag does NOT count as on, so
// code that sets a flag from a C++ bool writes FlagValue(b). Where a caller is documented to
// take any nonzero value as on, it tests `!= 0` itself.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/component_error.h"

namespace tester {

// Bus address of the station board's own temperature sensor (written by the setup wizard).
inline constexpr int16_t kIntSensorAddressNormal = 148;    // 0x94 on normal boards
inline constexpr int16_t kIntSensorAddressAdvanced = 146;  // 0x92 on advanced boards

// VoltageCalMode values.
inline constexpr int16_t kVoltageCalTotal = 0;         // one pack reference, inside calibration
inline constexpr int16_t kVoltageCalPerTapStep = 1;    // per-tap references, separate K-factor step
inline constexpr int16_t kVoltageCalPerTapInside = 2;  // per-tap references, inside calibration

// MonowireMode value that switches the gauge to Monowire mode at the end of a run.
inline constexpr int16_t kMonowireModeOn = 1;

// TargetKind value whose configuration window has no first voltage label.
inline constexpr int16_t kTargetKindNoFirstVoltage = 6;

// Flags: on only when equal to 1.
constexpr bool IsFlagOn(int16_t flag) { return flag == 1; }
// UseCurrentDate compares only its low byte with 1.
constexpr bool IsLowByteOn(int16_t flag) { return (flag & 0xFF) == 1; }
// The flag value for a C++ truth value.
constexpr int16_t FlagValue(bool on) { return on ? 1 : 0; }

// Every property, in the order of the object's interface. Before any load all flags are off,
// numbers 0 and texts empty, unless the implementation sets other defaults when constructed.
struct TesterConfigProperties {
  int16_t ProgramDataFlash = 0;       // flag: program the golden image into the gauge
  int16_t CalCCOffset = 0;            // flag: calibrate the coulomb-counter offset
  int16_t VoltageCalEnabled = 0;      // flag: voltage calibration; gates voltage range checks
  int16_t TemperatureCalEnabled = 0;  // flag: temperature calibration; gates offset checks
  int16_t CurrentCalEnabled = 0;      // flag: current (coulomb-counter gain) calibration
  int16_t TS1CalEnabled = 0;          // flag: calibrate and check external sensor 1
  int16_t TS2CalEnabled = 0;          // flag: external sensor 2
  int16_t TS3CalEnabled = 0;          // flag: external sensor 3
  int16_t TS4CalEnabled = 0;          // flag: external sensor 4
  int16_t IntTSCalEnabled = 0;        // flag: calibrate and check the gauge's internal sensor
  int16_t CalBoardOffset = 0;         // flag: calibrate the board offset (SMBus gauges)
  int16_t CalParamL = 0;              // copied into the calibration options, not interpreted
  int16_t CalParamE = 0;              // copied into the calibration options, not interpreted
  int16_t CalSimultaneous = 0;        // flag: voltage and current references applied together
  int16_t CellCount = 0;              // series cells of the pack, 1..4
  int16_t IntSensorAddress = 0;       // rw: bus address of the board's own temperature sensor
  int16_t WriteMfrDate = 0;           // flag: write the manufacture date
  int16_t WriteMfrData = 0;           // flag: write the manufacturer data
  int16_t WriteSerialNumber = 0;      // flag: write a serial number
  std::string DataFlashImageFile;     // path of the golden image file
  std::string LogFile;                // path reported with every completion
  int16_t NominalSenseResistor = 0;   // mOhm, nominal sense resistor of the current check
  int16_t SenseResistorTolerance = 0; // %, allowed deviation of the sense resistance
  int16_t NominalCellGain = 0;        // nominal cell voltage gain
  int16_t CellGainTolerance = 0;      // %, allowed deviation of cell and pack gains
  int16_t VoltageWindow = 0;          // x10 = nominal pack gain; also the K-factor window in mV
  int16_t TempOffsetTolerance = 0;    // 0.1 K, largest allowed absolute temperature offset
  int16_t IssuesParam = 0;            // parameter of the device workaround routine
  int16_t MonowireMode = 0;           // kMonowireModeOn: switch to Monowire mode at the end
  int32_t NextSerialNumber = 0;       // serial number proposed for the next run
  int16_t NoSerialOnFail = 0;         // flag: a failed run writes no serial number
  int16_t MfrDateCode = 0;            // packed manufacture date when UseCurrentDate is off
  int32_t MfrDataValue = 0;           // manufacturer data value
  std::string MfrDataText;            // manufacturer data text
  int16_t UseCurrentDate = 0;         // flag, low byte compared with 1: use today's date
  int16_t CheckIntSensor = 0;         // flag: a failed internal-sensor read is an error
  int16_t ExtTempOffset = 0;          // rw, 0.1 degC: added to external-probe readings
  int16_t IntTempOffset = 0;          // rw, 0.1 degC: added to the board's own sensor readings
  std::string TargetName;             // identity text the station expects, e.g. "800.1.02"
  std::string IniFile;                // rw: the settings file this object reads and writes
  int16_t VoltageCalMode = 0;         // kVoltageCalTotal / kVoltageCalPerTapStep / ...Inside
  int16_t TargetKind = 0;             // read by the configuration window only
  int16_t CalBoardOffsetAlt = 0;      // flag: board-offset switch for command sets 6 and 7
  int16_t BoardOffsetValue = 0;       // board offset written by command-set 6/7 calibration
  int32_t RefVoltage1 = 0;            // rw, mV across cell 1
  int32_t RefVoltage2 = 0;            // rw, mV across cells 1..2
  int32_t RefVoltage3 = 0;            // rw, mV across cells 1..3
  int32_t RefVoltage4 = 0;            // rw, mV across cells 1..4
  float RefTemperature = 0.0f;        // rw, degC station reference temperature
  int32_t RefCurrent = 0;             // rw, mA station reference current
  // Ours, beyond the object's documented interface:
  int16_t RequireImageDigest = 0;     // flag: a golden image without its digest file is refused
  int16_t VTIAlwaysAllowed = 0;       // flag: the operator lock leaves reference-value entry open
  int16_t RecalReminderHours = 0;     // hours from a reference update until the reminder is due;
                                      // 0: the reminder never falls due
};

// A load that met values it cannot read ("yes" for a flag, 9 cells, letters in a number):
// every other property of the load is loaded, the refused ones hold their defaults, and
// this is thrown so that no caller goes on with settings nobody chose. One line per value,
// naming the file, the line, the key and the accepted values.
class ConfigValueError : public ComponentError {
public:
  explicit ConfigValueError(std::vector<std::string> problems)
      : ComponentError(Join(problems)), problems_(std::move(problems)) {}
  const std::vector<std::string>& Problems() const { return problems_; }

private:
  static std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
  }
  std::vector<std::string> problems_;
};

// The operations work on the file named by IniFile. Loads return nothing: a missing file or
// key leaves that property at its default (a flag absent from the file is off); a settings
// file that cannot be read at all throws ComponentError, one with values that cannot be read
// throws ConfigValueError. Saves return an error text, empty = success, and never throw;
// they write only the keys whose values changed since the last load (all of them into a
// new file), so what the operator wrote and nobody changed stays as written.
class TesterConfig : public TesterConfigProperties {
public:
  virtual ~TesterConfig() = default;

  // All station settings.
  virtual void LoadConfig() = 0;
  // The global switches (IniFile = global.ini).
  virtual void LoadGlobalConfig() = 0;
  // Writes all settings.
  virtual std::string SaveConfig() = 0;
  // The six reference values only: RefVoltage1..4, RefTemperature, RefCurrent.
  virtual void LoadVTIConfig() = 0;
  virtual std::string SaveVTIConfig() = 0;
  // The two temperature offsets only: ExtTempOffset, IntTempOffset.
  virtual void LoadTempConfig() = 0;
  virtual std::string SaveTempConfig() = 0;

protected:
  TesterConfig() = default;
  // Copying through the base would slice the implementation; copy TesterConfigProperties.
  TesterConfig(const TesterConfig&) = default;
  TesterConfig& operator=(const TesterConfig&) = default;
};

}  // namespace tester
