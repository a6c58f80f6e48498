// Range checks: boundaries, which checks run, their order and codes.
#include "calibration/cal_checks.h"
#include "common/status_codes.h"
#include "gauge/station_settings.h"
#include "testing/replay_fixtures.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

TEST(CheckOffsetLimitTest, EqualPassesBeyondFailsBySide) {
  EXPECT_EQ(CheckOffsetLimit(30, 30), 0);
  EXPECT_EQ(CheckOffsetLimit(-30, 30), 0);
  EXPECT_EQ(CheckOffsetLimit(31, 30), kStatusTempOffsetHigh);
  EXPECT_EQ(CheckOffsetLimit(-31, 30), kStatusTempOffsetLow);
  EXPECT_EQ(CheckOffsetLimit(-32768, 32767), kStatusTempOffsetLow);
  // A negative tolerance counts by its size; the side compares with the tolerance itself.
  EXPECT_EQ(CheckOffsetLimit(5, -10), 0);
  EXPECT_EQ(CheckOffsetLimit(11, -10), kStatusTempOffsetHigh);
  EXPECT_EQ(CheckOffsetLimit(-11, -10), kStatusTempOffsetLow);
}

class CalResultsTest : public ::testing::Test {
protected:
  CalResultsTest() {
    settings.COMMANDSET = 1;
    config.VoltageCalEnabled = 1;
    config.CellCount = 2;
    config.NominalCellGain = 1000;
    config.CellGainTolerance = 5;
    config.VoltageWindow = 100;  // nominal pack gain 1000
    config.CurrentCalEnabled = 1;
    config.NominalSenseResistor = 40;  // mOhm: beyond what a 16-bit product could check
    config.SenseResistorTolerance = 5;
    results.CellGain = {1000, 1000, 0, 0};
    results.PackGain = 1000;
    results.CCGain = 9.419 / 40.0;  // 40000 uOhm
  }
  Status Check() { return CheckCalResults(settings, config, results); }

  StationSettings settings;
  StubTesterConfig config;
  CalibrationResults results;
};

TEST_F(CalResultsTest, CellGainDeviationEqualToTheTolerancePasses) {
  EXPECT_EQ(Check(), 0);
  results.CellGain[1] = 1050;
  EXPECT_EQ(Check(), 0);
  results.CellGain[1] = 1051;
  EXPECT_EQ(Check(), kStatusGainHigh);
  results.CellGain[1] = 950;
  EXPECT_EQ(Check(), 0);
  results.CellGain[1] = 949;
  EXPECT_EQ(Check(), kStatusGainLow);
  config.CellGainTolerance = -6;  // by its size
  EXPECT_EQ(Check(), 0);
}

TEST_F(CalResultsTest, PackGainIsCheckedUnlessSkippedOrZero) {
  results.PackGain = 1060;
  EXPECT_EQ(Check(), kStatusGainHigh);
  settings.SkipVBATCal = 1;
  EXPECT_EQ(Check(), 0);
  settings.SkipVBATCal = 0;
  results.PackGain = 0;
  EXPECT_EQ(Check(), 0);
  results.PackGain = 940;
  EXPECT_EQ(Check(), kStatusGainLow);
}

TEST_F(CalResultsTest, SenseResistanceAtFortyMilliOhmsChecksBothEdges) {
  results.CCGain = 9.419 / 42.0;  // 42000: exactly 5 % above
  EXPECT_EQ(Check(), 0);
  results.CCGain = 9.419 / 42.001;
  EXPECT_EQ(Check(), kStatusSenseResistorHigh);
  results.CCGain = 9.419 / 38.0;
  EXPECT_EQ(Check(), 0);
  results.CCGain = 9.419 / 37.999;
  EXPECT_EQ(Check(), kStatusSenseResistorLow);
  config.NominalSenseResistor = 500;  // far beyond 32 mOhm as well
  results.CCGain = 9.419 / 500.0;
  EXPECT_EQ(Check(), 0);
}

TEST_F(CalResultsTest, GainNotPositiveIs65571) {
  results.CCGain = 0.0;
  EXPECT_EQ(Check(), kStatusSenseResistorHigh);
  results.CCGain = -0.2;
  EXPECT_EQ(Check(), kStatusSenseResistorHigh);
}

TEST_F(CalResultsTest, CommandSet5ChecksCellOffsetsAsBytes) {
  settings.COMMANDSET = 5;
  results.CellGain = {127, -128, 500, 0};  // the third cell is not counted
  results.PackGain = 99999;                // no pack check for command set 5
  EXPECT_EQ(Check(), 0);
  results.CellGain[0] = 128;
  EXPECT_EQ(Check(), kStatusGainHigh);
  results.CellGain[0] = -129;
  EXPECT_EQ(Check(), kStatusGainLow);
}

TEST_F(CalResultsTest, ChecksRunOnlyWhenEnabledAndTheFirstFailureDecides) {
  results.CellGain[0] = 2000;
  results.CCGain = 0.0;
  results.TempOffset = {0, 0, 90, 0, 0};
  config.TempOffsetTolerance = 30;
  config.TS2CalEnabled = 1;
  config.TemperatureCalEnabled = 1;
  EXPECT_EQ(Check(), kStatusGainHigh);
  config.VoltageCalEnabled = -1;  // a truth value, not the flag value 1: off
  EXPECT_EQ(Check(), kStatusSenseResistorHigh);
  config.CurrentCalEnabled = 0;
  EXPECT_EQ(Check(), kStatusTempOffsetHigh);
  // Sensors are checked internal first: its negative offset is reported before TS2's.
  config.IntTSCalEnabled = 1;
  results.TempOffset[kTempSlotInternal] = -40;
  EXPECT_EQ(Check(), kStatusTempOffsetLow);
  config.TemperatureCalEnabled = 0;
  EXPECT_EQ(Check(), 0);
}

TEST_F(CalResultsTest, NominalsThatLeaveNothingToCompareWithAre65617) {
  config.NominalCellGain = 0;
  EXPECT_EQ(Check(), kStatusUnexpectedFailure);
  config.NominalCellGain = 1000;
  config.VoltageWindow = 0;
  EXPECT_EQ(Check(), kStatusUnexpectedFailure);
  config.VoltageWindow = 100;
  config.CellCount = 5;
  EXPECT_EQ(Check(), kStatusUnexpectedFailure);
  config.CellCount = 2;
  config.NominalSenseResistor = 0;
  EXPECT_EQ(Check(), kStatusUnexpectedFailure);
}

}  // namespace
}  // namespace tester
