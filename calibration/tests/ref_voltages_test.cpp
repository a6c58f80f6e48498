// K-factor correction against hand-written bus conversations: the stability pass that
// leaves data flash alone, the override word and the rescaled K factors written back into
// the calibration class, and the failures the routine must catch instead of storing
// nonsense.
#include "calibration/ref_voltages.h"

#include "common/status_codes.h"
#include "platform/scripted_dialogs.h"
#include "testing/replay_fixtures.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

using namespace trace;

using Refs = std::array<int16_t, kKFactorTaps>;

std::string Cells(const std::vector<unsigned>& readings) {
  std::string lines;
  for (std::size_t i = 0; i < readings.size(); ++i) {
    lines += ReadWord(0x3F - static_cast<unsigned>(i), readings[i]);
  }
  return lines;
}

std::string ClassRead(const Bytes& data) { return WriteWord(0x77, 104) + ReadBlock(0x78, data); }
std::string ClassWrite(const Bytes& data) { return WriteWord(0x77, 104) + WriteBlock(0x78, data); }

// Class 104 block 0: K factors of taps 1 and 2 at bytes 8-11, override word at 16-17.
Bytes ClassBlock(const Bytes& k_factors, const Bytes& override_word = {0x00, 0x00}) {
  Bytes block(32);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(0x20 + i);
  std::copy(k_factors.begin(), k_factors.end(), block.begin() + 8);
  std::copy(override_word.begin(), override_word.end(), block.begin() + 16);
  return block;
}

// The verified word write of the override; its confirmed block holds the K factors.
std::string OverrideWrite(const Bytes& k_factors) {
  const Bytes old = ClassBlock(k_factors);
  const Bytes with_override = ClassBlock(k_factors, {0x96, 0x69});
  return ClassRead(old) + ClassWrite(with_override) + ClassRead(with_override);
}

class RefVoltagesTest : public ReplayLinkTest {
protected:
  RefVoltagesTest() {
    settings.CalibrationClsID = 104;
    settings.KFactorOverrideOffset = 16;
    settings.KFactorOverride = -27031;  // 0x9669
    settings.KFactorCell1Offset = 8;
  }

  CalBoard board{link, "/nonexistent/Config.ini"};
  ScriptedDialogs dialogs;
  CalContext ctx{link, board, dialogs};
};

TEST_F(RefVoltagesTest, TapsWithinTheWindowLeaveDataFlashUntouched) {
  // Taps 3705, 7395, 11105, 14805 against 3700, 7400, 11100, 14800 +- 5.
  Replay(Cells({3705, 3690, 3710, 3700}));
  EXPECT_EQ(CalibrateRefVoltages(ctx, Refs{3700, 7400, 11100, 14800}, 4, 5), 0);
  ExpectTraceDone();
}

TEST_F(RefVoltagesTest, TapsThatSettleWithinTheStabilityTimeNeedNoCorrection) {
  Replay(Cells({3700, 3740}) + Cells({3700, 3701}));
  EXPECT_EQ(CalibrateRefVoltages(ctx, Refs{3700, 7400, 0, 0}, 2, 10), 0);
  ExpectTraceDone();
  EXPECT_EQ(ElapsedMs(), kKFactorStabilityPollMs);
}

TEST_F(RefVoltagesTest, CorrectionRescalesEachTapsKFactorAndWritesTheClassBack) {
  // tap 1: 3650 mV, K 16000 -> round(3700 / (3650 / 16000)) = 16219 (0x3F5B)
  // tap 2: 3650 + 3720 = 7370 mV, K 16128 -> round(7400 / (7370 / 16128)) = 16194 (0x3F42)
  const Bytes k_old = {0x3E, 0x80, 0x3F, 0x00};
  const Bytes patched = ClassBlock({0x3F, 0x5B, 0x3F, 0x42}, {0x96, 0x69});
  // The stability pass runs for 1.5 s: passes at 0, 100, .. 1500 ms, all 20 mV off.
  Replay(Repeat(Cells({3680, 3700}), 16) + OverrideWrite(k_old) + Cells({3650, 3720}) +
         ClassWrite(patched) + ClassRead(patched) + ClassRead(patched));
  EXPECT_EQ(CalibrateRefVoltages(ctx, Refs{3700, 7400, 0, 0}, 2, 10), 0);
  ExpectTraceDone();
  EXPECT_GE(ElapsedMs(), kKFactorStabilityMs + kKFactorOverrideSettleMs);
}

TEST_F(RefVoltagesTest, WindowZeroAlwaysCorrects) {
  const Bytes patched = ClassBlock({0x3F, 0x5B, 0x3F, 0x00}, {0x96, 0x69});
  Replay(OverrideWrite({0x3E, 0x80, 0x3F, 0x00}) + Cells({3650}) + ClassWrite(patched) +
         ClassRead(patched) + ClassRead(patched));
  EXPECT_EQ(CalibrateRefVoltages(ctx, Refs{3700, 0, 0, 0}, 1, 0), 0);
  ExpectTraceDone();
}

