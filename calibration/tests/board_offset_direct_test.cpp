// Board offset by direct sampling against hand-written bus conversations: the outlier
// rule of a series, the 7 s limit, the offset from hand-computed sums with its whole-
// number divisions, the limit check and what reaches data flash.
#include "calibration/board_offset_direct.h"

#include "common/status_codes.h"
#include "platform/scripted_dialogs.h"
#include "testing/replay_fixtures.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

using namespace trace;

std::string Start() { return WriteWord(0x46, 0x0000); }
std::string Samples(const std::vector<int>& values) {
  std::string lines;
  for (int v : values) lines += WriteWord(0x40, 0x8042) + ReadWord(0x42, static_cast<unsigned>(v));
  return lines;
}
std::string Input(unsigned input) {
  return WriteWord(0x40, 0x8040) + WriteWord(0x41, input) + BusStatus();
}

// Class 104 block 0 with the board offset word at bytes 16-17.
Bytes ClassBlock(uint16_t board_offset) {
  Bytes block(32, 0x11);
  block[16] = static_cast<uint8_t>(board_offset >> 8);
  block[17] = static_cast<uint8_t>(board_offset & 0xFF);
  return block;
}
// The verified word write of the offset, confirmed at the first read-back.
std::string OffsetWrite(uint16_t board_offset) {
  return WriteWord(0x77, 104) + ReadBlock(0x78, ClassBlock(0)) + WriteWord(0x77, 104) +
         WriteBlock(0x78, ClassBlock(board_offset)) + WriteWord(0x77, 104) +
         ReadBlock(0x78, ClassBlock(board_offset));
}

class BoardOffsetDirectTest : public ReplayLinkTest {
protected:
  BoardOffsetDirectTest() {
    settings.CalibrationClsID = 104;
    settings.BoardOffsetOffset = 16;
    settings.BoardOffsetMaxDiff = 3;
  }

  CalBoard board{link, "/nonexistent/Config.ini"};
  ScriptedDialogs dialogs;
  CalContext ctx{link, board, dialogs};
};

TEST(BoardOffsetSeries, SecondSampleTooFarFromTheFirstRestartsTheSeries) {
  BoardOffsetSeries series(2, 3);
  EXPECT_EQ(series.Offer(10), BoardOffsetSeries::Verdict::Kept);
  EXPECT_EQ(series.Offer(14), BoardOffsetSeries::Verdict::Restarted);
  EXPECT_EQ(series.Kept(), 0);
  EXPECT_EQ(series.Offer(14), BoardOffsetSeries::Verdict::Kept);
  EXPECT_EQ(series.Offer(11), BoardOffsetSeries::Verdict::Kept);  // exactly 3 apart
  EXPECT_TRUE(series.Complete());
  EXPECT_EQ(series.Sum(), 25);
}

TEST(BoardOffsetSeries, LaterSamplesAreComparedWithTheRoundedMean) {
  BoardOffsetSeries series(4, 3);
  series.Offer(10);
  series.Offer(12);
  EXPECT_EQ(series.Offer(20), BoardOffsetSeries::Verdict::Discarded);  // mean 11
  EXPECT_EQ(series.Kept(), 2);
  EXPECT_EQ(series.Offer(14), BoardOffsetSeries::Verdict::Kept);
  // Mean 36 / 3 = 12: 16 is 4 away, 9 is 3 away.
  EXPECT_EQ(series.Offer(16), BoardOffsetSeries::Verdict::Discarded);
  EXPECT_EQ(series.Offer(9), BoardOffsetSeries::Verdict::Kept);
  EXPECT_EQ(series.Sum(), 45);

  BoardOffsetSeries ties(4, 1);  // mean 5 / 2 = 2.5 rounds to 2, so 4 is 2 away
  ties.Offer(2);
  ties.Offer(3);
  EXPECT_EQ(ties.Offer(4), BoardOffsetSeries::Verdict::Discarded);
  EXPECT_EQ(ties.Offer(3), BoardOffsetSeries::Verdict::Kept);
}

TEST_F(BoardOffsetDirectTest, OffsetFromBothSeriesIsWrittenAndChecked) {
  // Board series 10, 14 (restart), 10, 11 = 21; shorted series 4, 5 = 9.
  // round((21 - 9) x 64 div 2 + 100 x 38.4 / 9419) = round(384 + 0.41) = 384 = 0x0180.
  // Check: round(384 x 9.419) = 3617, div 64 = 56.
  const std::string conversation = Start() + Samples({10, 14, 10, 11}) + Input(3) +
                                   Samples({4, 5}) + Input(2) + OffsetWrite(0x0180);
  Replay(conversation);
  EXPECT_EQ(CalibrateBoardOffsetDirect(ctx, 2, 250, 100, 56, 0x17), 0);
  ExpectTraceDone();

  Replay(conversation);
  EXPECT_EQ(CalibrateBoardOffsetDirect(ctx, 2, 250, 100, 55, 0x17), kStatusBoardOffsetOutOfLimit);
  ExpectTraceDone();
}

