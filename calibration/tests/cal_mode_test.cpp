// Calibration mode: how each gauge family's state is read, when it is toggled, and what
// the confirmation decides.
#include "calibration/cal_mode.h"
#include "common/status_codes.h"
#include "testing/replay_fixtures.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

using namespace trace;

constexpr uint8_t kMac = 0x00;
constexpr uint8_t kGauge = 0x17;

// Lines of the two toggles.
const std::string kEnterToggle = WriteWord(kMac, 0x002D);
const std::string kLeaveToggle = WriteWord(kMac, 0xF080) + WriteWord(kMac, 0x002D);

Bytes StatusBytes(unsigned byte1) { return {0x00, static_cast<uint8_t>(byte1), 0x00, 0x00}; }

class CalModeTest : public CalReplayTest {
protected:
  CalModeTest() {
    settings.MANUFACTURE_STATUS_COMMAND = 0xB1;
    settings.CAL_MODE = 15;
  }
  Status Enter() { return SetCalMode(ctx, kMac, kGauge, kTrue); }
  Status Leave() { return SetCalMode(ctx, kMac, kGauge, kFalse); }
};

TEST(IsBitSetTest, BitsOfTheSixteenBitPatternAndNothingBeyond) {
  EXPECT_TRUE(IsBitSet(static_cast<int16_t>(0x8000), 15));
  EXPECT_FALSE(IsBitSet(0x7FFF, 15));
  EXPECT_TRUE(IsBitSet(0x0001, 0));
  EXPECT_TRUE(IsBitSet(-1, 7));
  EXPECT_FALSE(IsBitSet(-1, 16));
  EXPECT_FALSE(IsBitSet(-1, -1));
}

// --- command sets 0 and 5: status word ---

TEST_F(CalModeTest, StatusWordFamilyRetriesTheToggleWordThenTogglesAndConfirms) {
  settings.COMMANDSET = 0;
  Replay(ReadWord(0xB1, 0x0000) + WriteWord(kMac, 0x002D) + ReadWord(0xB1, 0x0000) +
         kEnterToggle + ReadWord(0xB1, 0x8000));
  EXPECT_EQ(Enter(), 0);
  ExpectTraceDone();
  // 150 after each status read and the retry word, 60 after the toggle, 20 before the
  // confirmation, 1 for each bus-status check.
  EXPECT_EQ(ElapsedMs(), 150 + 1 + 150 + 150 + 1 + 60 + 20);
}

TEST_F(CalModeTest, StatusWordFamilyTakesTheStateAfterTheRetryWord) {
  settings.COMMANDSET = 5;
  Replay(ReadWord(0xB1, 0x0000) + WriteWord(kMac, 0x002D) + ReadWord(0xB1, 0x8000));
  EXPECT_EQ(Enter(), 0);
  ExpectTraceDone();
}

TEST_F(CalModeTest, GaugeAlreadyInCalibrationModeIsNotToggled) {
  settings.COMMANDSET = 5;
  Replay(ReadWord(0xB1, 0x8000));
  EXPECT_EQ(Enter(), 0);
  ExpectTraceDone();
}

TEST_F(CalModeTest, StatusWordFamilyLeavesWithStopAndToggle) {
  settings.COMMANDSET = 0;
  Replay(ReadWord(0xB1, 0x8000) + kLeaveToggle + ReadWord(0xB1, 0x0000));
  EXPECT_EQ(Leave(), 0);
  ExpectTraceDone();
}

TEST_F(CalModeTest, UnconfirmedToggleIs5010AndAFailedReadPassesOn) {
  settings.COMMANDSET = 0;
  Replay(ReadWord(0xB1, 0x0000) + WriteWord(kMac, 0x002D) + ReadWord(0xB1, 0x0000) +
         kEnterToggle + ReadWord(0xB1, 0x0000));
  EXPECT_EQ(Enter(), kStatusCalModeFailed);
  ExpectTraceDone();

  Replay(ReadWord(0xB1, 0, 23));
  EXPECT_EQ(Enter(), 23);
  ExpectTraceDone();
}

// --- command set 2: query word and block 0x23 bit 0, with adapter pauses ---

TEST_F(CalModeTest, QueryFamilyUsesAdapterPausesAndBit0) {
  settings.COMMANDSET = 2;
  Replay(WriteWord(kMac, 0xF081) + Pause(150) + ReadBlock(0x23, StatusBytes(0x00)) + Pause(150) +
         kEnterToggle + ReadBlock(0x23, StatusBytes(0x01)));
  EXPECT_EQ(Enter(), 0);
  ExpectTraceDone();
  // Bus check 1, adapter pauses 150 around the first read, the 0x23 reads 120 each,
  // toggle 1 + 60, 20 before and 60 after the confirming read.
  EXPECT_EQ(ElapsedMs(), 1 + 150 + 120 + 150 + 1 + 60 + 20 + 120 + 60);
}

