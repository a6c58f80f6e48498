// SMBus ROM loader: instruction rows, erase and programming with their busy time, the
// checksum, data-flash reads, and the probe answering not-ready while flash is busy.
#include <numeric>
#include <vector>

#include "sim/smbus_loader.h"
#include "sim/tests/sim_test_support.h"

namespace tester {
namespace {

class SmbusLoaderTest : public ::testing::Test {
protected:
  SmbusLoaderTest() : bench_(simtest::OnePackJig("family = 1\ndf_seed = 99\nmass_erase_ms = 200")) {
    EXPECT_EQ(C().PutWord(0x00, 0x0F00, kAddrSmbusGauge), 0);
  }
  GaugeControl& C() { return bench_.Control(); }
  int16_t Probe() {
    int16_t value = 0;
    EXPECT_EQ(C().GetWord(0x0D, value, kAddrSmbusGauge), 0);
    return value;
  }
  std::vector<uint8_t> ReadRow(uint8_t row) {
    const uint8_t pointer[3] = {row, 0, 0};
    EXPECT_EQ(C().PutBlock(0x00, pointer, 3, kAddrSmbusGauge), 0);
    std::vector<uint8_t> bytes(97);
    int16_t n = 0;
    EXPECT_EQ(C().GetBlock(0x02, bytes, n, kAddrSmbusGauge), 0);
    bytes.resize(static_cast<size_t>(n));
    return bytes;
  }
  SimStatus ProgramRow(uint8_t row, uint8_t value) {
    std::vector<uint8_t> block(33, value);
    block[0] = row;
    return C().PutBlock(0x10, block, 33, kAddrSmbusGauge);
  }
  void WaitReady() {
    for (int i = 0; i < 1000 && Probe() < 100; ++i) {
    }
  }

  simtest::SimBench bench_;
};

TEST_F(SmbusLoaderTest, InstructionRowsReadAndRewrite) {
  std::vector<uint8_t> row0 = ReadRow(0);
  ASSERT_EQ(row0.size(), 96u);
  const InstructionRow& stored = bench_.Pack().Memory().Row(0);
  EXPECT_TRUE(std::equal(row0.begin(), row0.end(), stored.begin()));

  ASSERT_EQ(C().PutWord(0x06, 0x0000, kAddrSmbusGauge), 0);
  EXPECT_TRUE(bench_.Pack().Memory().RowErased(0));
  WaitReady();
  std::vector<uint8_t> block = {0, 0};
  block.insert(block.end(), row0.begin(), row0.end());
  ASSERT_EQ(C().PutBlock(0x05, block, 98, kAddrSmbusGauge), 0);
  WaitReady();
  EXPECT_EQ(ReadRow(0), row0);
  EXPECT_EQ(bench_.Pack().Counters().row_writes, 1);
}

TEST_F(SmbusLoaderTest, MassEraseBusyForItsTimeThenReady) {
  int64_t start = bench_.Clock().Now();
  ASSERT_EQ(C().PutWord(0x12, static_cast<int16_t>(0x83DE), kAddrSmbusGauge), 0);
  int64_t erase_end = bench_.Clock().Now() + 200 * kMicrosPerMs;
  EXPECT_EQ(Probe(), kSimProbeBusy);
  int16_t sum = 0;
  EXPECT_EQ(C().GetWord(0x0E, sum, kAddrSmbusGauge), kSimBusy);
  bench_.Clock().WaitMs(198);
  EXPECT_LT(Probe(), 100) << "still erasing just before the end";
  while (bench_.Clock().Now() < erase_end) Probe();
  EXPECT_EQ(Probe(), kSimProbeReady);
  EXPECT_GE(bench_.Clock().Now() - start, 200 * kMicrosPerMs);
  ASSERT_EQ(C().GetWord(0x0E, sum, kAddrSmbusGauge), 0);
  EXPECT_EQ(static_cast<uint16_t>(sum), static_cast<uint16_t>(2016 * 0xFF));
}

TEST_F(SmbusLoaderTest, WrongEraseKeysAreRefused) {
  EXPECT_EQ(C().PutWord(0x12, 0x1234, kAddrSmbusGauge), kSimCommandNack);
  EXPECT_EQ(C().PutWord(0x06, 0x0001, kAddrSmbusGauge), kSimCommandNack);
  EXPECT_EQ(bench_.Pack().Counters().mass_erases, 0);
  EXPECT_FALSE(bench_.Pack().Memory().RowErased(0));
}

TEST_F(SmbusLoaderTest, ProgramClearsBitsOnlyAndChecksumCoversTheSpan) {
  ASSERT_EQ(C().PutWord(0x12, static_cast<int16_t>(0x83DE), kAddrSmbusGauge), 0);
  WaitReady();
  ASSERT_EQ(ProgramRow(3, 0x5A), 0);
  EXPECT_LT(Probe(), 100) << "row programming takes 2 ms";
  WaitReady();
  ASSERT_EQ(ProgramRow(3, 0x0F), 0);  // 0x5A AND 0x0F
  WaitReady();
  auto flash = bench_.Pack().Memory().DataFlash();
  EXPECT_EQ(flash[3 * 32], 0x0A);
  EXPECT_EQ(flash[3 * 32 + 31], 0x0A);
  EXPECT_EQ(flash[4 * 32], 0xFF);
  int16_t sum = 0;
  ASSERT_EQ(C().GetWord(0x0E, sum, kAddrSmbusGauge), 0);
  EXPECT_EQ(static_cast<uint16_t>(sum), static_cast<uint16_t>(2016 * 0xFF - 32 * (0xFF - 0x0A)));
  EXPECT_EQ(bench_.Pack().Counters().rows_programmed, 2);
  std::vector<uint8_t> short_block(20, 0);
  EXPECT_EQ(C().PutBlock(0x10, short_block, 20, kAddrSmbusGauge), kSimCommandNack);
}

TEST_F(SmbusLoaderTest, DataFlashReadsByBusAddress) {
  auto flash = bench_.Pack().Memory().DataFlash();
  std::vector<uint8_t> bytes(65);
  for (int row : {0, 5, 62}) {
    ASSERT_EQ(C().PutWord(0x09, static_cast<int16_t>(0x4000 + row * 32), kAddrSmbusGauge), 0);
    int16_t n = 0;
    ASSERT_EQ(C().GetBlock(0x0C, bytes, n, kAddrSmbusGauge), 0);
    ASSERT_EQ(n, 32);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 32, flash.begin() + row * 32)) << row;
  }
  ASSERT_EQ(C().PutWord(0x09, 0x3FF0, kAddrSmbusGauge), 0);
  int16_t n = 0;
  EXPECT_EQ(C().GetBlock(0x0C, bytes, n, kAddrSmbusGauge), kSimCommandNack);
}

TEST_F(SmbusLoaderTest, GaugeModeCommandsAreNotTheLoaders) {
  int16_t word = 0;
  EXPECT_EQ(C().GetWord(0x0E, word, kAddrSmbusGauge), 0);
  EXPECT_EQ(C().PutWord(0x77, 48, kAddrSmbusGauge), kSimCommandNack);
  EXPECT_EQ(C().PutCommand(0x09, kAddrSmbusGauge), kSimCommandNack);
}

}  // namespace
}  // namespace tester
