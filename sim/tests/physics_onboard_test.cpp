// Gauge-assisted calibration against the gauge model: reference record, steps, busy and
// error words, and the readings the gauge's own coefficients give, judged by the truth.
#include "common/rounding.h"
#include "sim/tests/physics_test_bench.h"

namespace tester {
namespace {

using simtest::PhysicsBench;

constexpr int kClassBase = 0x0180;  // class 104 of the default class table

const char* kPack =
    "family = 1\ncal_nominal = yes\n"
    "true_cell_mv = 3702 3698 3705\ntrue_cell_gain_error = 0.004 -0.003 0.002\n"
    "true_sense_mohm = 10.4\ntrue_cc_offset_uv = 8\ntrue_temp_error_c = 1.5 -2.0 0.8\n";

std::vector<uint8_t> Reference(int current_ma, int tap1_mv, int tenths, int cells) {
  return {static_cast<uint8_t>(current_ma), static_cast<uint8_t>(current_ma >> 8),
          static_cast<uint8_t>(tap1_mv), static_cast<uint8_t>(tap1_mv >> 8),
          static_cast<uint8_t>(tenths), static_cast<uint8_t>(tenths >> 8),
          static_cast<uint8_t>(cells)};
}

// Start a step and poll the busy word as the tester does; the error word at the end.
int RunStep(PhysicsBench& b, int mask) {
  b.Put(0x51, 0xC000 | mask);
  b.Wait(300);
  int polls = 0;
  while (((b.Get(0x52) >> 8) & 0x3F) != 0 || (b.Get(0x52) & 0xFF) != 0) {
    b.Wait(200);
    if (++polls > 100) return -1;
  }
  return b.Get(0x53);
}

void Enter(PhysicsBench& b) {
  EXPECT_NE(b.Get(0x50), 0x4C7A);
  b.Put(0x00, 0x0040);
  ASSERT_EQ(b.Get(0x50), 0x4C7A);
}

TEST(GaugeAssisted, StepsLeaveCoefficientsThatMatchTheTruth) {
  PhysicsBench b(kPack);
  b.Apply(true, -2000);
  Enter(b);
  const int ref_tenths = static_cast<int>(RoundHalfEven(25.0 * 10 + 2732));
  b.PutBlock(0x58, Reference(-2000, 3700, ref_tenths, 3));
  b.Put(0x51, 0xC000 | 0xDD);
  EXPECT_NE(b.Get(0x52), 0) << "busy right after the start";
  b.Wait(300);
  int polls = 0;
  while (b.Get(0x52) != 0) {
    b.Wait(200);
    ++polls;
  }
  EXPECT_GE(polls, 4) << "a step takes its time";
  EXPECT_EQ(b.Get(0x53), 0);
  b.Apply(true, 0);
  ASSERT_EQ(b.Control().PutCommand(0x72, kAddrSmbusGauge), 0);
  EXPECT_EQ(b.Get(0x50), 0) << "finishing";
  b.Wait(600);
  EXPECT_EQ(b.Get(0x50), 0x4C7A);
  ASSERT_EQ(b.Control().PutCommand(0x73, kAddrSmbusGauge), 0);
  EXPECT_EQ(b.Get(0x50), 0);

  // K factor of tap 1 against the checker's nominal (NominalCellGain 1000 x 20).
  EXPECT_NEAR(simtest::PhysicsBench::ReadN(b.Flash(), kClassBase + 8), 20000 / 1.004, 10);
  EXPECT_NEAR(b.Get(0x71), 10400, 104);
  b.Apply(false, -1500);
  EXPECT_NEAR(b.Get(0x3F), 3702, 2);
  EXPECT_NEAR(b.Get(0x3E), 3698, 2);
  EXPECT_NEAR(b.Get(0x3D), 3705, 2);
  EXPECT_NEAR(b.Get(0x09), 11105, 4);
  EXPECT_NEAR(b.GetSigned(0x0A), -1500, 8);
  // The record's reference is taken at 273.2 K per degC offset: 0.05 K high.
  EXPECT_NEAR(b.Get(0x48), simtest::TenthsK(25.0), 1.6) << "internal";
  EXPECT_NEAR(b.Get(0x08), simtest::TenthsK(25.0), 1.6) << "TS1";
}

TEST(GaugeAssisted, ErrorWordNamesWhatWentWrong) {
  PhysicsBench b(kPack);
  b.Apply(true, -2000);
  Enter(b);
  EXPECT_EQ(RunStep(b, 0x40), 0x0010) << "current step without a reference record";
  b.PutBlock(0x58, Reference(2000, 3700, 2982, 3));
  EXPECT_EQ(RunStep(b, 0x40), 0x0040) << "reference current of the wrong sign";
  b.PutBlock(0x58, Reference(-20, 3700, 2982, 3));
  EXPECT_EQ(RunStep(b, 0x40), 0x0040) << "a sense resistance far out";
  EXPECT_EQ(RunStep(b, 0x01), 0) << "CC offset needs no reference";

  PhysicsBench failing(std::string(kPack) + "cal_step_error = 0x2100\n");
  failing.Apply(true, -2000);
  Enter(failing);
  const auto before = std::vector<uint8_t>(failing.Flash().begin(), failing.Flash().end());
  failing.PutBlock(0x58, Reference(-2000, 3700, 2982, 3));
  EXPECT_EQ(RunStep(failing, 0xC1), 0x2100);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), failing.Flash().begin()))
      << "a failed step stores nothing";
}

