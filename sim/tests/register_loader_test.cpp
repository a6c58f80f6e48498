// Register-style ROM loader: command transactions with their checksums, result bytes,
// busy time after erase/program/checksum, instruction rows and data-flash reads, and the
// Monowire switch sent as single register bytes.
#include <numeric>
#include <vector>

#include "sim/register_loader.h"
#include "sim/tests/sim_test_support.h"

namespace tester {
namespace {

constexpr uint8_t kLoader = kAddrRegLoader;

class RegLoaderTest : public ::testing::Test {
protected:
  RegLoaderTest() : bench_(simtest::OnePackJig("family = 7\ndf_seed = 7")) {
    const uint8_t rom_word[2] = {0x00, 0x0F};
    EXPECT_EQ(C().PutRegBlock(0x00, rom_word, 2, kAddrRegGauge), 0);
  }
  GaugeControl& C() { return bench_.Control(); }

  // Command block at 0x00, data at 0x04.. (in 32-byte transfers), checksum at 0x64.
  // Returns the result byte read from 0x66 (0xEE when a transfer failed).
  uint8_t Command(std::vector<uint8_t> block, const std::vector<uint8_t>& data,
                  int checksum_error = 0) {
    uint32_t sum = std::accumulate(block.begin(), block.end(), 0u);
    sum = std::accumulate(data.begin(), data.end(), sum);
    auto block_length = static_cast<int16_t>(block.size());
    if (C().PutRegBlock(0x00, block, block_length, kLoader) != 0) return 0xEE;
    for (size_t at = 0; at < data.size(); at += 32) {
      size_t n = std::min<size_t>(32, data.size() - at);
      std::span<const uint8_t> part(data.data() + at, n);
      if (C().PutRegBlock(static_cast<uint8_t>(0x04 + at), part, static_cast<int16_t>(n),
                          kLoader) != 0) {
        return 0xEE;
      }
    }
    uint16_t check = static_cast<uint16_t>(sum + checksum_error);
    const uint8_t le[2] = {static_cast<uint8_t>(check), static_cast<uint8_t>(check >> 8)};
    if (C().PutRegBlock(0x64, le, 2, kLoader) != 0) return 0xEE;
    return Result();
  }
  uint8_t Result() {
    uint8_t result = 0xEE;
    EXPECT_EQ(C().RegByteOp(2, kLoader, 0x66, result), 0);
    return result;
  }
  std::vector<uint8_t> Read(uint8_t reg, int16_t count) {
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    EXPECT_EQ(C().GetRegBlock(reg, bytes, count, kLoader), 0);
    bytes.resize(static_cast<size_t>(count));
    return bytes;
  }
  // The Monowire switch as single register bytes: command, interface byte (unless
  // `interface` is negative), checksum of the bytes sent plus `checksum_error`.
  void SendInterfaceSwitch(int interface, int checksum_error = 0) {
    uint8_t byte = 0x16;
    ASSERT_EQ(C().RegByteOp(1, kLoader, 0x00, byte), 0);
    unsigned sum = 0x16;
    if (interface >= 0) {
      byte = static_cast<uint8_t>(interface);
      ASSERT_EQ(C().RegByteOp(1, kLoader, 0x04, byte), 0);
      sum += byte;
    }
    const uint16_t check = static_cast<uint16_t>(sum + checksum_error);
    const uint8_t le[2] = {static_cast<uint8_t>(check), static_cast<uint8_t>(check >> 8)};
    ASSERT_EQ(C().PutRegBlock(0x64, le, 2, kLoader), 0);
  }
  static uint16_t Le(const std::vector<uint8_t>& b) {
    return static_cast<uint16_t>(b[0] | b[1] << 8);
  }

