// Gauge-mode data-flash access of every family: SMBus classes (0x77/0x78..), absolute
// 32-byte blocks (0x0100 + k, 0x2F), 64-byte pages of command set 2, register-style
// class blocks with the committing checksum; writes seen by the ROM loader afterwards.
#include <numeric>
#include <vector>

#include "sim/tests/sim_test_support.h"

namespace tester {
namespace {

constexpr uint8_t kGauge = kAddrSmbusGauge;

std::vector<uint8_t> Block(GaugeControl& c, uint8_t cmd) {
  std::vector<uint8_t> bytes(256);
  int16_t n = 0;
  EXPECT_EQ(c.GetBlock(cmd, bytes, n, kGauge), 0);
  bytes.resize(static_cast<size_t>(n));
  return bytes;
}

TEST(GaugeModeFlash, SmbusClassBlocksReadAndWrite) {
  simtest::SimBench bench(simtest::OnePackJig("df_seed = 5\nclass = 104 0x0300 128"));
  GaugeControl& c = bench.Control();
  auto flash = bench.Pack().Memory().DataFlash();
  ASSERT_EQ(c.PutWord(0x77, 104, kGauge), 0);
  std::vector<uint8_t> block1 = Block(c, 0x79);
  ASSERT_EQ(block1.size(), 32u);
  EXPECT_TRUE(std::equal(block1.begin(), block1.end(), flash.begin() + 0x0300 + 32));

  block1[8] = 0x12;
  block1[9] = 0x34;
  ASSERT_EQ(c.PutBlock(0x79, block1, 32, kGauge), 0);
  EXPECT_EQ(flash[0x0300 + 40], 0x12);
  EXPECT_EQ(flash[0x0300 + 41], 0x34);
  EXPECT_EQ(Block(c, 0x79), block1);
  EXPECT_EQ(bench.Pack().Counters().gauge_mode_writes, 1);

  std::vector<uint8_t> bytes(33);
  int16_t n = 0;
  EXPECT_EQ(c.GetBlock(0x7C, bytes, n, kGauge), kSimCommandNack) << "block 4 past 128 bytes";
  ASSERT_EQ(c.PutWord(0x77, 999, kGauge), 0);
  EXPECT_EQ(c.GetBlock(0x78, bytes, n, kGauge), kSimCommandNack) << "unknown class";
}

TEST(GaugeModeFlash, SmbusAbsoluteBlocksThroughManufacturerAccess) {
  simtest::SimBench bench(simtest::OnePackJig("df_seed = 6"));
  GaugeControl& c = bench.Control();
  auto flash = bench.Pack().Memory().DataFlash();
  ASSERT_EQ(c.PutWord(0x00, 0x0101, kGauge), 0);  // block 1: bytes 32..63
  std::vector<uint8_t> block = Block(c, 0x2F);
  ASSERT_EQ(block.size(), 32u);
  EXPECT_TRUE(std::equal(block.begin(), block.end(), flash.begin() + 32));
  block[31] = 0xA5;
  ASSERT_EQ(c.PutBlock(0x2F, block, 32, kGauge), 0);
  EXPECT_EQ(flash[63], 0xA5);
}

TEST(GaugeModeFlash, CommandSet2PagesOf64Bytes) {
  simtest::SimBench bench(simtest::OnePackJig("family = 2\ndf_seed = 8"));
  GaugeControl& c = bench.Control();
  auto flash = bench.Pack().Memory().DataFlash();
  std::vector<uint8_t> page = Block(c, 0x58 + 3);
  ASSERT_EQ(page.size(), 64u);
  EXPECT_TRUE(std::equal(page.begin(), page.end(), flash.begin() + 3 * 64));
  page[0] = 0x00;
  page[63] = 0x00;
  ASSERT_EQ(c.PutBlock(0x58 + 3, page, 64, kGauge), 0);
  EXPECT_EQ(flash[3 * 64], 0x00);
  EXPECT_EQ(flash[3 * 64 + 63], 0x00);
  ASSERT_EQ(c.PutWord(0x77, 48, kGauge), 0) << "0x77 as a word still selects a class";
  EXPECT_EQ(Block(c, 0x78).size(), 32u);
}

class RegisterGaugeFlash : public ::testing::Test {
protected:
  RegisterGaugeFlash() : bench_(simtest::OnePackJig("family = 6\ndf_seed = 9\ncommit_ms = 20")) {}
  GaugeControl& C() { return bench_.Control(); }
  void Select(uint8_t cls, uint8_t block) {
    const uint8_t sel[2] = {cls, block};
    ASSERT_EQ(C().PutRegBlock(0x3E, sel, 2, kAddrRegGauge), 0);
  }
  std::vector<uint8_t> ReadData() {
    std::vector<uint8_t> bytes(32);
    int16_t n = 32;
    EXPECT_EQ(C().GetRegBlock(0x40, bytes, n, kAddrRegGauge), 0);
    return bytes;
  }
  void Write(const std::vector<uint8_t>& data, uint8_t checksum) {
    ASSERT_EQ(C().PutRegBlock(0x40, data, 32, kAddrRegGauge), 0);
    uint8_t value = checksum;
    ASSERT_EQ(C().RegByteOp(1, kAddrRegGauge, 0x60, value), 0);
  }
  static uint8_t Checksum(const std::vector<uint8_t>& data) {
    return static_cast<uint8_t>(0xFF - (std::accumulate(data.begin(), data.end(), 0u) & 0xFF));
  }
  simtest::SimBench bench_;
};

TEST_F(RegisterGaugeFlash, CommitWithRightChecksumThenControlAnswersAgain) {
  auto flash = bench_.Pack().Memory().DataFlash();
  Select(168, 0);  // serial-number class at 0x0200
  std::vector<uint8_t> data = ReadData();
  EXPECT_TRUE(std::equal(data.begin(), data.end(), flash.begin() + 0x0200));
  data[14] = 0x30;
  data[15] = 0x39;
  Write(data, Checksum(data));
  uint8_t control = 0;
  EXPECT_EQ(C().RegByteOp(2, kAddrRegGauge, 0x00, control), kSimAddressNack) << "committing";
  bench_.Clock().WaitMs(20);
  EXPECT_EQ(C().RegByteOp(2, kAddrRegGauge, 0x00, control), 0);
  EXPECT_EQ(flash[0x0200 + 14], 0x30);
  EXPECT_EQ(flash[0x0200 + 15], 0x39);
}

TEST_F(RegisterGaugeFlash, WrongChecksumDoesNotCommit) {
  auto flash = bench_.Pack().Memory().DataFlash();
  Select(168, 0);
  std::vector<uint8_t> data = ReadData();
  uint8_t before = flash[0x0200];
  data[0] = static_cast<uint8_t>(before + 1);
  Write(data, static_cast<uint8_t>(Checksum(data) + 1));
  uint8_t control = 0;
  EXPECT_EQ(C().RegByteOp(2, kAddrRegGauge, 0x00, control), 0) << "nothing to commit";
  EXPECT_EQ(flash[0x0200], before);
  EXPECT_EQ(bench_.Pack().Counters().gauge_mode_writes, 0);
}

TEST_F(RegisterGaugeFlash, ClassIdTakenAsItsLowByteAndSeenByTheLoader) {
  auto flash = bench_.Pack().Memory().DataFlash();
  Select(556 & 0xFF, 1);  // register settings at 0x0220, second block
  std::vector<uint8_t> data(32, 0x11);
  Write(data, Checksum(data));
  bench_.Clock().WaitMs(20);
  EXPECT_EQ(flash[0x0220 + 32], 0x11);

  const uint8_t rom_word[2] = {0x00, 0x0F};
  ASSERT_EQ(C().PutRegBlock(0x00, rom_word, 2, kAddrRegGauge), 0);
  ASSERT_EQ(C().PutRegBlock(0x00, std::vector<uint8_t>{0x07, 0x40, 0x42}, 3, kAddrRegLoader), 0);
  uint8_t count = 32;
  ASSERT_EQ(C().RegByteOp(1, kAddrRegLoader, 0x04, count), 0);
  uint16_t sum = 0x07 + 0x40 + 0x42 + 32;
  const uint8_t le[2] = {static_cast<uint8_t>(sum), static_cast<uint8_t>(sum >> 8)};
  ASSERT_EQ(C().PutRegBlock(0x64, le, 2, kAddrRegLoader), 0);
  std::vector<uint8_t> read(32);
  int16_t n = 32;
  ASSERT_EQ(C().GetRegBlock(0x05, read, n, kAddrRegLoader), 0);
  EXPECT_EQ(read, data) << "the ROM read sees the gauge-mode write";
}

}  // namespace
}  // namespace tester
