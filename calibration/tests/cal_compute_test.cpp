// Coefficients from readings and references, with the data-flash words they need read
// from the calibration class pages.
#include "calibration/cal_compute.h"
#include "common/status_codes.h"
#include "gauge/station_settings.h"
#include "testing/replay_fixtures.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

using namespace trace;

// --- voltage ---

class VoltageGainsTest : public ::testing::Test {
protected:
  VoltageGainsTest() {
    settings.COMMANDSET = 1;
    options.CellCount = 2;
    options.RefVoltage1 = 3700;
    options.RefVoltage2 = 7400;
    options.RefVoltage4 = 14800;
    raw.CellRaw = {7500, 7420, 0, 0};
    raw.PackRaw = 15000;
  }
  Status Compute() { return ComputeVoltageGains(settings, options, raw, results); }

  StationSettings settings;
  CalOptions options;
  RawCalData raw;
  CalibrationResults results;
};

TEST_F(VoltageGainsTest, TapGainsUseTheSumOfTheCellsBelowAndThePackTheLastTap) {
  ASSERT_EQ(Compute(), 0);
  EXPECT_EQ(results.CellGain[0], 32331);  // 65536 x 3700 / 7500 = 32331.09
  EXPECT_EQ(results.CellGain[1], 32504);  // 65536 x 7400 / 14920 = 32504.45
  EXPECT_EQ(results.PackGain, 32331);     // 65536 x 7400 / 15000 = 32331.09

  settings.ShowVBATInput = 1;  // the fourth reference, whatever the cell count
  ASSERT_EQ(Compute(), 0);
  EXPECT_EQ(results.PackGain, 64662);  // 65536 x 14800 / 15000 = 64662.19
}

TEST_F(VoltageGainsTest, NoPackReadingGivesNoPackGain) {
  raw.PackRaw = 0;
  results.PackGain = 99;
  ASSERT_EQ(Compute(), 0);
  EXPECT_EQ(results.PackGain, 0);
}

TEST_F(VoltageGainsTest, ImpossibleGainsAndCellCountsFailInsteadOfWrapping) {
  raw.CellRaw = {0, 0, 0, 0};
  EXPECT_EQ(Compute(), kStatusGainHigh);  // no reading across the tap
  raw.CellRaw = {3000, 7420, 0, 0};       // 65536 x 3700 / 3000 = 80827: beyond 16 bits
  EXPECT_EQ(Compute(), kStatusGainHigh);
  raw.CellRaw = {7500, 7420, 0, 0};
  options.RefVoltage1 = -4000;            // -34952: below 16 bits
  EXPECT_EQ(Compute(), kStatusGainLow);
  options.CellCount = 0;
  EXPECT_EQ(Compute(), kStatusUnexpectedFailure);
  options.CellCount = 5;
  EXPECT_EQ(Compute(), kStatusUnexpectedFailure);
}

TEST_F(VoltageGainsTest, CommandSet5StoresTheCellOneOffset) {
  settings.COMMANDSET = 5;
  raw.CellRaw = {3688, 0, 0, 0};
  ASSERT_EQ(Compute(), 0);
  EXPECT_EQ(results.CellGain[0], 12);
  raw.CellRaw = {40000, 0, 0, 0};  // -36300 mV does not fit the offset's 16 bits
  EXPECT_EQ(Compute(), kStatusGainLow);
}

// --- current and board offset: words of the calibration class ---

class CurrentCalTest : public CalReplayTest {
protected:
  CurrentCalTest() {
    settings.COMMANDSET = 1;
    settings.QZMAC = 0x00;
    settings.CalibrationClsID = 104;
    settings.CCOffsetSampleOffset = 20;  // byte 124: page 3, position 28
    settings.BoardOffsetOffset = 24;     // byte 128: page 4, position 0
    options.RefCurrentNeg = -1000;
    raw.CurrentRaw = -2000;
    raw.CCOffsetRaw = -3;
  }
  static std::string SampleCount(unsigned n) {
    return WriteWord(0x00, 0x0103) + ReadBlock(0x2F, PageWithWord(28, n));
  }
  static std::string BoardOffsetWord(unsigned word) {
    return WriteWord(0x00, 0x0104) + ReadBlock(0x2F, PageWithWord(0, word));
  }

