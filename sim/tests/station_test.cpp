// Station behaviour around the pack: power cycles through the queue, the calibration
// board's port and sensors, argument checks of the control.
#include <vector>

#include "sim/tests/sim_test_support.h"

namespace tester {
namespace {

TEST(SimStation, PowerCycleBringsTheNextPackAndTheQueueStartsOver) {
  simtest::SimBench bench(std::string("[adapter ") + simtest::kAdapterA +
                          "]\n[pack one]\ndevice_type = 0x0800\n[pack two]\nfamily = 7\n");
  SimControl& c = bench.Control();
  ASSERT_EQ(c.PutWord(0x00, 0x0F00, kAddrSmbusGauge), 0);
  EXPECT_EQ(c.Pack()->Mode(), GaugeMode::kRomLoader);
  ASSERT_TRUE(c.NextPack());
  EXPECT_EQ(c.Pack()->Description().label, "two");
  EXPECT_EQ(c.OpenStation()->PackIndex(), 1u);
  ASSERT_TRUE(c.NextPack());
  EXPECT_EQ(c.Pack()->Description().label, "one");
  EXPECT_EQ(c.Pack()->Mode(), GaugeMode::kFirmware) << "a fresh pack";
}

TEST(SimStation, EmptyStationHasNoGauge) {
  simtest::SimBench bench(std::string("[adapter ") + simtest::kAdapterA + "]\n");
  int16_t word = 0;
  EXPECT_EQ(bench.Control().GetWord(0x00, word, kAddrSmbusGauge), kSimAddressNack);
  EXPECT_FALSE(bench.Control().NextPack());
  uint8_t v = 0;
  EXPECT_EQ(bench.Control().RegByteOp(0, 1, 1, v), 0) << "the board is there";
}

TEST(SimStation, CalibrationBoardPortAndSensors) {
  simtest::SimBench bench(std::string("[adapter ") + simtest::kAdapterA +
                          "]\nambient_c = 25\nsensors = 0x90\n[pack]\n");
  SimControl& c = bench.Control();
  uint8_t out = 0x4C;
  ASSERT_EQ(c.RegByteOp(1, kAddrCalBoard, 0x44, out), 0);
  EXPECT_EQ(c.OpenStation()->CalBoard().Port().Output(), 0x4C);
  uint8_t config = 0x60;
  ASSERT_EQ(c.RegByteOp(1, 0x90, 0x01, config), 0);
  std::vector<uint8_t> raw(2);
  int16_t n = 2;
  ASSERT_EQ(c.GetRegBlock(0x00, raw, n, 0x90), 0);
  EXPECT_EQ(raw[0] << 8 | raw[1], 0x1900) << "25 degC";
  EXPECT_EQ(c.GetRegBlock(0x00, raw, n, 0x94), kSimAddressNack) << "sensor not fitted";
}

TEST(SimStation, NoBoardNoPortExpander) {
  simtest::SimBench bench(std::string("[adapter ") + simtest::kAdapterA +
                          "]\ncal_board = no\n[pack]\n");
  uint8_t v = 0;
  EXPECT_EQ(bench.Control().RegByteOp(0, 1, 1, v), kSimAddressNack);
  EXPECT_EQ(bench.Control().RegByteOp(1, kAddrCalBoard, 0x44, v), kSimAddressNack);
}

TEST(SimStation, LengthsOutsideTheBufferAreRefusedWithoutTransfer) {
  simtest::SimBench bench(simtest::OnePackJig("family = 1"));
  SimControl& c = bench.Control();
  std::vector<uint8_t> small(4);
  int16_t length = 5;
  int64_t start = bench.Clock().Now();
  EXPECT_EQ(c.PutBlock(0x00, small, 5, kAddrSmbusGauge), kSimBadLength);
  EXPECT_EQ(c.PutBlock(0x00, small, -1, kAddrSmbusGauge), kSimBadLength);
  EXPECT_EQ(c.GetRegBlock(0x00, small, length, kAddrRegGauge), kSimBadLength);
  EXPECT_EQ(c.PutRegBlock(0x00, small, 0, kAddrRegGauge), kSimBadLength);
  EXPECT_EQ(c.RegByteOp(3, 0xC0, 0x44, small[0]), kSimBadMode);
  EXPECT_EQ(bench.Clock().Now(), start);
  EXPECT_EQ(bench.Pack().Counters().transfers, 0);

  // A block longer than the caller's buffer is cut at the buffer's end.
  ASSERT_EQ(c.PutWord(0x00, 0x0F00, kAddrSmbusGauge), 0);
  const uint8_t pointer[3] = {0, 0, 0};
  ASSERT_EQ(c.PutBlock(0x00, pointer, 3, kAddrSmbusGauge), 0);
  std::vector<uint8_t> buffer(33, 0xEE);
  int16_t n = 0;
  ASSERT_EQ(c.GetBlock(0x02, std::span<uint8_t>(buffer.data(), 32), n, kAddrSmbusGauge), 0);
  EXPECT_EQ(n, 32);
  EXPECT_EQ(buffer[32], 0xEE);
}

}  // namespace
}  // namespace tester
