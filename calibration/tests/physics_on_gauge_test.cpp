// Gauge-assisted calibration end to end on the 800.1.02 target (coefficients in the
// gauge's own layout, class 104): RunCalibration with the station's references, then the
// K-factor correction against per-tap references (VoltageCalMode 1) and the board offset
// by direct sampling, as the main test sequence and its workaround step run them; the
// gauge's readings against the pack's truth after each stage.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "calibration/board_offset_direct.h"
#include "calibration/on_gauge_cal.h"
#include "calibration/ref_voltages.h"
#include "calibration/tests/physics_bench.h"
#include "sim/cal_layout.h"

namespace tester {
namespace {

using physics::CalStation;
using physics::kAmbientC;
using physics::MaPerCount;
using physics::TruthTenthsK;

// The station's reference taps are not whole multiples of the tap-1 reference: the
// gauge's own voltage step assumes they are, the K-factor correction puts that right.
constexpr TapReferences kTaps = {3700, 7410, 11090, 14800};
constexpr double kSenseMohm = 10.4;
constexpr double kBoardUv = 20.0;
constexpr double kCells[3] = {3702.5, 3698.1, 3705.0};
constexpr int16_t kWindowMv = 3;  // VoltageWindow of the station
constexpr int16_t kSamplesPerSeries = 2;  // test.ini NumSamples 4, halved by the workaround
constexpr int16_t kBoardSampleMs = 250;
constexpr int16_t kBoardLimit = 100;
constexpr int kCalClassAt = 0x0180;  // data-flash address of class 104 on the jig

std::string PackKeys() {
  return physics::Target800() +
         "true_cell_mv = 3702.5 3698.1 3705.0\n"
         "true_cell_gain_error = 0.004 -0.003 0.002\n"
         "true_sense_mohm = 10.4\ntrue_cc_offset_uv = 6\ntrue_board_offset_uv = 20\n"
         "true_temp_error_c = 1.2 -1.6\n";
}

class GaugeAssisted : public ::testing::Test {
protected:
  GaugeAssisted() : st(PackKeys(), "ref_tap_mv = 3700 7410 11090 14800\n") {}

  CalOptions Options() {
    CalOptions o = st.AllOptions(3);
    o.RefVoltage2 = kTaps[1];
    o.RefVoltage3 = kTaps[2];
    o.RefVoltage4 = kTaps[3];
    return o;
  }