  CalOptions options;
  RawCalData raw;
  CalibrationResults results;
};

TEST_F(CurrentCalTest, GainFromTheCorrectedReadingAndDeltaFromTheGain) {
  Replay(SampleCount(64) + BoardOffsetWord(0xFFD8));  // N = 64, board offset -40
  ASSERT_EQ(ComputeCurrentCal(ctx, options, raw, false, results), 0);
  ExpectTraceDone();
  EXPECT_EQ(results.CCOffsetTotal, -192);
  // C = -2000 - (-40 - 192) / 64 = -1996.375; gain = -1000 / C.
  EXPECT_NEAR(results.CCGain, 0.5009078955607, 1e-12);
  EXPECT_NEAR(results.CCDelta, 149401.5992987, 1e-6);
}

TEST_F(CurrentCalTest, CommandSet5NegatesTheReferenceAndUsesItsDeltaFactor) {
  settings.COMMANDSET = 5;
  options.RefCurrentNeg = 1000;
  Replay(SampleCount(64) + BoardOffsetWord(0xFFD8));
  ASSERT_EQ(ComputeCurrentCal(ctx, options, raw, false, results), 0);
  EXPECT_NEAR(results.CCGain, 0.5009078955607, 1e-12);
  EXPECT_NEAR(results.CCDelta, 0.5009078955607 * 1193046.4711, 1e-5);
}

TEST_F(CurrentCalTest, OffsetOnlyReadsOnlyTheSampleCount) {
  Replay(SampleCount(64));
  ASSERT_EQ(ComputeCurrentCal(ctx, options, raw, true, results), 0);
  ExpectTraceDone();
  EXPECT_EQ(results.CCOffsetTotal, -192);
  EXPECT_EQ(results.CCGain, 0.0);
}

TEST_F(CurrentCalTest, CommandSet2ReadsItsSixtyFourBytePage) {
  settings.COMMANDSET = 2;  // byte 124: page 1 (block 0x59), position 60
  Replay(ReadBlock(0x59, PageWithWord(60, 10, 64)));
  ASSERT_EQ(ComputeCurrentCal(ctx, options, raw, true, results), 0);
  ExpectTraceDone();
  EXPECT_EQ(results.CCOffsetTotal, -30);
}

TEST_F(CurrentCalTest, FailuresOfTheCurrentComputation) {
  raw.CurrentRaw = -2;
  raw.CCOffsetRaw = -2;
  Replay(SampleCount(64) + BoardOffsetWord(0xFF00));  // C = -2 - (-256 - 128) / 64 = 4
  EXPECT_EQ(ComputeCurrentCal(ctx, options, raw, false, results), 0);
  raw.CurrentRaw = -6;  // C = -6 - (-384 / 64) = 0
  Replay(SampleCount(64) + BoardOffsetWord(0xFF00));
  EXPECT_EQ(ComputeCurrentCal(ctx, options, raw, false, results), kStatusCalCurrentZero);

  raw.CCOffsetRaw = 600;  // 64 x 600 = 38400 does not fit the stored 16-bit total
  Replay(SampleCount(64));
  EXPECT_EQ(ComputeCurrentCal(ctx, options, raw, false, results), kStatusCalCurrentFailed);
  ExpectTraceDone();

  raw.CCOffsetRaw = -3;
  Replay(SampleCount(0) + BoardOffsetWord(0));  // no samples: the correction has no value
  EXPECT_EQ(ComputeCurrentCal(ctx, options, raw, false, results), kStatusCalCurrentFailed);

  Replay(WriteWord(0x00, 0x0103) + ReadBlock(0x2F, {}, 7));
  EXPECT_EQ(ComputeCurrentCal(ctx, options, raw, false, results), kStatusCalCurrentFailed);
}

TEST_F(CurrentCalTest, WordsOutsideTheirPageAreRefusedWithoutTraffic) {
  settings.CCOffsetSampleOffset = 23;  // byte 127: the word would run into the next page
  Replay("");
  EXPECT_EQ(ComputeCurrentCal(ctx, options, raw, true, results), kStatusCalCurrentFailed);
  ExpectTraceDone();
}

