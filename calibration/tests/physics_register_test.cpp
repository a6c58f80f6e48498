// Host-computed calibration of register-style gauges end to end: RunCalibrationI2C on a
// pack with known hidden errors (the gauge measures its own CC offset on command; current,
// board offset, temperature and voltage are computed by the tester), then the gauge's live
// registers against the pack's truth.
#include <cmath>
#include <string>

#include "calibration/cal_run_register.h"
#include "calibration/tests/physics_bench.h"
#include "common/status_codes.h"

namespace tester {
namespace {

using physics::CalStation;
using physics::kAmbientC;
using physics::kRefCurrentMa;
using physics::MaPerCount;
using physics::TruthTenthsK;

struct RegisterCase {
  const char* name;
  int family;
  std::string truth;
  double cell_mv;
  double sense_mohm;
  double check_ma;
  uint8_t external_temp_reg;  // live register of the external sensor, 0.1 K
};

class RegisterStyle : public ::testing::TestWithParam<RegisterCase> {};

TEST_P(RegisterStyle, CalibratedRegistersMatchThePackTruth) {
  const RegisterCase& c = GetParam();
  // The 100.1.09 identity brings the demo settings of a register-style target; command
  // set 6 differs only in its voltage coefficient and registers.
  CalStation st(physics::Target100() + "family = " + std::to_string(c.family) + "\n" +
                "true_board_offset_uv = -8\n" + c.truth);
  st.Settings().COMMANDSET = static_cast<int16_t>(c.family);
  ASSERT_GT(st.Settings().NumSamples, 1);
  ASSERT_EQ(st.Settings().IntTSSupported, 0) << "the external thermistor is calibrated";
  st.config.NominalSenseResistor = static_cast<int16_t>(std::lround(c.sense_mohm));
  st.config.SenseResistorTolerance = 10;
  // Board offset byte = round(value x 64 / 4.7095) sixteenths of a count, taken off the
  // discharge-positive counter: a value of 2 stores 27 / 16 count = 7.95 uV against the
  // pack's -8 uV, which these gauges count as +1.70 counts.
  st.config.BoardOffsetValue = 2;

  const double per_count = MaPerCount(physics::kRegisterCcMicrovolts, c.sense_mohm);
  st.Load(-1000.0);
  EXPECT_GT(std::abs(st.Reg(physics::kRegVoltage) - c.cell_mv), 4.0) << "gain error shows";
  EXPECT_GT(std::abs(st.Reg(physics::kRegCurrent) + 1000.0), 4.0 * per_count);
  EXPECT_GT(std::abs(st.Reg(c.external_temp_reg) - TruthTenthsK(kAmbientC)), 3.0);

  // The reference taps on; the procedure switches the load itself.
  st.PowerOn(false);
  CalOptions o = st.AllOptions(1);
  o.CalBoardOffset = -1;
  o.IntTSCalEnabled = 0;
  ASSERT_EQ(RunCalibrationI2C(st.ctx, st.config, o, 0x00, physics::kRegisterGauge), 0);
  ASSERT_EQ(st.board.CalBoardPowerOff(), 0);

  st.Load(c.check_ma);
  // Voltage: command set 7 stores a whole-mV offset taken from one reading (noise 0.1 mV,
  // rounding 0.5 mV) and adds it to the raw cell, whose gain error scales with the
  // distance from the 3700 mV reference; command set 6 scales a 1/65536 gain word.
  const double gain_error_mv =
      std::abs(c.cell_mv - physics::kRefTap[0]) * 0.005;  // truths below keep errors <= 0.5 %
  EXPECT_NEAR(st.Reg(physics::kRegVoltage), c.cell_mv, 2.0 + gain_error_mv);
  // Current: the averaged sample is a whole count sum over NumSamples conversions (noise
  // 0.3 count), the stored offsets are sixteenths, the board-offset byte is within 0.05 uV
  // of the truth; the reading is whole mA.
  const double ref_counts = kRefCurrentMa * c.sense_mohm / physics::kRegisterCcMicrovolts;
  const double gain_error = 1.0 / ref_counts;
  EXPECT_NEAR(st.Reg(physics::kRegCurrent), c.check_ma,
              1.5 * per_count + 1.0 + std::abs(c.check_ma) * gain_error);
  // Temperature: offset = 2982 - reading (the gauge's 273.2), so the sensor reads
  // truth + 0.5 with one conversion's noise and rounding: within 1.5 tenths.
  EXPECT_NEAR(st.Reg(c.external_temp_reg), TruthTenthsK(kAmbientC), 1.5);
  st.Load(0.0);
  EXPECT_NEAR(st.Reg(physics::kRegCurrent), 0.0, 1.5 * per_count + 1.0) << "offsets removed";
}

INSTANTIATE_TEST_SUITE_P(
    CommandSets, RegisterStyle,
    ::testing::Values(
        RegisterCase{"Set7",
                     7,
                     "true_cell_mv = 3662\ntrue_cell_gain_error = 0.004\n"
                     "true_sense_mohm = 20.6\ntrue_cc_offset_uv = 4\n"
                     "true_temp_error_c = 0.6 -1.4\n",
                     3662, 20.6, -1500, 0x06},
        RegisterCase{"Set6",
                     6,
                     "true_cell_mv = 3811\ntrue_cell_gain_error = -0.005\n"
                     "true_sense_mohm = 9.6\ntrue_cc_offset_uv = -3\n"
                     "true_temp_error_c = -0.7 1.2\n",
                     3811, 9.6, -800, 0x0C}),
    [](const ::testing::TestParamInfo<RegisterCase>& info) {
      return std::string(info.param.name);
    });

}  // namespace
}  // namespace tester
