// Identity reads and ROM entry / probe / signature / exit of every gauge family.
#include "sim/default_jig.h"
#include <array>

#include "sim/smbus_loader.h"
#include "sim/tests/sim_test_support.h"

namespace tester {
namespace {

using simtest::OnePackJig;
using simtest::SimBench;

constexpr uint8_t kMac = 0x00;

int16_t ReadMacWord(GaugeControl& c, uint16_t subcommand) {
  EXPECT_EQ(c.PutWord(kMac, static_cast<int16_t>(subcommand), kAddrSmbusGauge), 0);
  int16_t word = -1;
  EXPECT_EQ(c.GetWord(kMac, word, kAddrSmbusGauge), 0);
  return word;
}

std::array<uint8_t, 2> ReadRegMac(GaugeControl& c, uint16_t subcommand) {
  const uint8_t sub[2] = {static_cast<uint8_t>(subcommand), static_cast<uint8_t>(subcommand >> 8)};
  EXPECT_EQ(c.PutRegBlock(kMac, sub, 2, kAddrRegGauge), 0);
  std::array<uint8_t, 2> bytes{};
  int16_t length = 2;
  EXPECT_EQ(c.GetRegBlock(kMac, bytes, length, kAddrRegGauge), 0);
  EXPECT_EQ(length, 2);
  return bytes;
}

TEST(SimIdentity, SmbusGaugeAnswersTypeAndVersionWords) {
  SimBench bench(OnePackJig("family = 1\ndevice_type = 0x0800\nfirmware = 0x0102"));
  EXPECT_EQ(ReadMacWord(bench.Control(), 0x0001), 0x0800);
  EXPECT_EQ(ReadMacWord(bench.Control(), 0x0002), 0x0102);
}

TEST(SimIdentity, OldFirmwareAnswersZeroWordsButBlockIdentity) {
  SimBench bench(OnePackJig("device_type = 0x0800\nfirmware = 0x0102\nold_firmware = yes"));
  GaugeControl& c = bench.Control();
  EXPECT_EQ(ReadMacWord(c, 0x0001), 0);
  std::array<uint8_t, 33> block{};
  int16_t n = 0;
  ASSERT_EQ(c.GetBlock(0x23, block, n, kAddrSmbusGauge), 0);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(block[0], 0x00);  // type low byte
  EXPECT_EQ(block[1], 0x08);  // type high byte
  EXPECT_EQ(ReadMacWord(c, 0x0002), 0);
  ASSERT_EQ(c.GetBlock(0x23, block, n, kAddrSmbusGauge), 0);
  ASSERT_EQ(n, 4);
  EXPECT_EQ(block[2], 0x01);  // major
  EXPECT_EQ(block[3], 0x02);  // minor
}

TEST(SimIdentity, RegisterGaugeAnswersLittleEndianAtAA) {
  SimBench bench(OnePackJig("family = 7\ndevice_type = 0x0100\nfirmware = 0x0109"));
  EXPECT_EQ(ReadRegMac(bench.Control(), 0x0001), (std::array<uint8_t, 2>{0x00, 0x01}));
  EXPECT_EQ(ReadRegMac(bench.Control(), 0x0002), (std::array<uint8_t, 2>{0x09, 0x01}));
  int16_t word = 0;
  EXPECT_EQ(bench.Control().GetWord(kMac, word, kAddrSmbusGauge), kSimAddressNack);
}

TEST(SimIdentity, ManufacturerAccessCommandFollowsThePack) {
  SimBench bench(OnePackJig("mac_cmd = 0x44\ndevice_type = 0x0800"));
  GaugeControl& c = bench.Control();
  ASSERT_EQ(c.PutWord(0x44, 0x0001, kAddrSmbusGauge), 0);
  int16_t word = 0;
  ASSERT_EQ(c.GetWord(0x44, word, kAddrSmbusGauge), 0);
  EXPECT_EQ(word, 0x0800);
}

TEST(SimRom, SmbusEntryProbeSignatureIdentityAndExit) {
  SimBench bench(OnePackJig("family = 1\nidentity = 0x08A102"));
  GaugeControl& c = bench.Control();
  int16_t probe = 0;
  ASSERT_EQ(c.GetWord(0x0D, probe, kAddrSmbusGauge), 0);
  EXPECT_LE(probe, 100) << "the firmware does not look like the loader";
  ASSERT_EQ(c.PutWord(0x00, 0x0F00, kAddrSmbusGauge), 0);
  EXPECT_EQ(bench.Pack().Mode(), GaugeMode::kRomLoader);
  ASSERT_EQ(c.GetWord(0x0D, probe, kAddrSmbusGauge), 0);
  EXPECT_GT(probe, 100);

  std::array<uint8_t, 33> block{};
  int16_t n = 0;
  const uint8_t signature_ptr[3] = {0x00, 0x00, 0x05};
  ASSERT_EQ(c.PutBlock(0x00, signature_ptr, 3, kAddrSmbusGauge), 0);
  ASSERT_EQ(c.GetBlock(0x01, block, n, kAddrSmbusGauge), 0);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(block[0], 0x54);
  EXPECT_EQ(block[1], 0x54);
  EXPECT_EQ(block[2], 0x15);

  const uint8_t identity_ptr[3] = {0x00, 0x00, 0x10};
  ASSERT_EQ(c.PutBlock(0x00, identity_ptr, 3, kAddrSmbusGauge), 0);
  ASSERT_EQ(c.GetBlock(0x01, block, n, kAddrSmbusGauge), 0);
  ASSERT_EQ(n, 3);
  EXPECT_EQ((block[0] << 16) | (block[1] << 8) | block[2], 0x08A102);

  ASSERT_EQ(c.PutCommand(0x08, kAddrSmbusGauge), 0);
  EXPECT_EQ(bench.Pack().Mode(), GaugeMode::kFirmware);
  EXPECT_EQ(ReadMacWord(c, 0x0001), 0x0800);
}

TEST(SimRom, RomEntryNeedsTheConfiguredCommandAndWord) {
  SimBench bench(OnePackJig("rom_cmd = 0x71\nrom_word = 0x1234"));
  GaugeControl& c = bench.Control();
  ASSERT_EQ(c.PutWord(0x00, 0x0F00, kAddrSmbusGauge), 0);
  EXPECT_EQ(bench.Pack().Mode(), GaugeMode::kFirmware);
  ASSERT_EQ(c.PutWord(0x71, 0x1234, kAddrSmbusGauge), 0);
  EXPECT_EQ(bench.Pack().Mode(), GaugeMode::kRomLoader);
}

TEST(SimRom, ExitWithInstructionRowZeroErasedStaysInRom) {
  SimBench bench(OnePackJig("family = 1\nmass_erase_ms = 40"));
  GaugeControl& c = bench.Control();
  ASSERT_EQ(c.PutWord(0x00, 0x0F00, kAddrSmbusGauge), 0);
  ASSERT_EQ(c.PutWord(0x06, 0x0000, kAddrSmbusGauge), 0);
  bench.Clock().WaitMs(20);
  ASSERT_EQ(c.PutCommand(0x08, kAddrSmbusGauge), 0);
  EXPECT_EQ(bench.Pack().Mode(), GaugeMode::kRomLoader) << "no firmware to run";
}

// Command set 5: SMBus gauge at 0x17, its loader at 0x16 only on the register bus.
TEST(SimRom, CommandSet5LoaderAnswersOnlyInBusMode1) {
  SimBench bench(OnePackJig("family = 5\ndevice_type = 0x0450\nfirmware = 0x0201"));
  GaugeControl& c = bench.Control();
  EXPECT_EQ(ReadMacWord(c, 0x0001), 0x0450);
  ASSERT_EQ(c.PutWord(0x00, 0x0F00, kAddrSmbusGauge), 0);
  uint8_t result = 0;
  EXPECT_EQ(c.RegByteOp(2, kAddrRegLoader, 0x66, result), kSimAddressNack) << "bus mode 0";
  ASSERT_EQ(c.SetBusMode(1), 0);
  EXPECT_EQ(bench.Control().BusMode(), 1);
  uint8_t probe_cmd = 0x0D;
  ASSERT_EQ(c.RegByteOp(1, kAddrRegLoader, 0x00, probe_cmd), 0);
  const uint8_t checksum[2] = {0x0D, 0x00};
  ASSERT_EQ(c.PutRegBlock(0x64, checksum, 2, kAddrRegLoader), 0);
  std::array<uint8_t, 2> value{};
  int16_t length = 2;
  ASSERT_EQ(c.GetRegBlock(0x04, value, length, kAddrRegLoader), 0);
  EXPECT_GT(value[0] | value[1] << 8, 100);
  int16_t word = 0;
  EXPECT_EQ(c.GetWord(0x0D, word, kAddrSmbusGauge), kSimAddressNack) << "0x17 in bus mode 1";
  EXPECT_EQ(c.SetBusMode(2), kSimBadMode);
}

TEST(SimRom, RegisterGaugeEntersRomAndLoaderStartsAfterItsStartUpTime) {
  SimBench bench(OnePackJig("family = 7\nrom_startup_ms = 20"));
  GaugeControl& c = bench.Control();
  const uint8_t rom_word[2] = {0x00, 0x0F};  // 0x0F00 little-endian
  ASSERT_EQ(c.PutRegBlock(0x00, rom_word, 2, kAddrRegGauge), 0);
  uint8_t result = 0;
  EXPECT_EQ(c.RegByteOp(2, kAddrRegLoader, 0x66, result), kSimAddressNack);
  bench.Clock().WaitMs(20);
  EXPECT_EQ(c.RegByteOp(2, kAddrRegLoader, 0x66, result), 0);
  EXPECT_EQ(c.RegByteOp(2, kAddrRegGauge, 0x00, result), kSimAddressNack) << "firmware stopped";
  uint8_t exit_cmd = 0x0F;
  ASSERT_EQ(c.RegByteOp(1, kAddrRegLoader, 0x00, exit_cmd), 0);
  const uint8_t checksum[2] = {0x0F, 0x00};
  ASSERT_EQ(c.PutRegBlock(0x64, checksum, 2, kAddrRegLoader), 0);
  EXPECT_EQ(bench.Pack().Mode(), GaugeMode::kFirmware);
  EXPECT_EQ(ReadRegMac(c, 0x0001)[1], 0x08) << "default type 0x0800";
}

TEST(SimIdentity, DefaultJigTargetsAnswerTheirIdentity) {
  std::string error;
  VirtualClock clock;
  simtest::LockDir locks;
  auto control = MakeSimControl(simtest::MustParse(DefaultJigText()), locks.Path(), clock, error);
  ASSERT_TRUE(control);
  const uint16_t expected[4][2] = {{0x0800, 0x0102}, {0x0450, 0x0201}, {0x0100, 0x0109},
                                   {0x0700, 0x0105}};
  for (size_t i = 0; i < 4; ++i) {
    ASSERT_EQ(control->OpenAdapter(control->Jig().adapters[i].identifier), 0);
    if (control->Pack()->Description().family == 7) {
      auto type = ReadRegMac(*control, 0x0001);
      EXPECT_EQ(type[0] | type[1] << 8, expected[i][0]);
      continue;
    }
    EXPECT_EQ(static_cast<uint16_t>(ReadMacWord(*control, 0x0001)), expected[i][0]);
    EXPECT_EQ(static_cast<uint16_t>(ReadMacWord(*control, 0x0002)), expected[i][1]);
  }
}

}  // namespace
}  // namespace tester
