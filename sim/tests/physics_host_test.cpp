// Host-computed calibration against the gauge model: the test samples in calibration
// mode, computes the coefficients with the tester's formulas, writes them into the host
// layout, and checks the calibrated readings against the pack's hidden truth.
#include <array>

#include "common/rounding.h"
#include "sim/tests/physics_test_bench.h"

namespace tester {
namespace {

using simtest::PhysicsBench;

constexpr int kHostBase = 96;       // default host address of family 1
constexpr int kSampleCountAt = 99;  // CC-offset sample count, from the host address

struct Averages {
  double cc = 0;
  std::array<double, 4> cells{};
  double pack = 0;
  int repeats = 0;
};

// The tester's sampling pass: mode word, 500 ms, one read, then reads 300 ms apart until
// `samples` new counters were seen or more than 10 reads repeated a counter.
Averages Sample(PhysicsBench& b, int mode, int samples) {
  b.Put(0x00, 0xF000 | mode);
  b.Wait(500);
  b.Block(0x23);
  int last = 0;
  int taken = 0;
  Averages sum;
  while (taken < samples && sum.repeats <= 10) {
    b.Wait(300);
    auto d = b.Block(0x23);
    b.Wait(120);
    if (d.size() < 26 || d[0] == last) {
      ++sum.repeats;
      continue;
    }
    ++taken;
    last = d[0];
    sum.cc += static_cast<int16_t>(d[2] | d[3] << 8);
    for (int i = 0; i < 4; ++i) sum.cells[i] += d[4 + 2 * i] | d[5 + 2 * i] << 8;
    sum.pack += d[24] | d[25] << 8;
  }
  Averages avg = sum;
  avg.cc = RoundHalfEven(sum.cc / samples);
  for (double& c : avg.cells) c = RoundHalfEven(c / samples);
  avg.pack = RoundHalfEven(sum.pack / samples);
  return avg;
}

void PutBE(std::vector<uint8_t>& page, int at, int value) {
  page[at] = static_cast<uint8_t>(value >> 8);
  page[at + 1] = static_cast<uint8_t>(value);
}

struct Truth {
  double sense_mohm;
  double current_ma;  // load during the check, discharge negative
};

class HostCalibration : public ::testing::TestWithParam<Truth> {};

TEST_P(HostCalibration, CalibratedReadingsMatchTheTruth) {
  const Truth t = GetParam();
  PhysicsBench b(
      "family = 1\ncal_layout = host\ncal_nominal = yes\n"
      "true_cell_mv = 3702 3698 3705\ntrue_cell_gain_error = 0.004 -0.003 0.002\n"
      "true_pack_gain_error = 0.005\ntrue_sense_mohm = " + std::to_string(t.sense_mohm) +
      "\ntrue_cc_offset_uv = 8\ntrue_board_offset_uv = 30\n"
      "true_temp_error_c = 1.5 -2.0 0.8\n");
  // Uncalibrated, the gain and offset errors show.
  b.Apply(false, t.current_ma);
  EXPECT_GT(std::abs(b.Get(0x3F) - 3702), 10) << "cell 1 read through nominal gains";
  EXPECT_GT(std::abs(b.GetSigned(0x0A) - t.current_ma), std::abs(t.current_ma) * 0.01);

  const std::array<int, 4> ref = {3700, 7400, 11100, 14800};
  const int ref_current = -2000;
  b.Put(0x00, 0x002D);
  ASSERT_EQ(b.Block(0x57)[1] & 0x80, 0x80) << "in calibration mode";
  b.Apply(true, ref_current);
  Averages a = Sample(b, 0x81, 4);
  b.Apply(true, 0);
  Averages offset = Sample(b, 0x82, 4);
  Averages board = Sample(b, 0x81, 4);
  b.Put(0x00, 0xF080);
  b.Put(0x00, 0x002D);
  ASSERT_EQ(b.Block(0x57)[1] & 0x80, 0) << "out of calibration mode";

  // Coefficients as the tester computes them.
  const int n = simtest::PhysicsBench::ReadN(b.Flash(), kHostBase + kSampleCountAt);
  ASSERT_EQ(n, 64);
  const int cc_offset_total = static_cast<int>(n * offset.cc);
  const int board_offset = static_cast<int>(RoundHalfEven(n * (board.cc - offset.cc)));
  const double corrected = a.cc - static_cast<double>(board_offset + cc_offset_total) / n;
  const double cc_gain = ref_current / corrected;
  EXPECT_NEAR(kSimCcMicrovolts / cc_gain, t.sense_mohm, t.sense_mohm * 0.01);
  std::array<int, 3> cell_gain{};
  double s = 0;
  for (int j = 0; j < 3; ++j) {
    s += a.cells[j];
    cell_gain[j] = static_cast<int>(RoundHalfEven(65536.0 * ref[j] / s));
  }
  const int pack_gain = static_cast<int>(RoundHalfEven(65536.0 * ref[2] / a.pack));
  const double ref_tenths = simtest::TenthsK(25.0);
  auto temps = b.Block(0x72);
  ASSERT_EQ(temps.size(), 10u);

  // The page of the host layout, patched and written back.
  b.Put(0x00, 0x0100 + kHostBase / 32);
  std::vector<uint8_t> page = b.Block(0x2F);
  ASSERT_EQ(page.size(), 32u);
  for (int j = 0; j < 3; ++j) PutBE(page, 2 * j, cell_gain[j]);
  PutBE(page, 10, pack_gain);
  auto gain_bytes = EncodeGaugeFloat(cc_gain);
  std::copy(gain_bytes.begin(), gain_bytes.end(), page.begin() + 12);
  PutBE(page, 20, cc_offset_total);
  PutBE(page, 24, board_offset);
  for (int k = 0; k < 5; ++k) {
    int reading = temps[2 * k] | temps[2 * k + 1] << 8;
    page[26 + k] = static_cast<uint8_t>(page[26 + k] + RoundHalfEven(ref_tenths - reading));
  }
  b.Put(0x00, 0x0100 + kHostBase / 32);
  b.PutBlock(0x2F, page);

  // Calibrated, with the pack's own cells and a load.
  b.Apply(false, t.current_ma);
  EXPECT_NEAR(b.Get(0x3F), 3702, 2);
  EXPECT_NEAR(b.Get(0x3E), 3698, 2);
  EXPECT_NEAR(b.Get(0x3D), 3705, 2);
  EXPECT_EQ(b.Get(0x3C), 0);
  EXPECT_NEAR(b.Get(0x09), 3702 + 3698 + 3705, 4);
  EXPECT_NEAR(b.GetSigned(0x0A), t.current_ma, std::abs(t.current_ma) * 0.004 + 2);
  EXPECT_NEAR(b.Get(0x71), t.sense_mohm * 1000, t.sense_mohm * 10);
  EXPECT_NEAR(b.Get(0x08), ref_tenths, 1.0) << "TS1";
  EXPECT_NEAR(b.Get(0x48), ref_tenths, 1.0) << "internal";
  b.Apply(false, 0);
  EXPECT_NEAR(b.GetSigned(0x0A), 0, 2) << "offsets removed";
}

INSTANTIATE_TEST_SUITE_P(SenseResistors, HostCalibration,
                         ::testing::Values(Truth{10.3, -1500}, Truth{24.6, 800},
                                           Truth{2.47, -4000}));

TEST(HostCalibrationMode, CounterAdvancesWithEveryConversionAndCanBeFrozen) {
  PhysicsBench b("family = 1\ncal_nominal = yes\n");
  b.Apply(true, -2000);
  b.Put(0x00, 0x002D);
  Averages moving = Sample(b, 0x81, 4);
  EXPECT_EQ(moving.repeats, 0) << "reads 420 ms apart see a new counter each time";
  EXPECT_NEAR(moving.cells[0], 3700 * 4, 2);

  PhysicsBench frozen("family = 1\ncal_nominal = yes\ncal_counter_frozen = yes\n");
  frozen.Apply(true, -2000);
  frozen.Put(0x00, 0x002D);
  Averages stuck = Sample(frozen, 0x81, 4);
  EXPECT_EQ(stuck.repeats, 11) << "the sampling pass gives up";
}

TEST(HostCalibrationMode, EachCommandSetShowsTheModeItsOwnWay) {
  PhysicsBench set0("family = 0\n");
  EXPECT_EQ(set0.Get(0xB1) & 0x8000, 0);
  set0.Put(0x00, 0x002D);
  EXPECT_EQ(set0.Get(0xB1) & 0x8000, 0x8000);

  PhysicsBench set2("family = 2\ndevice_type = 0x0701\n");
  set2.Put(0x00, 0xF081);
  EXPECT_EQ(set2.Block(0x23)[1] & 0x01, 0) << "type 0x0701 must not read as calibration mode";
  set2.Put(0x00, 0x002D);
  EXPECT_EQ(set2.Block(0x23)[1] & 0x01, 0x01) << "checked right after the toggle";
  set2.Put(0x00, 0xF080);
  set2.Put(0x00, 0x002D);
  EXPECT_EQ(set2.Block(0x23)[1] & 0x01, 0);

  PhysicsBench set8("family = 8\n");
  set8.Put(0x00, 0x0057);
  EXPECT_EQ(set8.Block(0x23)[1] & 0x80, 0);
  set8.Put(0x00, 0x002D);
  EXPECT_EQ(set8.Block(0x23)[1] & 0x80, 0x80) << "read again right after the toggle";
  set8.Put(0x00, 0x0072);
  EXPECT_EQ(set8.Block(0x23).size(), 10u) << "temperatures after 0x0072";
}

TEST(HostCalibrationMode, Set5BlockCarriesFourValuesAndCountsDischargePositive) {
  PhysicsBench b("family = 5\ncal_nominal = yes\ntrue_cell_gain_error = 0.01\n");
  b.Apply(true, -2000);
  b.Put(0x00, 0x002D);
  b.Put(0x00, 0xF081);
  b.Wait(600);
  auto d = b.Block(0x23);
  ASSERT_EQ(d.size(), 10u);
  EXPECT_EQ(d[1], 1);
  EXPECT_GT(static_cast<int16_t>(d[2] | d[3] << 8), 2000) << "20 mV / 9.419 uV, positive";
  EXPECT_NEAR(d[4] | d[5] << 8, 3737, 1) << "cell 1 in mV with its 1 % error";
  // The tester's offset for command set 5 and the reading it gives.
  const int offset = 3700 - (d[4] | d[5] << 8);
  std::vector<uint8_t> byte = {static_cast<uint8_t>(offset)};
  b.Pack().Memory().StoreDataFlash(104 + 15, byte);
  b.Apply(true, 0);
  EXPECT_NEAR(b.Get(0x3F), 3700, 1);
}

}  // namespace
}  // namespace tester
