// The i2c-dev backend's transfers on the fake kernel: what each operation puts on the
// wire, a 96-byte register block, the statuses of a missing acknowledge, a timeout and a
// lost arbitration, what a bridge cannot do refused with words and nothing sent, and the
// identifier registry across controls.
#include <gtest/gtest.h>
#include <linux/i2c.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/i2c_dev_control.h"
#include "platform/virtual_clock.h"
#include "testing/i2c_jig_station.h"

namespace tester {
namespace {

using test::I2cJigStation;

constexpr std::size_t kSmbusStation = 0;     // default jig: the 800 target (SMBus)
constexpr std::size_t kRegisterStation = 2;  // the 100 target (register-style gauge)

bool Mentions(const std::vector<std::string>& told, const std::string& text) {
  for (const std::string& line : told) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

class I2cDevControlTest : public ::testing::Test {
protected:
  explicit I2cDevControlTest(std::size_t adapter = kSmbusStation) : station(clock, DefaultJig(), adapter) {
    EXPECT_TRUE(station.Ok()) << station.Error();
    station.Kernel().ClearWire();
  }
  GaugeControl& control() { return station.Control(); }
  const std::vector<std::string>& wire() { return station.Kernel().Wire(); }

  VirtualClock clock;
  I2cJigStation station;
};

TEST_F(I2cDevControlTest, EachTransferKindPutsItsBytesOnTheWire) {
  // Manufacturer access: device type asked, then read back as a word (0x0800, low first).
  EXPECT_EQ(control().PutWord(0x00, 0x0001, 0x17), 0);
  int16_t word = 0;
  EXPECT_EQ(control().GetWord(0x00, word, 0x17), 0);
  EXPECT_EQ(word, 0x0800);
  const uint8_t block[3] = {0x00, 0x00, 0x05};
  control().PutBlock(0x00, block, 3, 0x17);  // the gauge's answer does not matter here
  std::vector<uint8_t> buffer(33, 0);
  int16_t length = 0;
  EXPECT_EQ(control().GetBlock(0x23, buffer, length, 0x17), 0);
  control().PutCommand(0x08, 0x17);
  uint8_t value = 0x20;
  EXPECT_EQ(control().RegByteOp(1, 0xC0, 0x44, value), 0);
  value = 0;
  EXPECT_EQ(control().RegByteOp(2, 0xC0, 0x44, value), 0);
  EXPECT_EQ(value, 0x20);
  uint8_t unused = 0;
  EXPECT_EQ(control().RegByteOp(0, 1, 1, unused), 0);

  ASSERT_EQ(wire().size(), 8u);
  EXPECT_EQ(wire()[0], "w0B:000100");
  EXPECT_EQ(wire()[1], "w0B:00 r0B:0008");
  EXPECT_EQ(wire()[2].substr(0, 14), "w0B:0003000005");
  char count[3];
  std::snprintf(count, sizeof count, "%02X", static_cast<unsigned>(length));
  EXPECT_EQ(wire()[3].substr(0, 13), std::string("w0B:23 r0B:") + count);
  EXPECT_EQ(wire()[3].size(), 13u + 2u * static_cast<std::size_t>(length)) << "count + data only";
  EXPECT_EQ(wire()[4].substr(0, 6), "w0B:08");
  EXPECT_EQ(wire()[5], "w60:4420");
  EXPECT_EQ(wire()[6], "w60:44 r60:20");
  EXPECT_EQ(wire()[7], "w60:") << "the board's presence: a quick write";
}

TEST_F(I2cDevControlTest, NackTimeoutAndLostArbitrationEachHaveTheirStatus) {
  int16_t word = 0;
  EXPECT_EQ(control().GetWord(0x00, word, 0x30), kI2cNack);
  EXPECT_EQ(control().BusStatus(), kI2cNack);
  station.Kernel().FailNext(-ETIMEDOUT);
  EXPECT_EQ(control().PutWord(0x00, 1, 0x17), kI2cTimeout);
  EXPECT_EQ(control().BusStatus(), kI2cTimeout);
  station.Kernel().FailNext(-EAGAIN);
  EXPECT_EQ(control().PutWord(0x00, 1, 0x17), kI2cArbitrationLost);
  EXPECT_TRUE(Mentions(station.Told(), "arbitration lost")) << "told, with the adapter";
  EXPECT_TRUE(Mentions(station.Told(), DefaultJig().adapters[0].identifier));
  EXPECT_EQ(control().PutWord(0x00, 1, 0x17), 0);
  EXPECT_EQ(control().BusStatus(), 0);
  station.Kernel().HoldAddress(0x48);  // a kernel driver bound to the probe's address
  EXPECT_EQ(control().GetWord(0x00, word, 0x90), kI2cAddressHeld);
  EXPECT_TRUE(Mentions(station.Told(), "address held by a kernel driver"));
}

TEST_F(I2cDevControlTest, WhatTheBridgeCannotDoIsRefusedByNameAndNothingIsSent) {
  station.Kernel().Limits().max_write = 60;
  std::vector<uint8_t> row(96, 0x5A);
  EXPECT_EQ(control().PutRegBlock(0x04, row, 96, 0x16), kI2cBridgeCannot);
  EXPECT_TRUE(wire().empty());
  ASSERT_FALSE(station.Told().empty());
  EXPECT_NE(station.Told().back().find("adapter " + DefaultJig().adapters[0].identifier),
            std::string::npos);
  EXPECT_NE(station.Told().back().find("largest write is shorter than 97 bytes"),
            std::string::npos) << station.Told().back();

  station.Kernel().Limits().combined = false;
  int16_t length = 2;
  std::vector<uint8_t> bytes(2);
  EXPECT_EQ(control().GetRegBlock(0x04, bytes, length, 0xAA), kI2cBridgeCannot);
  EXPECT_NE(station.Told().back().find("cannot read 2 bytes after a write"), std::string::npos)
      << station.Told().back();
  EXPECT_TRUE(wire().empty());
}

TEST_F(I2cDevControlTest, ABridgeWithoutPlainMessagesIsTooOldAndRefusesBlocksBeforeSending) {
  EXPECT_EQ(control().AdapterFirmware(), kOldestAdapterFirmware);
  station.Kernel().Limits().functions = I2C_FUNC_SMBUS_EMUL;
  control().CloseLink();
  ASSERT_EQ(control().OpenAdapter(DefaultJig().adapters[0].identifier), 0);
  EXPECT_LT(control().AdapterFirmware() - kOldestAdapterFirmware, 0);
  std::vector<uint8_t> buffer(33);
  int16_t length = 0;
  EXPECT_EQ(control().GetBlock(0x23, buffer, length, 0x17), kI2cBridgeCannot);
  EXPECT_NE(station.Told().back().find("cannot combine a write and a read"), std::string::npos);
  EXPECT_TRUE(wire().empty());
}

TEST_F(I2cDevControlTest, ALongBlockIsReadAgainWhereTheDriverLimitsTheCount) {
  std::vector<uint8_t> direct(33);
  int16_t direct_length = 0;
  ASSERT_EQ(control().GetBlock(0x23, direct, direct_length, 0x17), 0);
  ASSERT_GT(direct_length, 1);
  station.Kernel().Limits().recv_len_max = 1;
  station.Kernel().ClearWire();
  std::vector<uint8_t> again(33);
  int16_t again_length = 0;
  ASSERT_EQ(control().GetBlock(0x23, again, again_length, 0x17), 0);
  EXPECT_EQ(again_length, direct_length);
  EXPECT_EQ(std::vector<uint8_t>(again.begin(), again.begin() + again_length),
            std::vector<uint8_t>(direct.begin(), direct.begin() + direct_length));
  ASSERT_EQ(wire().size(), 2u);
  EXPECT_EQ(wire()[0], "w0B:23 r0B: !" + std::to_string(EPROTO));
}

TEST_F(I2cDevControlTest, ABlockLongerThanTheCallersBufferFailsInsteadOfBeingCut) {
  std::vector<uint8_t> small(1, 0xEE);
  int16_t length = -1;
  EXPECT_EQ(control().GetBlock(0x23, small, length, 0x17), kI2cProtocol);
  EXPECT_EQ(length, -1);
  EXPECT_EQ(small[0], 0xEE) << "nothing delivered";
}

TEST_F(I2cDevControlTest, IdentifiersLiveInTheRegistryKeyedByTheSerial) {
  std::string id;
  ASSERT_EQ(control().ReadAdapterId(id), 0);
  EXPECT_EQ(id, kFactoryAdapterId) << "never named: fresh from the factory";
  EXPECT_NE(control().WriteAdapterId("not an identifier"), 0);
  ASSERT_EQ(control().WriteAdapterId("0123456789abcdef0123456789ABCDEF"), 0);
  ASSERT_EQ(control().ReadAdapterId(id), 0);
  EXPECT_EQ(id, "0123456789ABCDEF0123456789ABCDEF");
  const std::string registry = station.Scratch().Read("AdapterIds.ini");
  EXPECT_NE(registry.find(DefaultJig().adapters[0].identifier + "=0123456789ABCDEF"),
            std::string::npos) << registry;

  station.Scratch().Write("AdapterIds.ini", "[AdapterIds]\n" +
                                                DefaultJig().adapters[0].identifier + "=12AB\n");
  EXPECT_NE(control().ReadAdapterId(id), 0) << "a damaged line is no identifier";
  EXPECT_EQ(id, "0123456789ABCDEF0123456789ABCDEF") << "and leaves the out-argument alone";
}

class I2cRegisterBlockTest : public I2cDevControlTest {
protected:
  I2cRegisterBlockTest() : I2cDevControlTest(kRegisterStation) {}
};

TEST_F(I2cRegisterBlockTest, NinetySixBytesGoInOneWriteAndComeBackInOneRead) {
  std::vector<uint8_t> row(96);
  for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(i * 7 + 1);
  ASSERT_EQ(control().PutRegBlock(0x9A, row, 96, 0xAA), 0);
  std::vector<uint8_t> back(97, 0);
  int16_t length = 96;
  ASSERT_EQ(control().GetRegBlock(0x9A, back, length, 0xAA), 0);
  EXPECT_EQ(length, 96);
  EXPECT_EQ(std::vector<uint8_t>(back.begin(), back.begin() + 96), row);
  ASSERT_EQ(wire().size(), 2u);
  EXPECT_EQ(wire()[0].size(), 4u + 2u * 97u) << "w55: register and 96 bytes, one message";
  EXPECT_EQ(wire()[0].substr(0, 8), "w55:9A01");
  EXPECT_EQ(wire()[1].substr(0, 11), "w55:9A r55:");
  EXPECT_EQ(wire()[1].size(), 11u + 2u * 96u);
}

}  // namespace
}  // namespace tester