TEST_F(CurrentCalTest, BoardOffsetIsTheSampleCountTimesTheDifference) {
  RawCalData a;
  RawCalData b;
  a.CCOffsetRaw = 3;
  b.CurrentRaw = 5;
  Replay(SampleCount(64));
  ASSERT_EQ(ComputeBoardOffset(ctx, a, b, results), 0);
  ExpectTraceDone();
  EXPECT_EQ(results.BoardOffset, 128);

  // 64 x 600 overflows 16 bits on the way but the offset itself fits.
  a.CCOffsetRaw = 600;
  b.CurrentRaw = 590;
  Replay(SampleCount(64));
  ASSERT_EQ(ComputeBoardOffset(ctx, a, b, results), 0);
  EXPECT_EQ(results.BoardOffset, -640);

  b.CurrentRaw = 1200;  // 64 x 600 = 38400: no 16-bit offset
  Replay(SampleCount(64));
  EXPECT_EQ(ComputeBoardOffset(ctx, a, b, results), kStatusCalBoardOffsetFailed);
  Replay(SampleCount(0));
  EXPECT_EQ(ComputeBoardOffset(ctx, a, b, results), kStatusCalBoardOffsetFailed);
  Replay(WriteWord(0x00, 0x0103, 0x17, 9));
  EXPECT_EQ(ComputeBoardOffset(ctx, a, b, results), kStatusCalBoardOffsetFailed);
}

// --- temperature ---

class TempOffsetsTest : public CalReplayTest {
protected:
  TempOffsetsTest() {
    settings.QZMAC = 0x00;
    settings.IntTSSupported = 1;
    settings.TS1Supported = 1;
    settings.TS2Supported = 1;
    settings.IntTSReadTemperature = 0x48;
    settings.TS1ReadTemperature = 0x49;
    settings.TS2ReadTemperature = 0x4A;
    options.RefTemperature = 25.0f;  // 2981.5 (0.1 K)
    options.IntTSCalEnabled = kTrue;
    options.TS1CalEnabled = kTrue;
    options.TS2CalEnabled = kTrue;
  }
  CalOptions options;
  CalibrationResults results;
};

TEST_F(TempOffsetsTest, WordFamiliesReadEachSensorInTheirOrderAndRoundHalfToEven) {
  settings.COMMANDSET = 0;
  settings.TS3Supported = 1;  // supported but not asked for: not read
  Replay(ReadWord(0x49, 2979) + ReadWord(0x4A, 2984) + ReadWord(0x48, 2990));
  ASSERT_EQ(ComputeTempOffsets(ctx, options, results), 0);
  ExpectTraceDone();
  EXPECT_EQ(results.TempOffset[kTempSlotTS1], 2);        // 2.5
  EXPECT_EQ(results.TempOffset[kTempSlotTS2], -2);       // -2.5
  EXPECT_EQ(results.TempOffset[kTempSlotInternal], -8);  // -8.5
  EXPECT_EQ(results.TempOffset[kTempSlotTS3], 0);
}

TEST_F(TempOffsetsTest, BlockFamiliesTakeAllFiveFromOneBlock) {
  const Bytes temps = SampleBlock(2980 & 0xFF, 2980 >> 8, {2983, 2970, 3000, 2900});
  settings.COMMANDSET = 4;
  Replay(WriteWord(0x00, 0x0072) + ReadBlock(0x23, temps));
  ASSERT_EQ(ComputeTempOffsets(ctx, options, results), 0);
  ExpectTraceDone();
  EXPECT_EQ(results.TempOffset, (std::array<int16_t, 5>{2, -2, 12, -18, 82}));

  settings.COMMANDSET = 1;
  Replay(ReadBlock(0x72, temps));
  ASSERT_EQ(ComputeTempOffsets(ctx, options, results), 0);
  ExpectTraceDone();
}

TEST_F(TempOffsetsTest, ReadFailuresAndShortBlocksAre5026) {
  settings.COMMANDSET = 2;
  Replay(ReadWord(0x49, 0, 4));
  EXPECT_EQ(ComputeTempOffsets(ctx, options, results), kStatusCalTemperatureFailed);
  settings.COMMANDSET = 1;
  Replay(ReadBlock(0x72, {0xA4, 0x0B}));
  EXPECT_EQ(ComputeTempOffsets(ctx, options, results), kStatusCalTemperatureFailed);
}

}  // namespace
}  // namespace tester
