// Wire time of transfers: 90 us per byte counted as documented; adapter operations take
// none; Pause waits through the pump.
#include <vector>

#include "sim/tests/sim_test_support.h"

namespace tester {
namespace {

class BusTimeTest : public ::testing::Test {
protected:
  BusTimeTest() : bench_(simtest::OnePackJig("family = 1")) {}
  template <typename Op>
  int64_t Micros(Op op) {
    int64_t start = bench_.Clock().Now();
    op(bench_.Control());
    return bench_.Clock().Now() - start;
  }
  simtest::SimBench bench_;
};

TEST_F(BusTimeTest, SmbusTransfersCountEveryByteOnTheWire) {
  int16_t word = 0;
  EXPECT_EQ(Micros([](GaugeControl& c) { c.PutWord(0x00, 1, kAddrSmbusGauge); }), 4 * 90);
  EXPECT_EQ(Micros([&](GaugeControl& c) { c.GetWord(0x00, word, kAddrSmbusGauge); }), 5 * 90);
  EXPECT_EQ(Micros([](GaugeControl& c) { c.PutCommand(0x08, kAddrSmbusGauge); }), 2 * 90);
  const uint8_t pointer[3] = {0, 0, 0};
  ASSERT_EQ(bench_.Control().PutWord(0x00, 0x0F00, kAddrSmbusGauge), 0);
  EXPECT_EQ(Micros([&](GaugeControl& c) { c.PutBlock(0x00, pointer, 3, kAddrSmbusGauge); }),
            (3 + 3) * 90);
  std::vector<uint8_t> row(97);
  int16_t n = 0;
  EXPECT_EQ(Micros([&](GaugeControl& c) { c.GetBlock(0x02, row, n, kAddrSmbusGauge); }),
            (4 + 96) * 90);
}

TEST_F(BusTimeTest, RegisterTransfersAndRefusedAddresses) {
  uint8_t value = 0x0C;
  std::vector<uint8_t> bytes(32);
  int16_t asked = 32;
  EXPECT_EQ(Micros([&](GaugeControl& c) { c.RegByteOp(1, 0xC0, 0x44, value); }), 3 * 90);
  EXPECT_EQ(Micros([&](GaugeControl& c) { c.RegByteOp(2, 0xC0, 0x44, value); }), 4 * 90);
  EXPECT_EQ(Micros([&](GaugeControl& c) { c.PutRegBlock(0x40, bytes, 32, kAddrRegGauge); }), 90)
      << "nobody at 0xAA: the address byte only";
  EXPECT_EQ(Micros([&](GaugeControl& c) { c.GetRegBlock(0x00, bytes, asked, 0x90); }),
            (3 + 32) * 90)
      << "an acknowledged address costs the whole transfer, even when the device refuses it";
}

TEST_F(BusTimeTest, AdapterOperationsPutNothingOnTheWire) {
  uint8_t value = 0;
  int32_t count = 0;
  std::string names;
  EXPECT_EQ(Micros([](GaugeControl& c) { c.BusStatus(); }), 0);
  EXPECT_EQ(Micros([](GaugeControl& c) { c.SetBusMode(0); }), 0);
  EXPECT_EQ(Micros([&](GaugeControl& c) { c.RegByteOp(0, 1, 1, value); }), 0);
  EXPECT_EQ(Micros([&](GaugeControl& c) { c.ListAdapters(16, count, names); }), 0);
  EXPECT_EQ(Micros([](GaugeControl& c) { c.Pause(10); }), 10 * kMicrosPerMs);
}

}  // namespace
}  // namespace tester
