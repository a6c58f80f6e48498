// Sampling passes: new samples by the counter, repeats over the whole pass, averaging,
// decoding of the block and where each value lands.
#include "calibration/cal_sampling.h"
#include "common/status_codes.h"
#include "testing/replay_fixtures.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

using namespace trace;

constexpr uint8_t kGauge = 0x17;

class CalSamplingTest : public CalReplayTest {
protected:
  CalSamplingTest() {
    settings.COMMANDSET = 1;
    settings.QZMAC = 0x00;
    settings.NumSamples = 1;
  }
  static std::string Start(unsigned mode) { return WriteWord(0x00, 0xF000 | mode); }
  static std::string Block(const Bytes& bytes) { return ReadBlock(0x23, bytes); }

  RawCalData raw;
};

TEST_F(CalSamplingTest, OneSampleIsTheFirstNewCounterAfterTheOpeningRead) {
  // The opening read only starts the stream: its counter 5 differs from the starting 0
  // but is not counted; the next block is the sample even with the same counter.
  Replay(Start(0x81) + Block(FullSample(5, 1, 0, 0, 0, 0, 0, 0)) +
         Block(FullSample(5, 1, -300, 3700, 3710, 3720, 3730, 14860)));
  EXPECT_EQ(SampleCalData(ctx, raw, kSamplePassCurrent, kGauge), 0);
  ExpectTraceDone();
  EXPECT_EQ(raw.Counter, 5);
  EXPECT_EQ(raw.Mode, 1);
  EXPECT_EQ(raw.CurrentRaw, -300);
  EXPECT_EQ(raw.CellRaw, (std::array<int32_t, 4>{3700, 3710, 3720, 3730}));
  EXPECT_EQ(raw.PackRaw, 14860);
  // Bus check 1, 500 for the pass to start, 120 per block read, 300 between reads.
  EXPECT_EQ(ElapsedMs(), 1 + 500 + 120 + 300 + 120);
}

TEST_F(CalSamplingTest, ValuesDecodeSignedAndUnsignedAsTheirPositionsSay) {
  // Coulomb counter of -256 and below, cells above 32767, value 5 negative, value 10
  // and the pack unsigned.
  Bytes block = SampleBlock(1, 2, {-256, 40000, 1, 2, 3, -5, 6, 7, 8, -9, 65535, 50000});
  Replay(Start(0x82) + Block(FullSample(0, 2, 0, 0, 0, 0, 0, 0)) + Block(block));
  raw.CurrentRaw = 1234;  // taken by an earlier pass with the current: left alone
  EXPECT_EQ(SampleCalData(ctx, raw, kSamplePassOffset, kGauge), 0);
  ExpectTraceDone();
  EXPECT_EQ(raw.CCOffsetRaw, -256);
  EXPECT_EQ(raw.CurrentRaw, 1234);
  EXPECT_EQ(raw.CellRaw[0], 40000);
  EXPECT_EQ(raw.Extra, (std::array<int32_t, 5>{-5, 6, 7, 8, -9}));
  EXPECT_EQ(raw.Value10, 65535);
  EXPECT_EQ(raw.PackRaw, 50000);

  Replay(Start(0x82) + Block(FullSample(0, 2, 0, 0, 0, 0, 0, 0)) +
         Block(FullSample(1, 2, -1000, 0, 0, 0, 0, 0)));
  EXPECT_EQ(SampleCalData(ctx, raw, kSamplePassOffset, kGauge), 0);
  EXPECT_EQ(raw.CCOffsetRaw, -1000);
}

