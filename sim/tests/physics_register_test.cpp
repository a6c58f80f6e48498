// Register-style gauge calibration against the model: CC-offset step with its busy bit,
// calibration-mode sampling of block 0x79, class 104 written back, readings vs truth.
#include "common/rounding.h"
#include "sim/tests/physics_test_bench.h"

namespace tester {
namespace {

using simtest::PhysicsBench;

constexpr int kClassBase = 0x0180;  // class 104 of the default class table

TEST(RegisterCalibration, CalibratedRegistersMatchTheTruth) {
  PhysicsBench b(
      "family = 7\ncal_nominal = yes\ntrue_cell_mv = 3662\ntrue_cell_gain_error = 0.003\n"
      "true_sense_mohm = 19.6\ntrue_cc_offset_uv = 6\ntrue_temp_error_c = 0.9 -1.2\n");
  b.Apply(true, -2000);
  // CC offset step: busy bit 11 until the measurement is done, then stored by 0x000B.
  b.PutReg(0x00, 0x0000);
  b.PutReg(0x00, 0x000A);
  b.Wait(100);
  b.PutReg(0x00, 0x0000);
  EXPECT_EQ(b.GetReg(0x00) & 0x0800, 0x0800);
  int polls = 0;
  do {
    b.Wait(200);
    b.PutReg(0x00, 0x0000);
    ++polls;
  } while ((b.GetReg(0x00) & 0x0800) != 0);
  EXPECT_GE(polls, 5);
  b.PutReg(0x00, 0x000B);
  const int cc_offset = static_cast<int16_t>(
      simtest::PhysicsBench::ReadN(b.Flash(), kClassBase + 8));
  // Counted in the gauge's polarity (discharge positive), whole counts per conversion.
  EXPECT_NEAR(cc_offset, -16 * 6 / 4.7095, 8);

  // Current: calibration mode, samples of block 0x79, the tester's gain.
  b.PutReg(0x00, 0x002D);
  b.PutReg(0x00, 0x0081);
  double sum = 0;
  int last = -1;
  for (int i = 0; i < 4; ++i) {
    b.Wait(1500);
    auto block = b.GetRegs(0x79, 16);
    EXPECT_NE(block[0], last) << "a new sample";
    last = block[0];
    sum += static_cast<int16_t>(block[1] | block[2] << 8);
  }
  b.PutReg(0x00, 0x0000);
  b.PutReg(0x00, 0x002D);
  const double d = sum / 4 - cc_offset / 16.0;
  const double gain = 2000 / d;
  ASSERT_GT(gain, 0) << "discharge counts positive";
  // Temperature and voltage as the tester computes them, from the nominal class.
  const int internal = b.GetReg(0x28);
  const int volts = b.GetReg(0x08);
  const int temp_offset = static_cast<int>(
      RoundHalfEven((25.0 - std::round((internal - 2732) / 10.0 * 10) / 10) * 10));
  const int volt_offset = 3700 - volts;

  std::vector<uint8_t> cls(b.Flash().begin() + kClassBase, b.Flash().begin() + kClassBase + 32);
  auto g = EncodeGaugeFloat(gain);
  std::copy(g.begin(), g.end(), cls.begin());
  cls[11] = static_cast<uint8_t>(temp_offset);
  cls[13] = static_cast<uint8_t>(volt_offset);
  ASSERT_EQ(b.Control().PutRegBlock(0x3E, std::vector<uint8_t>{0x68, 0x00}, 2, kAddrRegGauge), 0);
  ASSERT_EQ(b.Control().PutRegBlock(0x40, cls, 32, kAddrRegGauge), 0);
  uint8_t sum8 = 0;
  for (uint8_t c : cls) sum8 = static_cast<uint8_t>(sum8 + c);
  uint8_t checksum = static_cast<uint8_t>(255 - sum8);
  ASSERT_EQ(b.Control().RegByteOp(1, kAddrRegGauge, 0x60, checksum), 0);
  b.Wait(50);

  b.Apply(false, -900);
  EXPECT_NEAR(b.GetReg(0x08), 3662, 2);
  EXPECT_NEAR(b.GetReg(0x10), -900, 6);
  EXPECT_NEAR(b.GetReg(0x28), simtest::TenthsK(25.0), 1.5);
}

TEST(RegisterCalibration, ExternalSensorFlagLivesInClass64) {
  PhysicsBench with("family = 6\ncal_nominal = yes\n");
  ASSERT_EQ(with.Control().PutRegBlock(0x3E, std::vector<uint8_t>{0x40, 0x00}, 2,
                                       kAddrRegGauge), 0);
  EXPECT_EQ(with.GetRegs(0x40, 32)[1] & 0x01, 0x01);
  PhysicsBench without("family = 6\ncal_nominal = yes\next_sensor = no\n");
  ASSERT_EQ(without.Control().PutRegBlock(0x3E, std::vector<uint8_t>{0x40, 0x00}, 2,
                                          kAddrRegGauge), 0);
  EXPECT_EQ(without.GetRegs(0x40, 32)[1] & 0x01, 0);
}

}  // namespace
}  // namespace tester