  simtest::SimBench bench_;
};

TEST_F(RegLoaderTest, ProbeAndInstructionRowWithItsSum) {
  ASSERT_EQ(Command({0x0D}, {}), 0);
  EXPECT_GT(Le(Read(0x04, 2)), 100);
  ASSERT_EQ(Command({0x00, 1, 0}, {}), 0);
  std::vector<uint8_t> row = Read(0x04, 96);
  const InstructionRow& stored = bench_.Pack().Memory().Row(1);
  EXPECT_TRUE(std::equal(row.begin(), row.end(), stored.begin()));
  EXPECT_EQ(Le(Read(0x64, 2)), static_cast<uint16_t>(std::accumulate(row.begin(), row.end(), 0u)));
  EXPECT_EQ(Command({0x00, 2, 0}, {}), kSimLoaderFailed) << "only rows 0 and 1";
}

TEST_F(RegLoaderTest, WrongChecksumIsRejectedAndNothingRuns) {
  EXPECT_EQ(Command({0x03, 0, 0}, {}, 1), kSimLoaderBadChecksum);
  EXPECT_FALSE(bench_.Pack().Memory().RowErased(0));
  EXPECT_EQ(Command({0x0C}, {0x83, 0xDE}, -1), kSimLoaderBadChecksum);
  EXPECT_EQ(bench_.Pack().Counters().mass_erases, 0);
  EXPECT_EQ(Command({0x0C}, {0x83, 0xDD}), kSimLoaderFailed) << "wrong erase key";
  EXPECT_EQ(Command({0x44}, {}), kSimLoaderFailed) << "unknown command";
}

TEST_F(RegLoaderTest, RowEraseAndRowWriteRestoreTheRow) {
  InstructionRow saved = bench_.Pack().Memory().Row(0);
  ASSERT_EQ(C().PutRegBlock(0x00, std::vector<uint8_t>{0x03, 0, 0}, 3, kLoader), 0);
  const uint8_t check[2] = {0x03, 0x00};
  ASSERT_EQ(C().PutRegBlock(0x64, check, 2, kLoader), 0);
  EXPECT_EQ(Result(), kSimLoaderBusy) << "10 ms row erase";
  uint8_t cmd = 0x0D;
  EXPECT_EQ(C().RegByteOp(1, kLoader, 0x00, cmd), kSimBusy);
  bench_.Clock().WaitMs(10);
  EXPECT_EQ(Result(), kSimLoaderAccepted);
  EXPECT_TRUE(bench_.Pack().Memory().RowErased(0));
  EXPECT_EQ(Command({0x02, 0, 0}, std::vector<uint8_t>(saved.begin(), saved.end())),
            kSimLoaderBusy);
  bench_.Clock().WaitMs(2);
  EXPECT_EQ(Result(), kSimLoaderAccepted);
  EXPECT_EQ(bench_.Pack().Memory().Row(0), saved);
}

TEST_F(RegLoaderTest, MassEraseProgramAndChecksumWithTheirTimes) {
  ASSERT_EQ(Command({0x0C}, {0x83, 0xDE}), kSimLoaderBusy);
  bench_.Clock().WaitMs(199);
  EXPECT_EQ(Result(), kSimLoaderBusy);
  bench_.Clock().WaitMs(1);
  EXPECT_EQ(Result(), kSimLoaderAccepted);
  EXPECT_EQ(bench_.Pack().Memory().Checksum(2048), static_cast<uint16_t>(2048 * 0xFF));

  // Row 5 with all bytes 0x01: checksum 0x0A + 5 + 32 = 0x002F.
  std::vector<uint8_t> row(32, 0x01);
  ASSERT_EQ(C().PutRegBlock(0x00, std::vector<uint8_t>{0x0A, 5, 0}, 3, kLoader), 0);
  ASSERT_EQ(C().PutRegBlock(0x04, row, 32, kLoader), 0);
  const uint8_t check[2] = {0x2F, 0x00};
  ASSERT_EQ(C().PutRegBlock(0x64, check, 2, kLoader), 0);
  C().Pause(2);
  EXPECT_EQ(Result(), kSimLoaderAccepted);
  EXPECT_EQ(bench_.Pack().Memory().DataFlash()[5 * 32], 0x01);
  EXPECT_EQ(bench_.Pack().Memory().DataFlash()[6 * 32], 0xFF);

  ASSERT_EQ(Command({0x08}, {}), kSimLoaderBusy);
  bench_.Clock().WaitMs(2);
  EXPECT_EQ(Result(), kSimLoaderAccepted);
  EXPECT_EQ(Le(Read(0x04, 2)), static_cast<uint16_t>(1760 * 0xFF + 32));
}

TEST_F(RegLoaderTest, DataFlashReadGivesBytesAndCountPlusSum) {
  auto flash = bench_.Pack().Memory().DataFlash();
  // [0x07, a lo, a hi] + count at 0x04; checksum 0x07 + a hi + a lo + count.
  ASSERT_EQ(Command({0x07, 0x40, 0x40}, {32}), 0);
  std::vector<uint8_t> bytes = Read(0x05, 32);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), flash.begin() + 0x40));
  EXPECT_EQ(Le(Read(0x64, 2)),
            static_cast<uint16_t>(32 + std::accumulate(bytes.begin(), bytes.end(), 0u)));
  EXPECT_EQ(Command({0x07, 0xF0, 0x47}, {32}), kSimLoaderFailed) << "runs past the flash";
}

