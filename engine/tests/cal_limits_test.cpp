// Limit verification after gauge-assisted calibration, against hand-written bus
// conversations: which checks run, the order and the first finding, the comparisons at
// their boundaries, nominals that cannot be formed, and failing reads passed on.
#include "engine/cal_limits.h"

#include "common/status_codes.h"
#include "testing/replay_fixtures.h"
#include "testing/throwing_control.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

using namespace trace;

// A read from class 0x68: class select, then block 0 answering `block`.
std::string ClassRead(const Bytes& block) { return WriteWord(0x77, 0x68) + ReadBlock(0x78, block); }
std::string GainRead(unsigned gain) { return ClassRead(PageWithWord(8, gain)); }
std::string SenseRead(unsigned word) { return ReadWord(0x71, word); }

// Block 0 with the three temperature offsets at bytes 17, 18, 19.
Bytes OffsetBlock(int internal, int ts1, int ts2) {
  Bytes block(32, 0);
  block[17] = static_cast<uint8_t>(internal);
  block[18] = static_cast<uint8_t>(ts1);
  block[19] = static_cast<uint8_t>(ts2);
  return block;
}
std::string OffsetReads(int internal, int ts1, int ts2) {
  return Times(ClassRead(OffsetBlock(internal, ts1, ts2)), 3);
}

class CalLimitsTest : public CalReplayTest {
protected:
  CalLimitsTest() {
    settings.ITOff_DFOff = 17;
    settings.ET1Off_DFOff = 18;
    settings.ET2Off_DFOff = 19;
    config.NominalCellGain = 100;  // 2000 gain counts
    config.CellGainTolerance = 5;
    config.NominalSenseResistor = 10;  // 10000
    config.SenseResistorTolerance = 5;
    config.TempOffsetTolerance = 5;
  }
  void GainOnly() {
    config.VoltageCalMode = kVoltageCalTotal;
    config.VoltageCalEnabled = 1;
  }
  Status Check(const std::string& lines) {
    Replay(lines);
    const Status status = CheckCalLimits(link, config);
    ExpectTraceDone();
    return status;
  }
};

TEST_F(CalLimitsTest, NothingEnabledTouchesNoBus) {
  config.VoltageCalMode = kVoltageCalPerTapInside;  // per-tap voltages: no gain check
  config.VoltageCalEnabled = 1;
  config.CurrentCalEnabled = -1;  // True is not "on"
  config.TemperatureCalEnabled = 2;
  EXPECT_EQ(Check(""), 0);
}

TEST_F(CalLimitsTest, CellGainBoundariesAndTheAbsoluteTolerance) {
  GainOnly();
  config.CellGainTolerance = -5;  // acts as 5
  EXPECT_EQ(Check(GainRead(2100)), 0);  // exactly 5 %
  EXPECT_EQ(Check(GainRead(1900)), 0);
  EXPECT_EQ(Check(GainRead(2101)), kStatusGainHigh);
  EXPECT_EQ(Check(GainRead(1899)), kStatusGainLow);
  config.CellGainTolerance = 0;
  EXPECT_EQ(Check(GainRead(2000)), 0);  // measured = nominal is never a finding
  EXPECT_EQ(Check(GainRead(2001)), kStatusGainHigh);
}

TEST_F(CalLimitsTest, CellGainNominalThatCannotBeFormedIsAnError) {
  GainOnly();
  config.NominalCellGain = 0;
  EXPECT_EQ(Check(GainRead(2000)), kStatusUnexpectedFailure);
  config.NominalCellGain = 1638;  // 32760: still a 16-bit word
  EXPECT_EQ(Check(GainRead(32760)), 0);
  config.NominalCellGain = 1639;  // 32780 overflows the word
  EXPECT_EQ(Check(GainRead(32767)), kStatusUnexpectedFailure);
}

TEST_F(CalLimitsTest, AnErrorRaisedOnTheWayIs65617) {
  GainOnly();
  test::ThrowingControl control;
  link.BindGaugeControl(&control);
  EXPECT_EQ(CheckCalLimits(link, config), kStatusUnexpectedFailure);
  link.BindGaugeControl(nullptr);
}

TEST_F(CalLimitsTest, SenseResistanceAgainstAWideNominal) {
  config.CurrentCalEnabled = 1;
  EXPECT_EQ(Check(SenseRead(10500)), 0);
  EXPECT_EQ(Check(SenseRead(10501)), kStatusSenseResistorHigh);
  EXPECT_EQ(Check(SenseRead(9499)), kStatusSenseResistorLow);
  config.SenseResistorTolerance = -1;
  config.NominalSenseResistor = 33;  // 33000: beyond a 16-bit word, compared as it is
  EXPECT_EQ(Check(SenseRead(32767)), 0);
}

TEST_F(CalLimitsTest, TemperatureOffsetsAreSignedBytesAgainstTheLimit) {
  config.TemperatureCalEnabled = 1;
  config.IntTSCalEnabled = 1;
  EXPECT_EQ(Check(OffsetReads(-7, 0, 0)), kStatusTempOffsetLow);
  EXPECT_EQ(Check(OffsetReads(7, 0, 0)), kStatusTempOffsetHigh);
  EXPECT_EQ(Check(OffsetReads(5, 0, 0)), 0);
  config.TempOffsetTolerance = -5;
  EXPECT_EQ(Check(OffsetReads(-5, 0, 0)), 0);
}

TEST_F(CalLimitsTest, EachOffsetIsJudgedOnlyByItsOwnFlag) {
  config.TemperatureCalEnabled = 1;
  // Far-off offsets of sensors not calibrated are read but not judged.
  EXPECT_EQ(Check(OffsetReads(100, -100, 100)), 0);
  config.TS2CalEnabled = 1;
  EXPECT_EQ(Check(OffsetReads(100, -100, 6)), kStatusTempOffsetHigh);
  config.TS1CalEnabled = 1;
  EXPECT_EQ(Check(OffsetReads(0, -6, 0)), kStatusTempOffsetLow);
}

TEST_F(CalLimitsTest, FirstFindingEndsTheChecks) {
  GainOnly();
  config.CurrentCalEnabled = 1;
  config.TemperatureCalEnabled = 1;
  config.IntTSCalEnabled = 1;
  EXPECT_EQ(Check(GainRead(3000)), kStatusGainHigh);
  EXPECT_EQ(Check(GainRead(2000) + SenseRead(5000)), kStatusSenseResistorLow);
  EXPECT_EQ(Check(GainRead(2000) + SenseRead(10000) + OffsetReads(-9, 0, 0)),
            kStatusTempOffsetLow);
  EXPECT_EQ(Check(GainRead(2000) + SenseRead(10000) + OffsetReads(1, 0, 0)), 0);
}

TEST_F(CalLimitsTest, FailingReadsArePassedOnUnchanged) {
  GainOnly();
  config.CurrentCalEnabled = 1;
  config.TemperatureCalEnabled = 1;
  EXPECT_EQ(Check(WriteWord(0x77, 0x68, 0x17, 7)), 7);  // class select refused
  EXPECT_EQ(Check(WriteWord(0x77, 0x68) + ReadBlock(0x78, {}, 12)), 12);
  EXPECT_EQ(Check(GainRead(2000) + ReadWord(0x71, 0, -3)), -3);
  // The second offset read fails: the third is not attempted.
  EXPECT_EQ(Check(GainRead(2000) + SenseRead(10000) + ClassRead(OffsetBlock(0, 0, 0)) +
                  WriteWord(0x77, 0x68) + ReadBlock(0x78, {}, 9)),
            9);
}

}  // namespace
}  // namespace tester