TEST_F(RefVoltagesTest, KFactorsInAnotherBlockThanTheOverrideAreReadAfterIt) {
  settings.KFactorCell1Offset = 40;  // block 1; the override stays in block 0
  const Bytes with_override = ClassBlock({}, {0x96, 0x69});
  Bytes k_block(32, 0x11);
  k_block[8] = 0x3E;
  k_block[9] = 0x80;
  Bytes patched = k_block;
  patched[8] = 0x3F;
  patched[9] = 0x5B;
  Replay(ClassRead(ClassBlock({})) + ClassWrite(with_override) + ClassRead(with_override) +
         WriteWord(0x77, 104) + ReadBlock(0x79, k_block) + Cells({3650}) +
         WriteWord(0x77, 104) + WriteBlock(0x79, patched) + WriteWord(0x77, 104) +
         ReadBlock(0x79, patched) + WriteWord(0x77, 104) + ReadBlock(0x79, patched));
  EXPECT_EQ(CalibrateRefVoltages(ctx, Refs{3700, 0, 0, 0}, 1, 0), 0);
  ExpectTraceDone();
}

TEST_F(RefVoltagesTest, ImpossibleValuesAreCaughtBeforeAnythingIsWrittenBack) {
  // K factor 0: nothing to scale.
  Replay(OverrideWrite({0x00, 0x00, 0x3F, 0x00}) + Cells({3650}));
  EXPECT_EQ(CalibrateRefVoltages(ctx, Refs{3700, 0, 0, 0}, 1, 0), kStatusUnexpectedFailure);
  ExpectTraceDone();
  // A tap reading 0.
  Replay(OverrideWrite({0x3E, 0x80, 0x3F, 0x00}) + Cells({0}));
  EXPECT_EQ(CalibrateRefVoltages(ctx, Refs{3700, 0, 0, 0}, 1, 0), kStatusUnexpectedFailure);
  ExpectTraceDone();
  // K 60000 scaled by 3700 / 3000 = 74000: beyond the 16-bit word.
  Replay(OverrideWrite({0xEA, 0x60, 0x3F, 0x00}) + Cells({3000}));
  EXPECT_EQ(CalibrateRefVoltages(ctx, Refs{3700, 0, 0, 0}, 1, 0), kStatusUnexpectedFailure);
  ExpectTraceDone();
}

TEST_F(RefVoltagesTest, KFactorsOutsideTheBlockAndBadCellCountsAreRefused) {
  Replay("");
  EXPECT_EQ(CalibrateRefVoltages(ctx, Refs{3700, 0, 0, 0}, 0, 5), kStatusUnexpectedFailure);
  EXPECT_EQ(CalibrateRefVoltages(ctx, Refs{3700, 0, 0, 0}, 5, 5), kStatusUnexpectedFailure);
  ExpectTraceDone();

  // Four K factors from offset 28 would run past the 32-byte block.
  settings.KFactorCell1Offset = 28;
  const Bytes old = ClassBlock({});
  const Bytes with_override = ClassBlock({}, {0x96, 0x69});
  Replay(ClassRead(old) + ClassWrite(with_override) + ClassRead(with_override));
  EXPECT_EQ(CalibrateRefVoltages(ctx, Refs{3700, 7400, 11100, 14800}, 4, 0),
            kStatusUnexpectedFailure);
  ExpectTraceDone();
}

TEST_F(RefVoltagesTest, BusFailuresPassThrough) {
  Replay(ReadWord(0x3F, 3700) + ReadWord(0x3E, 0, 12));
  EXPECT_EQ(CalibrateRefVoltages(ctx, Refs{3700, 7400, 0, 0}, 2, 10), 12);
  ExpectTraceDone();

  Replay(WriteWord(0x77, 104) + ReadBlock(0x78, {}, 8));
  EXPECT_EQ(CalibrateRefVoltages(ctx, Refs{3700, 0, 0, 0}, 1, 0), 8);
  ExpectTraceDone();

  Replay(OverrideWrite({0x3E, 0x80, 0x3F, 0x00}) + ReadWord(0x3F, 0, 14));
  EXPECT_EQ(CalibrateRefVoltages(ctx, Refs{3700, 0, 0, 0}, 1, 0), 14);
  ExpectTraceDone();
}

TEST(ScaleKFactor, RoundsTiesToEven) {
  uint16_t k_new = 0;
  EXPECT_EQ(ScaleKFactor(4, 8, 5, k_new), 0);  // 5 / (8 / 4) = 2.5
  EXPECT_EQ(k_new, 2);
  EXPECT_EQ(ScaleKFactor(4, 8, 7, k_new), 0);  // 3.5
  EXPECT_EQ(k_new, 4);
  EXPECT_EQ(ScaleKFactor(40000, 3700, 3700, k_new), 0);  // above 0x7FFF is a valid factor
  EXPECT_EQ(k_new, 40000);
  EXPECT_EQ(ScaleKFactor(4, 8, 0, k_new), kStatusUnexpectedFailure);  // would store 0
}

}  // namespace
}  // namespace tester
