// Pack defects of the jig file, each seen on the bus as documented.
#include <numeric>
#include <vector>

#include "sim/tests/sim_test_support.h"

namespace tester {
namespace {

using simtest::OnePackJig;
using simtest::SimBench;

constexpr uint8_t kGauge = kAddrSmbusGauge;

SimStatus ReadType(GaugeControl& c, int16_t& word) {
  SimStatus s = c.PutWord(0x00, 0x0001, kGauge);
  return s != 0 ? s : c.GetWord(0x00, word, kGauge);
}

void EnterSmbusRomAndErase(SimBench& bench) {
  GaugeControl& c = bench.Control();
  ASSERT_EQ(c.PutWord(0x00, 0x0F00, kGauge), 0);
  ASSERT_EQ(c.PutWord(0x12, static_cast<int16_t>(0x83DE), kGauge), 0);
  bench.Clock().WaitMs(40);
}

TEST(SimFaults, FailAtFailsOnlyThatTransfer) {
  SimBench bench(OnePackJig("fail_at = 3"));
  GaugeControl& c = bench.Control();
  int16_t word = 0;
  EXPECT_EQ(ReadType(c, word), 0);                          // transfers 1, 2
  EXPECT_EQ(c.PutWord(0x00, 1, kGauge), kSimInjectedError);  // 3
  EXPECT_EQ(c.BusStatus(), kSimInjectedError);
  EXPECT_EQ(ReadType(c, word), 0);                          // 4, 5
  EXPECT_EQ(bench.Pack().Counters().transfers, 5);
}

TEST(SimFaults, FailFromFailsEveryLaterTransfer) {
  SimBench bench(OnePackJig("fail_from = 2"));
  GaugeControl& c = bench.Control();
  int16_t word = 0;
  EXPECT_EQ(c.PutWord(0x00, 1, kGauge), 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(c.GetWord(0x00, word, kGauge), kSimInjectedError);
  uint8_t out = 0;
  EXPECT_EQ(c.RegByteOp(1, kAddrCalBoard, 0x44, out), 0) << "the board is not the gauge";
}

TEST(SimFaults, UnresponsiveGaugeNeverAnswers) {
  SimBench bench(OnePackJig("unresponsive = yes"));
  GaugeControl& c = bench.Control();
  int16_t word = 0;
  EXPECT_EQ(ReadType(c, word), kSimAddressNack);
  EXPECT_EQ(c.PutCommand(0x08, kGauge), kSimAddressNack);
  std::vector<uint8_t> b(2);
  int16_t n = 2;
  EXPECT_EQ(c.GetRegBlock(0x00, b, n, kAddrRegGauge), kSimAddressNack);
}

TEST(SimFaults, BusStatusStuckAfterTheFirstWrite) {
  SimBench bench(OnePackJig("bus_stuck = yes"));
  GaugeControl& c = bench.Control();
  int16_t word = 0;
  ASSERT_EQ(c.GetWord(0x00, word, kGauge), 0);
  EXPECT_EQ(c.BusStatus(), 0) << "reads do not jam it";
  ASSERT_EQ(c.PutWord(0x00, 1, kGauge), 0);
  for (int i = 0; i < 3; ++i) {
    bench.Clock().WaitMs(100);
    EXPECT_EQ(c.BusStatus(), kSimBusStuck);
  }
}

TEST(SimFaults, IdentityMismatchChangesEveryIdentityByte) {
  SimBench good(OnePackJig("identity = 0x08A102"));
  SimBench bad(OnePackJig("identity = 0x08A102\nidentity_mismatch = yes"));
  EXPECT_EQ(good.Pack().Memory().FirmwareIdentity(), 0x08A102u);
  uint32_t wrong = bad.Pack().Memory().FirmwareIdentity();
  for (int shift : {0, 8, 16}) EXPECT_NE((wrong >> shift) & 0xFF, (0x08A102u >> shift) & 0xFF);
}

TEST(SimFaults, BadRowKeepsItsBitsOnTheSmbusLoader) {
  SimBench bench(OnePackJig("bad_rows = 2\nmass_erase_ms = 40"));
  EnterSmbusRomAndErase(bench);
  GaugeControl& c = bench.Control();
  std::vector<uint8_t> block(33, 0x00);
  for (uint8_t row : {1, 2}) {
    block[0] = row;
    ASSERT_EQ(c.PutBlock(0x10, block, 33, kGauge), 0);
    bench.Clock().WaitMs(2);
  }
  auto flash = bench.Pack().Memory().DataFlash();
  EXPECT_EQ(flash[32], 0x00);
  EXPECT_EQ(flash[64], 0xFF) << "row 2 failed to program";
  int16_t sum = 0;
  ASSERT_EQ(c.GetWord(0x0E, sum, kGauge), 0);
  EXPECT_EQ(static_cast<uint16_t>(sum), static_cast<uint16_t>((2016 - 32) * 0xFF));
}

TEST(SimFaults, BadRowReportsFailureOnTheRegisterLoader) {
  SimBench bench(OnePackJig("family = 7\nbad_rows = 4"));
  GaugeControl& c = bench.Control();
  const uint8_t rom_word[2] = {0x00, 0x0F};
  ASSERT_EQ(c.PutRegBlock(0x00, rom_word, 2, kAddrRegGauge), 0);
  std::vector<uint8_t> row(32, 0x00);
  ASSERT_EQ(c.PutRegBlock(0x00, std::vector<uint8_t>{0x0A, 4, 0}, 3, kAddrRegLoader), 0);
  ASSERT_EQ(c.PutRegBlock(0x04, row, 32, kAddrRegLoader), 0);
  const uint8_t check[2] = {0x0E, 0x00};  // 0x0A + 4 + 0 + sum of zeros
  ASSERT_EQ(c.PutRegBlock(0x64, check, 2, kAddrRegLoader), 0);
  c.Pause(2);
  uint8_t result = 0;
  ASSERT_EQ(c.RegByteOp(2, kAddrRegLoader, 0x66, result), 0);
  EXPECT_NE(result, 0);
  EXPECT_EQ(bench.Pack().Memory().DataFlash()[4 * 32], 0xFF);
}

TEST(SimFaults, BadChecksumIsOneTooHighOnBothLoaders) {
  SimBench smbus(OnePackJig("df_seed = 3\nbad_checksum = yes"));
  ASSERT_EQ(smbus.Control().PutWord(0x00, 0x0F00, kGauge), 0);
  int16_t sum = 0;
  ASSERT_EQ(smbus.Control().GetWord(0x0E, sum, kGauge), 0);
  EXPECT_EQ(static_cast<uint16_t>(sum),
            static_cast<uint16_t>(smbus.Pack().Memory().Checksum(2016) + 1));

  SimBench reg(OnePackJig("family = 6\ndf_seed = 3\nbad_checksum = yes"));
  GaugeControl& c = reg.Control();
  const uint8_t rom_word[2] = {0x00, 0x0F};
  ASSERT_EQ(c.PutRegBlock(0x00, rom_word, 2, kAddrRegGauge), 0);
  uint8_t cmd = 0x08;
  ASSERT_EQ(c.RegByteOp(1, kAddrRegLoader, 0x00, cmd), 0);
  const uint8_t check[2] = {0x08, 0x00};
  ASSERT_EQ(c.PutRegBlock(0x64, check, 2, kAddrRegLoader), 0);
  reg.Clock().WaitMs(2);
  std::vector<uint8_t> le(2);
  int16_t n = 2;
  ASSERT_EQ(c.GetRegBlock(0x04, le, n, kAddrRegLoader), 0);
  EXPECT_EQ(le[0] | le[1] << 8, (reg.Pack().Memory().Checksum(1792) + 1) & 0xFFFF);
}

TEST(SimFaults, ReadBackCorruptAltersTheWrittenWord) {
  SimBench bench(OnePackJig("df_seed = 4\nreadback_corrupt = yes"));
  GaugeControl& c = bench.Control();
  ASSERT_EQ(c.PutWord(0x77, 48, kGauge), 0);
  std::vector<uint8_t> block(33);
  int16_t n = 0;
  ASSERT_EQ(c.GetBlock(0x78, block, n, kGauge), 0);
  std::vector<uint8_t> written(block.begin(), block.begin() + 32);
  written[10] = static_cast<uint8_t>(written[10] ^ 0xF0);
  written[11] = static_cast<uint8_t>(written[11] ^ 0x0F);
  ASSERT_EQ(c.PutBlock(0x78, written, 32, kGauge), 0);
  ASSERT_EQ(c.GetBlock(0x78, block, n, kGauge), 0);
  EXPECT_NE(block[10], written[10]) << "the date word reads back different";
  EXPECT_EQ(block[11], written[11]);
  EXPECT_EQ(block[0], written[0]);
}

TEST(SimFaults, PermanentFailureShowsInSafetyStatus) {
  SimBench bench(OnePackJig("permanent_failure = yes"));
  GaugeControl& c = bench.Control();
  int16_t word = 0;
  ASSERT_EQ(c.GetWord(0x23, word, kGauge), 0);
  EXPECT_NE(word, 0);
  std::vector<uint8_t> block(33);
  int16_t n = 0;
  ASSERT_EQ(c.GetBlock(0x54, block, n, kGauge), 0);
  EXPECT_NE(block[1] & 0x10, 0);
}

}  // namespace
}  // namespace tester
