#pragma once
// Calibration end to end on the virtual jig: one station with a calibration board and one
// pack whose hidden errors the test chooses, a gauge link bound to it with the demo
// settings of the pack's target, the calibration board driven the way the test sequence
// drives it, and the gauge's calibrated readings read back over the bus.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "calibration/cal_board.h"
#include "calibration/cal_context.h"
#include "calibration/cal_types.h"
#include "platform/scripted_dialogs.h"
#include "sim/jig.h"
#include "testing/demo_home.h"
#include "testing/gauge_bench.h"
#include "testing/jig_checks.h"
#include "testing/jig_station.h"
#include "testing/replay_fixtures.h"
#include "testing/trace_lines.h"

namespace tester::physics {

inline constexpr uint8_t kSmbusGauge = 0x17;     // SMBus gauge address
inline constexpr uint8_t kRegisterGauge = 0xAA;  // register-style gauge address

// SMBus commands of the calibrated readings.
inline constexpr uint8_t kTemperatureCmd = 0x08;  // 0.1 K, TS1 (or the internal sensor)
inline constexpr uint8_t kVoltageCmd = 0x09;      // mV
inline constexpr uint8_t kCurrentCmd = 0x0A;      // mA, signed, discharge negative
inline constexpr uint8_t kCell1Cmd = 0x3F;        // cells count down: 0x3F cell 1 .. 0x3C cell 4
inline constexpr uint8_t kSenseCmd = 0x71;        // sense resistance, uOhm
inline constexpr uint8_t kIntTempCmd = 0x48;      // internal sensor, 0.1 K (0x49.. TS1..TS4)

// Register-style live registers.
inline constexpr uint8_t kRegVoltage = 0x08;  // mV
inline constexpr uint8_t kRegCurrent = 0x10;  // mA, discharge negative

// Coulomb-counter resolution at the sense input, uV per count.
inline constexpr double kSmbusCcMicrovolts = 9.419;
inline constexpr double kRegisterCcMicrovolts = 4.7095;

// Reference values of the test station (the jig's defaults): cumulative taps, load, room.
inline constexpr int kRefTap[4] = {3700, 7400, 11100, 14800};
inline constexpr int kRefCurrentMa = 2000;  // drawn from the pack: the gauge sees -2000 mA
inline constexpr double kAmbientC = 25.0;

// Tenths of a kelvin of a Celsius temperature: the sensors' truth.
inline double TruthTenthsK(double celsius) { return (celsius + 273.15) * 10.0; }

// mA per coulomb-counter count for a sense resistor of `mohm`.
inline double MaPerCount(double uv_per_count, double mohm) { return uv_per_count / mohm; }

// A jig of one station (calibration board, sensors 0x90 0x94, `adapter_keys` added)
// holding the given pack.
inline JigDescription OnePackJig(const std::string& pack_keys,
                                 const std::string& adapter_keys = "") {
  return test::MustParse(test::OneStationJig("[pack under test]\n" + pack_keys, adapter_keys));
}

// Pack keys of a demo target's identity: the bench loads that target's demo settings.
inline std::string Target800() {
  return "family = 1\ndevice_type = 0x0800\nfirmware = 0x0102\nidentity = 0x08A102\n"
         "df_seed = 800102\n";
}
inline std::string Target450() {
  return "family = 5\ndevice_type = 0x0450\nfirmware = 0x0201\nidentity = 0x045201\n"
         "df_seed = 450201\n";
}
inline std::string Target100() {
  return "family = 7\ndevice_type = 0x0100\nfirmware = 0x0109\nidentity = 0x01C109\n"
         "df_seed = 100109\n";
}
inline std::string Target700() {
  return "family = 2\ndevice_type = 0x0700\nfirmware = 0x0105\nidentity = 0x07B105\n"
         "df_seed = 700105\n";
}

// The station: link, board, dialogs and a station configuration with the checks of a
// production setup (10 mOhm +-5 %, gains +-2 %, temperature offsets within 5 K).
class CalStation {
public:
  explicit CalStation(const std::string& pack_keys, const std::string& adapter_keys = "")
      : bench_(0, OnePackJig(pack_keys, adapter_keys)) {
    config.NominalSenseResistor = 10;
    config.SenseResistorTolerance = 5;
    config.VoltageCalEnabled = 1;
    config.NominalCellGain = 16384;
    config.CellGainTolerance = 2;
    config.VoltageWindow = 3000;
    config.CurrentCalEnabled = 1;
    config.TemperatureCalEnabled = 1;
    config.TempOffsetTolerance = 50;
    config.IntTSCalEnabled = 1;
    config.TS1CalEnabled = 1;
  }

  GaugeLink& Link() { return bench_.link; }
  StationSettings& Settings() { return bench_.settings; }
  PackModel& Pack() { return bench_.Pack(); }
  SimGaugeBench& Bench() { return bench_; }

  // Board initialised and the references on, as the test sequence does before it
  // calibrates: the supply relay (reference taps) and, with `current`, the load.
  void PowerOn(bool current) {
    ASSERT_EQ(board.CalBoardInit(), 0);
    ASSERT_EQ(board.CalBoardPowerOn(current ? 1 : 0, 1), 0);
  }

  // Every calibration flag of `config` on, references of the station.
  CalOptions AllOptions(int cells) const {
    CalOptions o;
    o.CalCCOffset = -1;
    o.CalVoltage = -1;
    o.CalTemperature = -1;
    o.CurrentCalEnabled = -1;
    o.IntTSCalEnabled = -1;
    o.TS1CalEnabled = -1;
    o.RefVoltage1 = kRefTap[0];
    o.RefVoltage2 = kRefTap[1];
    o.RefVoltage3 = kRefTap[2];
    o.RefVoltage4 = kRefTap[3];
    o.CellCount = static_cast<int16_t>(cells);
    o.RefTemperature = static_cast<float>(kAmbientC);
    o.RefCurrentNeg = -kRefCurrentMa;
    return o;
  }

  // The pack off the references with its own cells and a load of `current_ma` (negative
  // = discharge), as a check after calibration sees it.
  void Load(double current_ma) {
    PackEnvironment env;
    env.reference_current = current_ma != 0.0;
    env.current_ma = current_ma;
    env.ambient_c = kAmbientC;
    Pack().SetEnvironment(env);
  }

  int Word(uint8_t cmd) {
    int16_t value = 0;
    EXPECT_EQ(Link().ReadWord(cmd, value, kSmbusGauge), 0) << "command " << int{cmd};
    return static_cast<uint16_t>(value);
  }
  int SignedWord(uint8_t cmd) { return static_cast<int16_t>(Word(cmd)); }
  int Reg(uint8_t reg) {
    int16_t value = 0;
    EXPECT_EQ(Link().ReadRegWord(reg, value, kRegisterGauge), 0) << "register " << int{reg};
    return value;
  }
  // Cell i (1-based) of an SMBus gauge.
  int Cell(int i) { return Word(static_cast<uint8_t>(kCell1Cmd + 1 - i)); }

  ScriptedDialogs dialogs;
  StubTesterConfig config;

private:
  SimGaugeBench bench_;

public:
  CalBoard board{bench_.link, test::DemoFolder() + "/Config.ini"};
  CalContext ctx{bench_.link, board, dialogs};
};

}  // namespace tester::physics