TEST_F(CalModeTest, QueryFamilyOutOfModeIsNotToggledWhenLeaving) {
  settings.COMMANDSET = 2;
  Replay(WriteWord(kMac, 0xF081) + Pause(150) + ReadBlock(0x23, StatusBytes(0x80)) + Pause(150));
  EXPECT_EQ(Leave(), 0);  // bit 7 is not this family's flag
  ExpectTraceDone();
}

// --- command sets 4 and 8: 0x0057, then block 0x23 bit 7 ---

TEST_F(CalModeTest, Family48EntersWithToggleAndRereadsTheBlock) {
  settings.COMMANDSET = 4;
  Replay(WriteWord(kMac, 0x0057) + ReadBlock(0x23, StatusBytes(0x00)) + kEnterToggle +
         ReadBlock(0x23, StatusBytes(0x80)));
  EXPECT_EQ(Enter(), 0);
  ExpectTraceDone();
  EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(CalModeTest, Family48FailedRereadShowsTheMessageAndGives1) {
  settings.COMMANDSET = 8;
  Replay(WriteWord(kMac, 0x0057) + ReadBlock(0x23, StatusBytes(0x00)) + kEnterToggle +
         ReadBlock(0x23, {}, 31));
  EXPECT_EQ(Enter(), 1);
  ExpectTraceDone();
  EXPECT_EQ(dialogs.Messages(),
            std::vector<std::string>{
                "Communication error reading manufacturer status determining cal mode status."});
}

TEST_F(CalModeTest, Family48GivesOneWhenTheFlagStaysAndZeroOnALeaveDone) {
  settings.COMMANDSET = 4;
  Replay(WriteWord(kMac, 0x0057) + ReadBlock(0x23, StatusBytes(0x00)) + kEnterToggle +
         ReadBlock(0x23, StatusBytes(0x00)));
  EXPECT_EQ(Enter(), 1);
  ExpectTraceDone();

  // Leaving is judged by the state asked for: a gauge that left is a success.
  Replay(WriteWord(kMac, 0x0057) + ReadBlock(0x23, StatusBytes(0x80)) + kEnterToggle +
         ReadBlock(0x23, StatusBytes(0x00)));
  EXPECT_EQ(Leave(), 0);
  ExpectTraceDone();
}

// --- other families: block 0x57 bit 7 ---

TEST_F(CalModeTest, StatusBlockFamilyEndsWhenTheRetryWordShowsTheMode) {
  settings.COMMANDSET = 1;
  Replay(ReadBlock(0x57, StatusBytes(0x00)) + WriteWord(kMac, 0x002D) +
         ReadBlock(0x57, StatusBytes(0x80)));
  EXPECT_EQ(Enter(), 0);
  ExpectTraceDone();
  EXPECT_EQ(ElapsedMs(), 120 + 80 + 1 + 80 + 120 + 80);
}

TEST_F(CalModeTest, StatusBlockFamilyTogglesWhenTheRetryWordDidNot) {
  settings.COMMANDSET = 7;
  Replay(ReadBlock(0x57, StatusBytes(0x00)) + WriteWord(kMac, 0x002D) +
         ReadBlock(0x57, StatusBytes(0x00)) + kEnterToggle + ReadBlock(0x57, StatusBytes(0x80)));
  EXPECT_EQ(Enter(), 0);
  ExpectTraceDone();

  Replay(ReadBlock(0x57, StatusBytes(0x00)) + WriteWord(kMac, 0x002D) +
         ReadBlock(0x57, StatusBytes(0x00)) + kEnterToggle + ReadBlock(0x57, StatusBytes(0x00)));
  EXPECT_EQ(Enter(), kStatusCalModeFailed);
  ExpectTraceDone();
}

TEST_F(CalModeTest, StatusBlockFamilyLeavesAndNeverReportsAGaugeLeftInMode) {
  settings.COMMANDSET = 1;
  Replay(ReadBlock(0x57, StatusBytes(0x80)) + kLeaveToggle + ReadBlock(0x57, StatusBytes(0x00)));
  EXPECT_EQ(Leave(), 0);
  ExpectTraceDone();

  // The retry word put an idle gauge into calibration mode: it is taken out again.
  Replay(ReadBlock(0x57, StatusBytes(0x00)) + WriteWord(kMac, 0x002D) +
         ReadBlock(0x57, StatusBytes(0x80)) + kLeaveToggle + ReadBlock(0x57, StatusBytes(0x80)));
  EXPECT_EQ(Leave(), kStatusCalModeFailed);
  ExpectTraceDone();
}

}  // namespace
}  // namespace tester