TEST_F(RegLoaderTest, ExitReturnsToTheFirmwareOnlyWithRowZero) {
  uint8_t exit_cmd = 0x0F;
  ASSERT_EQ(C().RegByteOp(1, kLoader, 0x00, exit_cmd), 0);
  const uint8_t check[2] = {0x0F, 0x00};
  ASSERT_EQ(C().PutRegBlock(0x64, check, 2, kLoader), 0);
  EXPECT_EQ(bench_.Pack().Mode(), GaugeMode::kFirmware);
  uint8_t v = 0;
  EXPECT_EQ(C().RegByteOp(2, kLoader, 0x66, v), kSimAddressNack) << "loader gone";

  // Back in ROM, row 0 erased: the exit is accepted but the loader keeps running.
  const uint8_t rom_word[2] = {0x00, 0x0F};
  ASSERT_EQ(C().PutRegBlock(0x00, rom_word, 2, kAddrRegGauge), 0);
  ASSERT_EQ(Command({0x03}, {}), kSimLoaderBusy);
  bench_.Clock().WaitMs(10);
  ASSERT_EQ(Command({0x0F}, {}), 0);
  EXPECT_EQ(bench_.Pack().Mode(), GaugeMode::kRomLoader);
}

TEST_F(RegLoaderTest, MonowireSwitchSilencesTheGaugeOnceItsResultIsRead) {
  SendInterfaceSwitch(0x05);
  EXPECT_FALSE(bench_.Pack().Monowire()) << "the answer is still to be read";
  EXPECT_EQ(Result(), kSimLoaderAccepted);
  EXPECT_TRUE(bench_.Pack().Monowire());
  uint8_t v = 0;
  EXPECT_EQ(C().RegByteOp(2, kLoader, 0x66, v), kSimAddressNack);
  const uint8_t rom_word[2] = {0x00, 0x0F};
  EXPECT_EQ(C().PutRegBlock(0x00, rom_word, 2, kAddrRegGauge), kSimAddressNack);

  ASSERT_TRUE(bench_.Control().NextPack());
  EXPECT_FALSE(bench_.Pack().Monowire()) << "the next pack is on the two-wire bus";
  EXPECT_EQ(C().PutRegBlock(0x00, rom_word, 2, kAddrRegGauge), 0);
}

TEST_F(RegLoaderTest, MonowireSwitchNeedsItsOwnInterfaceByteAndChecksum) {
  // Leaves 0x05 at 0x04 from a data-flash read of five bytes.
  ASSERT_EQ(Command({0x07, 0x40, 0x40}, {0x05}), 0);
  SendInterfaceSwitch(-1);
  EXPECT_EQ(Result(), kSimLoaderFailed) << "a stale interface byte does not count";
  SendInterfaceSwitch(0x04);
  EXPECT_EQ(Result(), kSimLoaderFailed) << "unknown interface";
  SendInterfaceSwitch(0x05, 1);
  EXPECT_EQ(Result(), kSimLoaderBadChecksum);
  EXPECT_FALSE(bench_.Pack().Monowire());
  // The same command written as one block is as good as byte by byte.
  EXPECT_EQ(Command({0x16}, {0x05}), kSimLoaderAccepted);
  EXPECT_TRUE(bench_.Pack().Monowire());
}

TEST(RegLoaderDefectTest, RefusedMonowireKeepsTheGaugeOnTheBus) {
  simtest::SimBench bench(simtest::OnePackJig("family = 6\nmonowire_refused = yes"));
  const uint8_t rom_word[2] = {0x00, 0x0F};
  ASSERT_EQ(bench.Control().PutRegBlock(0x00, rom_word, 2, kAddrRegGauge), 0);
  uint8_t byte = 0x16;
  ASSERT_EQ(bench.Control().RegByteOp(1, kLoader, 0x00, byte), 0);
  byte = 0x05;
  ASSERT_EQ(bench.Control().RegByteOp(1, kLoader, 0x04, byte), 0);
  const uint8_t check[2] = {0x1B, 0x00};
  ASSERT_EQ(bench.Control().PutRegBlock(0x64, check, 2, kLoader), 0);
  uint8_t result = 0;
  ASSERT_EQ(bench.Control().RegByteOp(2, kLoader, 0x66, result), 0);
  EXPECT_EQ(result, kSimLoaderFailed);
  EXPECT_FALSE(bench.Pack().Monowire());
  EXPECT_EQ(bench.Control().RegByteOp(2, kLoader, 0x66, result), 0);
}

}  // namespace
}  // namespace tester
