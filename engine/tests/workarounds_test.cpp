// Device corrections against hand-written bus conversations: which target names get the
// manufacturer-block rewrite, the board-offset sampling of its platform with the sample
// count from test.ini, and the failures that stop a correction.
#include "engine/workarounds.h"

#include "common/status_codes.h"
#include "testing/replay_fixtures.h"
#include "testing/scratch_folder.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

using namespace trace;

struct ParsedName {
  const char* name;
  int32_t type;
  int32_t version;
};

TEST(ParseTargetName, SplitsAtTheFirstDotAndKeepsDefaultsForWhatIsNotHex) {
  const ParsedName cases[] = {
      {"800.1.02", 0x800, 0x102}, {"800.100", 0x800, 0x100},  {"800.1.00", 0x800, 0x100},
      {"450.2.01", 0x450, 0x201}, {"a0f.1.0b", 0xA0F, 0x10B}, {"800", 0x800, 0x100},
      {"", 0x800, 0x100},         {"xyz.1.02", 0x800, 0x102}, {"450.zz", 0x450, 0x100},
      {"450.", 0x450, 0x100},     {".1.02", 0x800, 0x102},    {"123456789.1", 0x800, 0x1},
  };
  for (const ParsedName& c : cases) {
    int32_t type = 0;
    int32_t version = 0;
    ParseTargetName(c.name, type, version);
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(version, c.version) << c.name;
  }
}

Bytes MfrBlock(std::size_t size) {
  Bytes block(size);
  for (std::size_t i = 0; i < size; ++i) block[i] = static_cast<uint8_t>(0x41 + i);
  return block;
}
std::string BlockRewrite(int pause_ms) {
  const Bytes block = MfrBlock(20);
  return ReadBlock(0x23, block) + WriteBlock(0x23, Bytes(block.begin(), block.begin() + 14)) +
         Pause(pause_ms);
}

// Board-offset sampling as CalibrateBoardOffsetDirect runs it with `count` samples of 10
// per series and a sense word of 0: offset 0, written into class 104 at offset 16.
std::string BoardOffsetRun(int count) {
  Bytes block(32, 0x11);
  block[16] = 0;
  block[17] = 0;
  const std::string samples = Times(WriteWord(0x40, 0x8042) + ReadWord(0x42, 10), count);
  return ReadWord(0x71, 0) + WriteWord(0x46, 0x0000) + samples + WriteWord(0x40, 0x8040) +
         WriteWord(0x41, 3) + BusStatus() + samples + WriteWord(0x40, 0x8040) +
         WriteWord(0x41, 2) + BusStatus() + WriteWord(0x77, 104) + ReadBlock(0x78, block) +
         WriteWord(0x77, 104) + WriteBlock(0x78, block) + WriteWord(0x77, 104) +
         ReadBlock(0x78, block);
}

class WorkaroundsTest : public CalReplayTest {
protected:
  WorkaroundsTest() {
    settings.GGModeDFDelay = 300;
    settings.CalibrationClsID = 104;
    settings.BoardOffsetOffset = 16;
    settings.BoardOffsetMaxDiff = 3;
  }
  Status Run(const std::string& lines, const std::string& target, int32_t platform = 0x8025,
             int16_t flag = 0) {
    Replay(lines);
    const Status status =
        RunWorkarounds(ctx, target, platform, kIssues, flag, folder.Path());
    ExpectTraceDone();
    return status;
  }

  static constexpr int16_t kIssues = 5;
  test::ScratchFolder folder;
};

TEST_F(WorkaroundsTest, BlockRewriteForDevice800Version100Only) {
  EXPECT_EQ(Run(BlockRewrite(300), "800.1.00"), 0);
  EXPECT_GE(ElapsedMs(), 120 + 300);  // block-read wait, then the data-flash delay
  EXPECT_EQ(Run(BlockRewrite(300), "800.100"), 0);
  EXPECT_EQ(Run(BlockRewrite(300), "800"), 0);  // no dot: taken as 0x800 / 0x100
  EXPECT_EQ(Run("", "800.1.02"), 0);
  EXPECT_EQ(Run("", "801.1.00"), 0);
  EXPECT_EQ(Run("", "450.zz"), 0);  // device 0x450, version left at 0x100
}

TEST_F(WorkaroundsTest, FailedOrShortBlockReadIsNotWrittenBack) {
  EXPECT_EQ(Run(ReadBlock(0x23, {}, 17), "800.1.00"), 17);
  EXPECT_EQ(Run(ReadBlock(0x23, MfrBlock(13)), "800.1.00"), kStatusUnexpectedFailure);
  EXPECT_EQ(Run(ReadBlock(0x23, MfrBlock(14)) + WriteBlock(0x23, MfrBlock(14), 4), "800.1.00"),
            4);
  // A failed rewrite is not hidden by the board-offset correction: it never starts.
  EXPECT_EQ(Run(ReadBlock(0x23, {}, 17), "800.1.00", 0x8030, 1), 17);
}

TEST_F(WorkaroundsTest, BoardOffsetOnlyOnItsPlatformWithTheFlag) {
  EXPECT_EQ(Run("", "800.1.02", 0x8030, 0), 0);
  EXPECT_EQ(Run("", "800.1.02", 0x8025, 1), 0);
  // Without test.ini: 4 samples, 2 per series. Any nonzero flag counts.
  EXPECT_EQ(Run(BoardOffsetRun(2), "800.1.02", 0x8030, -1), 0);
}

TEST_F(WorkaroundsTest, BothCorrectionsInTurn) {
  EXPECT_EQ(Run(BlockRewrite(300) + BoardOffsetRun(2), "800.1.00", 32816, 1), 0);
}

TEST_F(WorkaroundsTest, SampleCountIsHalfOfTestIniNumSamples) {
  folder.Write("test.ini", "[Samples]\nNumSamples=7\n");
  EXPECT_EQ(Run(BoardOffsetRun(3), "800.1.02", 0x8030, 1), 0);
  folder.Write("test.ini", "[samples]\nnumsamples = 2\n");
  EXPECT_EQ(Run(BoardOffsetRun(1), "800.1.02", 0x8030, 1), 0);
  // One sample leaves no series to take; a count beyond a word is refused the same way.
  folder.Write("test.ini", "[Samples]\nNumSamples=1\n");
  EXPECT_EQ(Run(ReadWord(0x71, 0), "800.1.02", 0x8030, 1), kStatusUnexpectedFailure);
  folder.Write("test.ini", "[Samples]\nNumSamples=70000\n");
  EXPECT_EQ(Run(ReadWord(0x71, 0), "800.1.02", 0x8030, 1), kStatusUnexpectedFailure);
}

TEST_F(WorkaroundsTest, BoardOffsetStopsAtTheFirstFailure) {
  EXPECT_EQ(Run(ReadWord(0x71, 0, 21), "800.1.02", 0x8030, 1), 21);
  // With a board in use the load is switched off first; a refused write ends the run.
  board.CalBoardSetUse(1);
  EXPECT_EQ(Run(RegWriteByte(0xC0, 0x44, 0x00, 6) + BusStatus(), "800.1.02", 0x8030, 1), 6);
  EXPECT_EQ(Run(BoardWrite(0x00) + BoardOffsetRun(2), "800.1.02", 0x8030, 1), 0);
}

}  // namespace
}  // namespace tester