TEST_F(BoardOffsetDirectTest, OutlierOfALaterSampleIsTakenAgain) {
  // 10, 12, 20 (discarded), 11 = 33; shorted 0, 1, 1 = 2.
  // (33 - 2) x 64 = 1984, div 3 = 661 (661.33); cc 0. Check: round(6225.959) div 64 = 97.
  Replay(Start() + Samples({10, 12, 20, 11}) + Input(3) + Samples({0, 1, 1}) + Input(2) +
         OffsetWrite(661));
  EXPECT_EQ(CalibrateBoardOffsetDirect(ctx, 3, 250, 0, 97, 0x17), 0);
  ExpectTraceDone();
}

TEST_F(BoardOffsetDirectTest, WholeNumberDivisionsTruncateTowardZero) {
  // (0 - 1) x 64 div 3 = -21 (not -22); round(-21 x 9.419) = -198, div 64 = -3 (not -4),
  // so a limit of 3 passes.
  Replay(Start() + Samples({0, 0, 0}) + Input(3) + Samples({0, 0, 1}) + Input(2) +
         OffsetWrite(static_cast<uint16_t>(-21)));
  EXPECT_EQ(CalibrateBoardOffsetDirect(ctx, 3, 250, 0, 3, 0x17), 0);
  ExpectTraceDone();
  EXPECT_EQ(BoardOffsetFromSums(0, 1, 3, 0), -21);
  EXPECT_TRUE(BoardOffsetWithinLimit(-21, 3));
  EXPECT_FALSE(BoardOffsetWithinLimit(-21, 2));
}

TEST_F(BoardOffsetDirectTest, SamplingLongerThanSevenSecondsGives65) {
  // Every second sample restarts the series; each sample costs 250 ms + 1 ms bus check,
  // so the 28th ends at 7028 ms.
  std::vector<int> restarting;
  for (int i = 0; i < 28; ++i) restarting.push_back(i % 2 == 0 ? 0 : 10);
  Replay(Start() + Samples(restarting));
  EXPECT_EQ(CalibrateBoardOffsetDirect(ctx, 2, 250, 0, 50, 0x17), kStatusBoardOffsetTimeout);
  ExpectTraceDone();
}

TEST_F(BoardOffsetDirectTest, SevenSecondsCountAcrossBothSeries) {
  // The board series takes 16 samples (4016 ms); with the input switch and its settle
  // the shorted series starts at 4319 ms and its 11th sample ends at 7080 ms.
  std::vector<int> first;
  for (int i = 0; i < 14; ++i) first.push_back(i % 2 == 0 ? 0 : 10);
  first.push_back(0);
  first.push_back(0);
  std::vector<int> second;
  for (int i = 0; i < 11; ++i) second.push_back(i % 2 == 0 ? 0 : 10);
  Replay(Start() + Samples(first) + Input(3) + Samples(second));
  EXPECT_EQ(CalibrateBoardOffsetDirect(ctx, 2, 250, 0, 50, 0x17), kStatusBoardOffsetTimeout);
  ExpectTraceDone();
}

TEST_F(BoardOffsetDirectTest, FailuresAndImpossibleOffsets) {
  Replay("");
  EXPECT_EQ(CalibrateBoardOffsetDirect(ctx, 0, 250, 0, 50, 0x17), kStatusUnexpectedFailure);
  ExpectTraceDone();

  Replay(Start() + WriteWord(0x40, 0x8042) + ReadWord(0x42, 0, 5));
  EXPECT_EQ(CalibrateBoardOffsetDirect(ctx, 2, 250, 0, 50, 0x17), 5);
  ExpectTraceDone();

  // 32767 - (-32768) = 65535 counts x 64: no 16-bit word holds it; nothing is written.
  Replay(Start() + Samples({32767}) + Input(3) + Samples({-32768}) + Input(2));
  EXPECT_EQ(CalibrateBoardOffsetDirect(ctx, 1, 250, 0, 32767, 0x17), kStatusBoardOffsetOutOfLimit);
  ExpectTraceDone();

  // A failed data-flash write is the result while the offset is within the limit.
  Replay(Start() + Samples({2}) + Input(3) + Samples({1}) + Input(2) + WriteWord(0x77, 104) +
         ReadBlock(0x78, {}, 9));
  EXPECT_EQ(CalibrateBoardOffsetDirect(ctx, 1, 250, 0, 50, 0x17), 9);
  ExpectTraceDone();
}

}  // namespace
}  // namespace tester
