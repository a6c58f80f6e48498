// Which writer a run uses for manufacturer data, date and serial number, per process and
// command set, told apart by the bus conversation each one holds; statuses come back
// unchanged for the test sequence to map.
#include "engine/mfr_writers.h"

#include "testing/replay_fixtures.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

using namespace trace;

constexpr unsigned kRegGauge = 0xAA;

Bytes Block(int seed) {
  Bytes bytes(32);
  for (int i = 0; i < 32; ++i) bytes[i] = static_cast<uint8_t>(seed + 13 * i);
  return bytes;
}

Bytes With(Bytes bytes, std::size_t at, const Bytes& values) {
  std::copy(values.begin(), values.end(), bytes.begin() + at);
  return bytes;
}

Bytes WithText(Bytes bytes, std::size_t at, const std::string& text) {
  std::copy(text.begin(), text.end(), bytes.begin() + at);
  return bytes;
}

class MfrWritersTest : public ReplayLinkTest {
protected:
  MfrWritersTest() {
    settings.QZMAC = 0x00;
    settings.PkLotValid = 1;
    settings.MfDataClsID = 56;
    settings.PkLotOffset = 0;
    settings.DateClsID = 48;
    settings.DateOffset = 10;
    settings.SerialClsID = 168;
    settings.SerialOffset = 14;
    settings.GGModeDFDelay = 72;
    config.MfrDataValue = 74565;  // 0x12345: the word keeps 0x2345
    config.MfrDataText = "LOT-A";
  }

  // SMBus class access: class to 0x77, block k under 0x78 + k.
  static std::string ClassRead(unsigned cls, const Bytes& data) {
    return WriteWord(0x77, cls) + ReadBlock(0x78, data);
  }
  static std::string ClassWrite(unsigned cls, const Bytes& data) {
    return WriteWord(0x77, cls) + WriteBlock(0x78, data);
  }
  // SMBus absolute access: block k selected through the manufacturer-access command.
  static std::string Abs(unsigned k) { return WriteWord(0x00, 0x0100 + k); }
  static std::string AbsRead(unsigned k, const Bytes& data) {
    return Abs(k) + ReadBlock(0x2F, data);
  }
  static std::string AbsWrite(unsigned k, const Bytes& data) {
    return Abs(k) + WriteBlock(0x2F, data);
  }
  // Register-style class access at 0xAA.
  static std::string Select(unsigned cls) {
    return RegWriteBlock(kRegGauge, 0x3E, {static_cast<uint8_t>(cls), 0}) + BusStatus();
  }
  static std::string RegRead(unsigned cls, const Bytes& data) {
    return Select(cls) + RegReadBlock(kRegGauge, 0x40, 32, data);
  }
  static std::string RegWrite(unsigned cls, const Bytes& data) {
    unsigned sum = 0;
    for (uint8_t b : data) sum += b;
    return Select(cls) + RegWriteBlock(kRegGauge, 0x40, data) +
           RegWriteByte(kRegGauge, 0x60, 0xFF - (sum & 0xFF)) + Pause(72) +
           RegReadByte(kRegGauge, 0x00, 0) + RegRead(cls, data);  // committed, then read back
  }
  // The manufacturer-data text written twice into absolute block k and read back.
  static std::string TextPasses(unsigned k, const Bytes& old, const Bytes& updated) {
    const std::string pass = AbsWrite(k, updated) + AbsRead(k, updated);
    return AbsRead(k, old) + pass + pass;
  }

  TesterConfigProperties config;
};

TEST(MfrDataForms, WordKeepsLowBitsTextIsDecimal) {
  EXPECT_EQ(static_cast<uint16_t>(MfrDataWord(74565)), 0x2345);
  EXPECT_EQ(static_cast<uint16_t>(MfrDataWord(-2)), 0xFFFE);
  EXPECT_EQ(MfrDataDecimal(74565), "74565");
  EXPECT_EQ(MfrDataDecimal(-5), "-5");
}

TEST_F(MfrWritersTest, MainProcessWritesThroughSmbusClassesAndTheSerialCommand) {
  settings.COMMANDSET = 7;  // the main process does not look at the command set
  const Bytes lot = Block(1);
  const Bytes lot_new = With(lot, 0, {0x23, 0x45});
  Replay(ClassRead(56, lot) + ClassWrite(56, lot_new) + ClassRead(56, lot_new) +
         ClassRead(56, lot_new));
  EXPECT_EQ(WriteRunMfrData(RunProcess::Main, link, config), 0);
  ExpectTraceDone();

  const Bytes date = Block(2);
  const Bytes date_new = With(date, 10, {0x5D, 0x86});
  Replay(ClassRead(48, date) + ClassWrite(48, date_new) + ClassRead(48, date_new));
  EXPECT_EQ(WriteRunDate(RunProcess::Main, link, 23942), 0);
  ExpectTraceDone();

  Replay(WriteWord(0x1C, 0x9C40) + ReadWord(0x1C, 0x9C40));
  EXPECT_EQ(WriteRunSerial(RunProcess::Main, link, 40000), 0);
  ExpectTraceDone();
}