TEST_F(CalSamplingTest, AveragesRoundHalfToEven) {
  settings.NumSamples = 2;
  Replay(Start(0x81) + Block(FullSample(0, 1, 0, 0, 0, 0, 0, 0)) +
         Block(FullSample(1, 1, -3, 100, 101, 7, 0, 1)) +
         Block(FullSample(2, 1, -2, 101, 102, 8, 0, 2)));
  EXPECT_EQ(SampleCalData(ctx, raw, kSamplePassCurrent, kGauge), 0);
  ExpectTraceDone();
  EXPECT_EQ(raw.CurrentRaw, -2);  // -2.5
  EXPECT_EQ(raw.CellRaw[0], 100);  // 100.5
  EXPECT_EQ(raw.CellRaw[1], 102);  // 101.5
  EXPECT_EQ(raw.CellRaw[2], 8);    // 7.5
  EXPECT_EQ(raw.PackRaw, 2);       // 1.5
  EXPECT_EQ(raw.Counter, 2);
}

TEST_F(CalSamplingTest, ACounterStuckAtZeroEndsAfterElevenRepeatsWithTheMessage) {
  const Bytes idle = FullSample(0, 1, 0, 0, 0, 0, 0, 0);
  Replay(Start(0x81) + Block(idle) + Times(Block(idle), 11));
  EXPECT_EQ(SampleCalData(ctx, raw, kSamplePassCurrent, kGauge), kStatusNotInCalMode);
  ExpectTraceDone();
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{"Unable to enter calibration mode."});
}

TEST_F(CalSamplingTest, RepeatsCountOverTheWholePassNotOnlyInARow) {
  settings.NumSamples = 3;
  auto sample = [](unsigned counter) { return Block(FullSample(counter, 1, 0, 1, 0, 0, 0, 0)); };
  // Six repeats after the first sample and five after the second: eleven in all.
  Replay(Start(0x81) + sample(0) + sample(1) + Times(sample(1), 6) + sample(2) +
         Times(sample(2), 5));
  EXPECT_EQ(SampleCalData(ctx, raw, kSamplePassCurrent, kGauge), kStatusNotInCalMode);
  ExpectTraceDone();

  // Ten repeats in all still let the pass finish.
  Replay(Start(0x81) + sample(0) + sample(1) + Times(sample(1), 5) + sample(2) +
         Times(sample(2), 5) + sample(3));
  EXPECT_EQ(SampleCalData(ctx, raw, kSamplePassCurrent, kGauge), 0);
  ExpectTraceDone();
  EXPECT_EQ(raw.CellRaw[0], 1);
}

TEST_F(CalSamplingTest, RefusesNoSamplesShortSamplesAndPassesBusFailuresOn) {
  settings.NumSamples = 0;
  Replay("");
  EXPECT_EQ(SampleCalData(ctx, raw, kSamplePassCurrent, kGauge), kStatusCalSamplingFailed);
  ExpectTraceDone();

  settings.NumSamples = 1;
  Replay(Start(0x81) + Block(FullSample(0, 1, 0, 0, 0, 0, 0, 0)) +
         Block(SampleBlock(1, 1, {5, 3700})));
  EXPECT_EQ(SampleCalData(ctx, raw, kSamplePassCurrent, kGauge), kStatusCalSamplingFailed);
  ExpectTraceDone();

  Replay(Start(0x81) + ReadBlock(0x23, {}, 17));
  EXPECT_EQ(SampleCalData(ctx, raw, kSamplePassCurrent, kGauge), 17);
  ExpectTraceDone();
}

TEST_F(CalSamplingTest, CommandSet5TakesFourValuesEvery350Ms) {
  settings.COMMANDSET = 5;
  Replay(Start(0x81) + Block(SampleBlock(0, 1, {0, 0, 0, 0})) +
         Block(SampleBlock(9, 1, {-700, 3650, -4, 12})));
  EXPECT_EQ(SampleCalData5(ctx, raw, kSamplePassCurrent, kGauge), 0);
  ExpectTraceDone();
  EXPECT_EQ(raw.CurrentRaw, -700);
  EXPECT_EQ(raw.CellRaw[0], 3650);
  EXPECT_EQ(raw.Extra[0], -4);
  EXPECT_EQ(raw.Extra[1], 12);
  EXPECT_EQ(ElapsedMs(), 1 + 500 + 120 + 350 + 120);
}

}  // namespace
}  // namespace tester