TEST(GaugeAssisted, BoardOffsetSamplesFollowTheSenseInput) {
  PhysicsBench b(std::string(kPack) + "true_board_offset_uv = 40\n");
  b.Apply(false, 0);
  b.Put(0x46, 0x0000);
  auto sample = [&] {
    b.Put(0x40, 0x8042);
    return b.GetSigned(0x42);
  };
  int connected = 0;
  for (int i = 0; i < 8; ++i) connected += sample();
  b.Put(0x40, 0x8040);
  b.Put(0x41, 3);
  int shorted = 0;
  for (int i = 0; i < 8; ++i) shorted += sample();
  b.Put(0x41, 2);
  EXPECT_NEAR((connected - shorted) / 8.0, 40 / 9.419, 0.5);
  EXPECT_NEAR(shorted / 8.0, 8 / 9.419, 0.5);
}

TEST(GaugeAssisted, KFactorCorrectionAndOverrideWord) {
  PhysicsBench b(kPack);
  // The tester's correction: K_new = round(ref / (V / K_old)) per tap.
  b.Apply(true, 0);
  const int taps[3] = {3700, 7400, 11100};
  std::vector<uint8_t> k(6);
  int v = 0;
  for (int d = 0; d < 3; ++d) {
    v += b.Get(0x3F - d);
    int old = simtest::PhysicsBench::ReadN(b.Flash(), kClassBase + 8 + 2 * d);
    int fresh = static_cast<int>(RoundHalfEven(taps[d] / (static_cast<double>(v) / old)));
    k[2 * d] = static_cast<uint8_t>(fresh >> 8);
    k[2 * d + 1] = static_cast<uint8_t>(fresh);
  }
  b.Pack().Memory().StoreDataFlash(kClassBase + 8, k);
  // The override pattern in the board-offset word counts as no board offset.
  const std::vector<uint8_t> override_word = {0x96, 0x69};
  b.Pack().Memory().StoreDataFlash(kClassBase + 20, override_word);
  EXPECT_NEAR(b.Get(0x3F), 3700, 2);
  EXPECT_NEAR(b.Get(0x3E), 3700, 2);
  EXPECT_NEAR(b.Get(0x3D), 3700, 2);
  EXPECT_NEAR(b.GetSigned(0x0A), 0, 2);
}

}  // namespace
}  // namespace tester