TEST_F(MfrWritersTest, NewMainOnRegisterGaugesWritesThroughRegisters) {
  for (int commandset : {6, 7}) {
    settings.COMMANDSET = commandset;
    config.MfrDataValue = 70000;  // decimal text "70000": low word 0x1170
    const Bytes lot = Block(3);
    Replay(RegRead(56, lot) + RegWrite(56, With(lot, 0, {0x11, 0x70})));
    EXPECT_EQ(WriteRunMfrData(RunProcess::NewMain, link, config), 0);
    ExpectTraceDone();

    const Bytes date = Block(4);
    Replay(RegRead(48, date) + RegWrite(48, With(date, 10, {0x5D, 0x86})));
    EXPECT_EQ(WriteRunDate(RunProcess::NewMain, link, 23942), 0);
    ExpectTraceDone();

    // Above 65535 the serial number keeps 15 bits and sets bit 15, as on SMBus gauges.
    const Bytes serial = Block(5);
    Replay(RegRead(168, serial) + RegWrite(168, With(serial, 14, {0x91, 0x70})));
    EXPECT_EQ(WriteRunSerial(RunProcess::NewMain, link, 70000), 0);
    ExpectTraceDone();
  }
}

TEST_F(MfrWritersTest, NewMainOnSmbusGaugesWritesAbsoluteAddresses) {
  settings.COMMANDSET = 1;
  // Address 56: block 1, position 24; the settings' text goes there.
  const Bytes text_block = Block(6);
  Replay(TextPasses(1, text_block, WithText(text_block, 24, "LOT-A")));
  EXPECT_EQ(WriteRunMfrData(RunProcess::NewMain, link, config), 0);
  ExpectTraceDone();

  // Address 48 + offset 10: block 1, position 26.
  const Bytes date = Block(7);
  const Bytes date_new = With(date, 26, {0x5D, 0x86});
  Replay(AbsRead(1, date) + AbsWrite(1, date_new) + AbsRead(1, date_new));
  EXPECT_EQ(WriteRunDate(RunProcess::NewMain, link, 23942), 0);
  ExpectTraceDone();

  // Address 168 + offset 14: block 5, position 22.
  const Bytes serial = Block(8);
  const Bytes serial_new = With(serial, 22, {0x9C, 0x40});
  Replay(AbsRead(5, serial) + AbsWrite(5, serial_new) + AbsRead(5, serial_new));
  EXPECT_EQ(WriteRunSerial(RunProcess::NewMain, link, 40000), 0);
  ExpectTraceDone();
}

TEST_F(MfrWritersTest, NewMainTextIsTheDecimalValueForCommandSet0) {
  settings.COMMANDSET = 0;
  const Bytes text_block = Block(9);
  Replay(TextPasses(1, text_block, WithText(text_block, 24, "74565")));
  EXPECT_EQ(WriteRunMfrData(RunProcess::NewMain, link, config), 0);
  ExpectTraceDone();
}

// Command sets the text writers do not serve get nothing written, and pass.
TEST_F(MfrWritersTest, NewMainTextForAnUnservedCommandSetSendsNothing) {
  settings.COMMANDSET = 8;
  Replay("");
  EXPECT_EQ(WriteRunMfrData(RunProcess::NewMain, link, config), 0);
  ExpectTraceDone();
}

TEST_F(MfrWritersTest, WriterStatusesComeBackUnchanged) {
  settings.COMMANDSET = 1;
  Replay(WriteWord(0x77, 56, 0x17, 4));
  EXPECT_EQ(WriteRunMfrData(RunProcess::Main, link, config), 4);
  ExpectTraceDone();

  Replay(WriteWord(0x77, 48, 0x17, 6));
  EXPECT_EQ(WriteRunDate(RunProcess::Main, link, 1), 6);
  ExpectTraceDone();

  settings.COMMANDSET = 7;
  Replay(RegWriteBlock(kRegGauge, 0x3E, {168, 0}, 9));
  EXPECT_EQ(WriteRunSerial(RunProcess::NewMain, link, 1), 9);
  ExpectTraceDone();

  // The serial writers of SMBus gauges report their own failure code.
  settings.COMMANDSET = 1;
  Replay(Abs(5) + ReadBlock(0x2F, {}, 9));
  EXPECT_EQ(WriteRunSerial(RunProcess::NewMain, link, 1), kStatusSerialWriteFailed);
  ExpectTraceDone();
  Replay("PutWord cmd=0x1C word=0x0001 addr=0x17 -> 5\n");
  EXPECT_EQ(WriteRunSerial(RunProcess::Main, link, 1), kStatusSerialWriteFailed);
  ExpectTraceDone();
}

}  // namespace
}  // namespace tester