  CalStation st;
};

TEST_F(GaugeAssisted, CalibrationKFactorsAndBoardOffsetMakeTheReadingsTrue) {
  const StationSettings& s = st.Settings();
  ASSERT_EQ(s.Process_UseNewMain, 0) << "800.1.02 runs the gauge-assisted main process";
  ASSERT_EQ(s.BoardOffsetOffset, 20);
  ASSERT_EQ(s.KFactorOverrideOffset, 20);
  const double per_count = MaPerCount(physics::kSmbusCcMicrovolts, kSenseMohm);

  st.Load(-1500.0);
  EXPECT_GT(std::abs(st.Cell(1) - kCells[0]), 10.0) << "0.4 % gain error";
  EXPECT_GT(std::abs(st.SignedWord(physics::kCurrentCmd) + 1500.0), 40.0) << "10.4 mOhm";
  EXPECT_GT(std::abs(st.Word(physics::kTemperatureCmd) - TruthTenthsK(kAmbientC)), 10.0);

  st.PowerOn(true);
  ASSERT_EQ(RunCalibration(st.ctx, Options(), physics::kSmbusGauge), 0);

  // What the later limit check reads from class 104: K factor 1 at byte 8 against
  // NominalCellGain x 20 (the cell's +0.4 % gain error gives 20000 / 1.004 = 19920, to
  // one count of rounding), the internal and TS1 offsets at bytes 17 and 18 (-(error x 10)
  // + 0.5 for the record's 273.2, rounded: -11.5 -> -11 or -12, 16.5 -> 16 or 17).
  const auto cal = st.Pack().Memory().DataFlash().subspan(kCalClassAt, 32);
  EXPECT_NEAR(cal[8] << 8 | cal[9], 20000.0 / 1.004, 1.5);
  EXPECT_NEAR(static_cast<int8_t>(cal[s.ITOff_DFOff]), -11.5, 1.0);
  EXPECT_NEAR(static_cast<int8_t>(cal[s.ET1Off_DFOff]), 16.5, 1.0);

  // The gauge took every tap as a multiple of 3700 mV: taps 2 and 3 are 10 mV off.
  TapVoltages taps{};
  ASSERT_EQ(ReadTapVoltages(st.Link(), 3, taps), 0);
  EXPECT_NEAR(taps[0], kTaps[0], 2);
  EXPECT_NEAR(taps[1], 7400, 2);
  EXPECT_NEAR(taps[2], 11100, 2);

  ASSERT_EQ(CalibrateRefVoltages(st.ctx, kTaps, 3, kWindowMv), 0);
  ASSERT_EQ(ReadTapVoltages(st.Link(), 3, taps), 0);
  // K = round(ref x K_old / tap): 1 part in 20000 (0.55 mV at 11 V) on a tap summed from
  // whole-mV cells (0.5 mV each), then read again the same way.
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(taps[i], kTaps[i], 1.0 + 1.0 * (i + 1)) << "tap " << i;

  // The workaround's board-offset step: load off, the calibrated sense reading, sampling.
  ASSERT_EQ(st.board.CalBoardLoadOff(), 0);
  const int sense = st.Word(physics::kSenseCmd);
  ASSERT_EQ(CalibrateBoardOffsetDirect(st.ctx, kSamplesPerSeries, kBoardSampleMs,
                                       static_cast<int16_t>(sense), kBoardLimit,
                                       physics::kSmbusGauge),
            0);
  ASSERT_EQ(st.board.CalBoardPowerOff(), 0);

  // Board offset stored as 64 x counts: 20 uV is 2.12 counts, 136 + the sense term
  // (sense x 38.4 / 9419 = 42): within the two-sample rounding (64 x 0.8) of that.
  const auto word_at = st.Pack().Memory().DataFlash().subspan(kCalClassAt + 20, 2);
  const int board_word = static_cast<int16_t>(word_at[0] << 8 | word_at[1]);
  EXPECT_NEAR(board_word, 64 * kBoardUv / physics::kSmbusCcMicrovolts + sense * 38.4 / 9419.0,
              52);

  st.Load(-1500.0);
  // Cells: differences of two taps within the bounds above (1 + 1 x tap mV each).
  EXPECT_NEAR(st.Cell(1), kCells[0], 2.0);
  EXPECT_NEAR(st.Cell(2), kCells[1], 5.0);
  EXPECT_NEAR(st.Cell(3), kCells[2], 7.0);
  EXPECT_NEAR(st.Word(physics::kVoltageCmd), kCells[0] + kCells[1] + kCells[2], 4.0);
  // Current: the gauge's gain was taken before the board offset was known, so it carries
  // the board offset against the reference signal (20 uV of 20.8 mV); the stored offsets
  // are good to about 1.5 counts (two rounded samples per series, the sense term).
  const double gain_error = kBoardUv / (2000.0 * kSenseMohm) + 1.0 / 2000.0;
  EXPECT_NEAR(st.SignedWord(physics::kCurrentCmd), -1500.0,
              1500.0 * gain_error + 1.5 * per_count + 1.0);
  EXPECT_NEAR(st.Word(physics::kSenseCmd), kSenseMohm * 1000.0,
              kSenseMohm * 1000.0 * gain_error + 1.0);
  // Temperatures: offset = record (x 10 + 2732) - reading: truth + 0.5 tenths, with a
  // later conversion's noise and rounding.
  EXPECT_NEAR(st.Word(physics::kTemperatureCmd), TruthTenthsK(kAmbientC), 1.5) << "TS1";
  EXPECT_NEAR(st.Word(physics::kIntTempCmd), TruthTenthsK(kAmbientC), 1.5) << "internal";
  st.Load(0.0);
  EXPECT_NEAR(st.SignedWord(physics::kCurrentCmd), 0.0, 1.5 * per_count + 1.0)
      << "CC offset and board offset removed";
}

TEST(GaugeAssistedWindow, TapsWithinTheWindowLeaveTheKFactorsAlone) {
  CalStation exact(PackKeys());  // reference taps whole multiples of 3700 mV
  exact.PowerOn(true);
  CalOptions o = exact.AllOptions(3);
  ASSERT_EQ(RunCalibration(exact.ctx, o, physics::kSmbusGauge), 0);
  const auto before = std::vector<uint8_t>(exact.Pack().Memory().DataFlash().begin(),
                                           exact.Pack().Memory().DataFlash().end());
  const TapReferences refs = {3700, 7400, 11100, 14800};
  ASSERT_EQ(CalibrateRefVoltages(exact.ctx, refs, 3, kWindowMv), 0);
  const auto after = exact.Pack().Memory().DataFlash();
  EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin(), after.end()))
      << "no override word, no K factors written";
}

}  // namespace
}  // namespace tester
