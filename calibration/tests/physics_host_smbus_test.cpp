// Host-computed calibration of SMBus gauges end to end: RunCalibrationSMBus on a pack with
// known hidden errors, the calibration board applying the station's references, then the
// gauge's calibrated readings against the pack's truth.
//
// Tolerances follow from the gauge model: cell counts are 4 per mV with +-0.4 count noise,
// each averaged pass is rounded to whole counts, gains are whole numbers (1 part in 16384 or
// 30000), readings are whole mV / mA / 0.1 K; the coulomb counter has +-0.3 count noise.
#include <cmath>
#include <string>

#include "calibration/cal_run_smbus.h"
#include "calibration/tests/physics_bench.h"
#include "common/status_codes.h"

namespace tester {
namespace {

using physics::CalStation;
using physics::kAmbientC;
using physics::kRefCurrentMa;
using physics::MaPerCount;
using physics::TruthTenthsK;

// A cell reads within 2 mV: the tap gain is good to 1 part in 16384 at up to 14.8 V
// (<= 0.5 mV), the averaged tap counts to half a count (0.13 mV), two readings of whole mV
// are subtracted (<= 1 mV together).
constexpr double kCellTolMv = 2.0;
// A calibrated sensor reads within 1.5 tenths: the offset is the rounded difference to a
// truth with a half (x.5), and a later conversion's noise (0.3) and rounding (0.5) add.
constexpr double kTempTolTenths = 1.5;

// Current tolerance: the offsets are stored from passes rounded to whole counts (one
// count each for the CC offset and the board offset, plus noise), the reading is a whole
// mA, and the gain carries the averaged reference counts' rounding (half a count of the
// reference signal) plus the board offset, which the gain computation reads from the
// class before the new one is written (it is 0 on a first calibration).
double CurrentTolMa(double mohm, double current_ma, double board_uv) {
  const double per_count = MaPerCount(physics::kSmbusCcMicrovolts, mohm);
  const double ref_counts = kRefCurrentMa * mohm / physics::kSmbusCcMicrovolts;
  const double gain_error = (1.0 + board_uv / physics::kSmbusCcMicrovolts) / ref_counts;
  return 2.5 * per_count + 1.0 + std::abs(current_ma) * gain_error;
}

struct HostCase {
  const char* name;
  std::string pack;     // identity keys (selects the demo settings) and hidden truth
  int cells;
  double cell_mv[4];
  double sense_mohm;
  double board_uv;
  double check_ma;      // load while checking the current
  bool pack_voltage;    // 0x09 reads the pack input through its own gain
  bool board_offset;    // calibrate the board offset too
  bool internal_sensor;  // calibrate the internal sensor too
};

class HostComputed : public ::testing::TestWithParam<HostCase> {};

TEST_P(HostComputed, CalibratedReadingsMatchThePackTruth) {
  const HostCase& c = GetParam();
  CalStation st(c.pack);
  StationSettings& s = st.Settings();
  // Family 1 keeps its coefficients in the gauge layout in the demo settings; this pack
  // holds them in the host layout at 96 instead.
  if (s.COMMANDSET == 1) {
    s.CalibrationClsID = 96;
    s.BoardOffsetOffset = 24;
    s.NumSamples = 4;
  }
  ASSERT_GT(s.NumSamples, 1) << "several samples per pass";
  st.config.NominalSenseResistor = static_cast<int16_t>(std::lround(c.sense_mohm));
  if (st.config.NominalSenseResistor == 0) st.config.NominalSenseResistor = 1;
  st.config.SenseResistorTolerance = 60;  // the range check is not what this test is about

  // Uncalibrated: nominal coefficients, so the hidden errors show.
  st.Load(-1000.0);
  const double per_count = MaPerCount(physics::kSmbusCcMicrovolts, c.sense_mohm);
  EXPECT_GT(std::abs(st.Cell(1) - c.cell_mv[0]), 4.0) << "cell 1 off by its gain error";
  EXPECT_GT(std::abs(st.SignedWord(physics::kCurrentCmd) + 1000.0), 4.0 * per_count)
      << "current off by the sense resistor";
  EXPECT_GT(std::abs(st.Word(physics::kTemperatureCmd) - TruthTenthsK(kAmbientC)), 3.0);

  st.PowerOn(true);
  CalOptions o = st.AllOptions(c.cells);
  o.CalBoardOffset = c.board_offset ? -1 : 0;
  o.IntTSCalEnabled = c.internal_sensor ? -1 : 0;
  ASSERT_EQ(RunCalibrationSMBus(st.ctx, st.config, o, 0x00, physics::kSmbusGauge), 0)
      << "messages: " << st.dialogs.Messages().size();
  ASSERT_EQ(st.board.CalBoardPowerOff(), 0);

  // Calibrated: the pack's own cells, the load of the check.
  st.Load(c.check_ma);
  double pack_mv = 0;
  for (int i = 0; i < c.cells; ++i) {
    EXPECT_NEAR(st.Cell(i + 1), c.cell_mv[i], kCellTolMv) << "cell " << i + 1;
    pack_mv += c.cell_mv[i];
  }
  // The pack input has its own gain (1 part in 30000) or is the top tap.
  EXPECT_NEAR(st.Word(physics::kVoltageCmd), pack_mv, c.pack_voltage ? 3.0 : kCellTolMv);
  EXPECT_NEAR(st.SignedWord(physics::kCurrentCmd), c.check_ma,
              CurrentTolMa(c.sense_mohm, c.check_ma, c.board_uv));
  // 0x71 = 9419 / CC gain: the gain's error (above) at 1 uOhm resolution.
  EXPECT_NEAR(st.Word(physics::kSenseCmd), c.sense_mohm * 1000.0,
              c.sense_mohm * 1000.0 * CurrentTolMa(c.sense_mohm, 0, c.board_uv) / 2000.0 + 2);
  EXPECT_NEAR(st.Word(physics::kTemperatureCmd), TruthTenthsK(kAmbientC), kTempTolTenths);
  EXPECT_NEAR(st.Word(physics::kIntTempCmd + 1), TruthTenthsK(kAmbientC), kTempTolTenths)
      << "TS1";
  if (c.internal_sensor) {
    EXPECT_NEAR(st.Word(physics::kIntTempCmd), TruthTenthsK(kAmbientC), kTempTolTenths);
  }
  st.Load(0.0);
  EXPECT_NEAR(st.SignedWord(physics::kCurrentCmd), 0.0, 2.5 * per_count + 1.0)
      << "CC offset and board offset removed";
}

INSTANTIATE_TEST_SUITE_P(
    CommandSets, HostComputed,
    ::testing::Values(
        HostCase{"Set1HostLayout",
                 physics::Target800() +
                     "cal_layout = host\ntrue_cell_mv = 3702 3698 3705\n"
                     "true_cell_gain_error = 0.004 -0.003 0.002\ntrue_pack_gain_error = 0.005\n"
                     "true_sense_mohm = 10.3\ntrue_cc_offset_uv = 8\ntrue_board_offset_uv = 30\n"
                     "true_temp_error_c = 1.5 -2.0 0.8\n",
                 3, {3702, 3698, 3705, 0}, 10.3, 30, -1500, true, true, true},
        HostCase{"Set2",
                 physics::Target700() +
                     "true_cell_mv = 4001 3999 4003 3998\n"
                     "true_cell_gain_error = 0.004 -0.006 0.003 -0.002\n"
                     "true_pack_gain_error = -0.004\ntrue_sense_mohm = 2.6\n"
                     "true_cc_offset_uv = 1.9\ntrue_board_offset_uv = -6\n"
                     "true_temp_error_c = -1.2 0.9\n",
                 4, {4001, 3999, 4003, 3998}, 2.6, -6, -3000, false, true, true},
        // Command set 5 stores the board offset as a word at 12-13 and the internal sensor's
        // offset at 13, so the internal sensor is not calibrated (the demo settings do not
        // support it) and the gauge reads TS1 (ToggleTempBit switches its source). It
        // corrects cell 1 with one mV offset every cell shares: both cells carry the same
        // gain error here.
        HostCase{"Set5",
                 physics::Target450() +
                     "true_cell_mv = 3801 3799\ntrue_cell_gain_error = 0.004 0.004\n"
                     "true_sense_mohm = 5.2\ntrue_cc_offset_uv = 2.4\n"
                     "true_board_offset_uv = 12\ntrue_temp_error_c = 0.9 -1.1\n",
                 2, {3801, 3799, 0, 0}, 5.2, 12, -2500, false, true, false}),
    [](const ::testing::TestParamInfo<HostCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tester
