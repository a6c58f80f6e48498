// The calibration board's output port on the virtual jig: what the relays apply to the
// pack, and packs changing on the supply's power-on as an operator changes them.
#include "sim/tests/sim_test_support.h"

namespace tester {
namespace {

std::string ThreePacks(const std::string& adapter_keys) {
  return std::string("[adapter ") + simtest::kAdapterA + "]\n" + adapter_keys +
         "\n[pack zero]\n[pack one]\n[pack two]\n";
}

SimStatus WritePort(SimControl& c, uint8_t value) {
  return c.RegByteOp(1, kAddrCalBoard, 0x44, value);
}

std::string Label(simtest::SimBench& bench) { return bench.Pack().Description().label; }

TEST(BoardRelays, ReferencesReachThePackOnlyWhileTheirRelayIsClosed) {
  simtest::SimBench bench(
      ThreePacks("ref_tap_mv = 4000 8000 12000 16000\nref_current_ma = 1500\nambient_c = 22"));
  SimControl& c = bench.Control();
  const CalBoardPort& port = c.OpenStation()->CalBoard().Port();
  EXPECT_FALSE(bench.Pack().Environment().reference_voltage);
  EXPECT_EQ(bench.Pack().Environment().ambient_c, 22.0);

  ASSERT_EQ(WritePort(c, 0x28), 0);  // supply, busy lamp
  PackEnvironment env = bench.Pack().Environment();
  EXPECT_TRUE(env.reference_voltage);
  EXPECT_EQ(env.tap_mv, (std::array<double, 4>{4000, 8000, 12000, 16000}));
  EXPECT_FALSE(env.reference_current);
  EXPECT_EQ(env.current_ma, 0.0);
  EXPECT_TRUE(port.SupplyOn());
  EXPECT_EQ(port.Leds(), 2);

  ASSERT_EQ(WritePort(c, 0x2C), 0);
  EXPECT_TRUE(bench.Pack().Environment().reference_current);
  EXPECT_EQ(bench.Pack().Environment().current_ma, -1500.0) << "the load discharges";

  ASSERT_EQ(WritePort(c, 0x24), 0);  // load alone
  env = bench.Pack().Environment();
  EXPECT_FALSE(env.reference_voltage);
  EXPECT_EQ(env.tap_mv, (std::array<double, 4>{}));
  EXPECT_EQ(env.current_ma, -1500.0);
  EXPECT_EQ(port.Writes(), 3);
  uint8_t back = 0;
  ASSERT_EQ(c.RegByteOp(2, kAddrCalBoard, 0x44, back), 0);
  EXPECT_EQ(back, 0x24);

  c.OpenStation()->SetAmbient(30.5);
  EXPECT_EQ(bench.Pack().Environment().ambient_c, 30.5);
}

// A run powers on, tests pack 0, powers off; the next run's power-on brings pack 1.
// Only an off-to-on change of bit 3 counts; after the last pack the queue starts over.
TEST(BoardRelays, PowerOnAfterAPoweredPackBringsTheNext) {
  simtest::SimBench bench(ThreePacks(""));
  SimControl& c = bench.Control();
  ASSERT_EQ(WritePort(c, 0x20), 0);
  ASSERT_EQ(WritePort(c, 0x28), 0);
  EXPECT_EQ(Label(bench), "zero") << "the first power-on keeps the pack on the station";
  ASSERT_EQ(WritePort(c, 0x2C), 0);
  ASSERT_EQ(WritePort(c, 0x48), 0);
  EXPECT_EQ(Label(bench), "zero") << "the supply stays on";
  ASSERT_EQ(WritePort(c, 0x40), 0);
  ASSERT_EQ(WritePort(c, 0x00), 0);
  EXPECT_EQ(Label(bench), "zero") << "powering off changes nothing";

  for (const char* next : {"one", "two", "zero"}) {
    ASSERT_EQ(WritePort(c, 0x28), 0);
    EXPECT_EQ(Label(bench), next);
    EXPECT_TRUE(bench.Pack().Environment().reference_voltage) << "the new pack is told";
    ASSERT_EQ(WritePort(c, 0x20), 0);
  }
}

// Callers that change packs themselves: a pack put on with the supply off is powered by
// the next power-on, not skipped; one put on under power counts as powered.
TEST(BoardRelays, ExplicitPackChangesAreNotSkipped) {
  simtest::SimBench bench(ThreePacks(""));
  SimControl& c = bench.Control();
  ASSERT_TRUE(c.NextPack());
  ASSERT_EQ(WritePort(c, 0x08), 0);
  EXPECT_EQ(Label(bench), "one");
  ASSERT_TRUE(c.NextPack());
  EXPECT_EQ(Label(bench), "two");
  EXPECT_TRUE(bench.Pack().Environment().reference_voltage) << "the supply is on";
  ASSERT_EQ(WritePort(c, 0x00), 0);
  ASSERT_EQ(WritePort(c, 0x08), 0);
  EXPECT_EQ(Label(bench), "zero");
}

TEST(BoardRelays, WithoutABoardNothingAnswersAndThePackSeesNoReference) {
  simtest::SimBench bench(ThreePacks("cal_board = no\nsensors = 0x90 0x94"));
  SimControl& c = bench.Control();
  uint8_t v = 0x60;
  EXPECT_EQ(c.RegByteOp(0, 1, 1, v), kSimAddressNack);
  EXPECT_EQ(WritePort(c, 0x08), kSimAddressNack);
  EXPECT_EQ(c.RegByteOp(1, 0x90, 0x01, v), kSimAddressNack);
  std::vector<uint8_t> raw(2);
  int16_t n = 2;
  EXPECT_EQ(c.GetRegBlock(0x00, raw, n, 0x94), kSimAddressNack);
  EXPECT_EQ(c.OpenStation()->CalBoard().Port().Writes(), 0);
  EXPECT_FALSE(bench.Pack().Environment().reference_voltage);
  EXPECT_EQ(Label(bench), "zero");
}

}  // namespace
}  // namespace tester
