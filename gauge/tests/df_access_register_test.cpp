// Gauge-mode data-flash access of register-style gauges at 0xAA: block select, commit
// checksum, commit probe, and the word writers built on them.
#include "gauge/df_access_register.h"
#include "testing/replay_fixtures.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

using namespace trace;

constexpr unsigned kGauge = 0xAA;

Bytes Block(int seed) {
  Bytes bytes(32);
  for (int i = 0; i < 32; ++i) bytes[i] = static_cast<uint8_t>(seed + 11 * i);
  return bytes;
}

unsigned Commit(const Bytes& bytes) {
  unsigned sum = 0;
  for (uint8_t b : bytes) sum += b;
  return 0xFF - (sum & 0xFF);
}

class DFAccessI2CTest : public ReplayLinkTest {
protected:
  DFAccessI2CTest() {
    settings.COMMANDSET = 7;
    settings.GGModeDFDelay = 72;
    settings.DateClsID = 48;
    settings.DateOffset = 10;
    settings.SerialClsID = 168;
    settings.SerialOffset = 14;
    settings.MfDataClsID = 56;
    settings.PkLotOffset = 36;
  }
  // Class to 0x3E and block index to 0x3F in one two-byte write, then its status check.
  static std::string Select(unsigned cls, unsigned block) {
    return RegWriteBlock(kGauge, 0x3E, {static_cast<uint8_t>(cls), static_cast<uint8_t>(block)}) +
           BusStatus();
  }
  static std::string ReadBlockI2C(unsigned cls, unsigned block, const Bytes& data) {
    return Select(cls, block) + RegReadBlock(kGauge, 0x40, 32, data);
  }
  // Select, block bytes, commit byte, the commit probe answering at once, then the
  // block read back.
  static std::string WriteBlockI2C(unsigned cls, unsigned block, const Bytes& data) {
    return Select(cls, block) + RegWriteBlock(kGauge, 0x40, data) +
           RegWriteByte(kGauge, 0x60, Commit(data)) + Pause(72) + RegReadByte(kGauge, 0x00, 0) +
           ReadBlockI2C(cls, block, data);
  }
};

TEST_F(DFAccessI2CTest, CommitByteOf32BytesSumming0x1234Is0xCB) {
  Bytes data(32, 0x91);  // 31 × 0x91 = 0x118F
  data[31] = 0xA5;       // brings the sum to 0x1234
  EXPECT_EQ(BlockCommitChecksum(data), 0xCB);
  Replay(Select(104, 0) + RegWriteBlock(kGauge, 0x40, data) + RegWriteByte(kGauge, 0x60, 0xCB) +
         Pause(72) + RegReadByte(kGauge, 0x00, 0) + ReadBlockI2C(104, 0, data));
  EXPECT_EQ(WriteDFBlockI2C(link, data, 104, 5, 32), 0);
  ExpectTraceDone();
}

TEST_F(DFAccessI2CTest, CommitProbeRetriesUntilTheGaugeAnswers) {
  const Bytes data = Block(1);
  const std::string silent = Pause(72) + RegReadByte(kGauge, 0x00, 0, 3);
  Replay(Select(104, 1) + RegWriteBlock(kGauge, 0x40, data) +
         RegWriteByte(kGauge, 0x60, Commit(data)) + Times(silent, 2) + Pause(72) +
         RegReadByte(kGauge, 0x00, 0) + ReadBlockI2C(104, 1, data));
  EXPECT_EQ(WriteDFBlockI2C(link, data, 104, 40, 32), 0);
  ExpectTraceDone();
}

TEST_F(DFAccessI2CTest, CommitProbeGivesUpAfterOneSecondWithTheLastStatus) {
  const Bytes data = Block(1);
  // PauseBoth(72) costs 144 ms: the seventh probe ends past 1 s.
  const std::string silent = Pause(72) + RegReadByte(kGauge, 0x00, 0, 3);
  Replay(Select(104, 0) + RegWriteBlock(kGauge, 0x40, data) +
         RegWriteByte(kGauge, 0x60, Commit(data)) + Times(silent, 6) + Pause(72) +
         RegReadByte(kGauge, 0x00, 0, 9));
  EXPECT_EQ(WriteDFBlockI2C(link, data, 104, 0, 32), 9);
  ExpectTraceDone();
}

// A committed block that reads back different is read again, 120 ms apart, for 2 s.
TEST_F(DFAccessI2CTest, ReadBackRetriesThenGivesUpUnconfirmed) {
  const Bytes data = Block(2);
  Bytes stored = data;
  stored[7] ^= 0x01;
  const std::string committed = Select(104, 0) + RegWriteBlock(kGauge, 0x40, data) +
                                RegWriteByte(kGauge, 0x60, Commit(data)) + Pause(72) +
                                RegReadByte(kGauge, 0x00, 0);
  Replay(committed + ReadBlockI2C(104, 0, stored) + ReadBlockI2C(104, 0, data));
  EXPECT_EQ(WriteDFBlockI2C(link, data, 104, 0, 32), 0);
  ExpectTraceDone();

  // The commit probe took 144 ms; the 18th read, 17 x 120 ms after the first, ends it.
  Replay(committed + Times(ReadBlockI2C(104, 0, stored), 18));
  EXPECT_EQ(WriteDFBlockI2C(link, data, 104, 0, 32), kStatusDfWriteUnconfirmed);
  ExpectTraceDone();
}

TEST_F(DFAccessI2CTest, WordWritersReplaceTheirTwoBytesHighFirst) {
  const Bytes date_block = Block(3);
  Bytes date_new = date_block;
  date_new[10] = 0x5C;
  date_new[11] = 0x25;
  Replay(ReadBlockI2C(48, 0, date_block) + WriteBlockI2C(48, 0, date_new));
  EXPECT_EQ(WriteManufactureDateI2C(link, 0x5C25), 0);
  ExpectTraceDone();

  // Serial 65535 is the pattern 0xFFFF; offset 14 of class 168 is block 0, position 14.
  const Bytes serial_block = Block(4);
  Bytes serial_new = serial_block;
  serial_new[14] = 0xFF;
  serial_new[15] = 0xFF;
  Replay(ReadBlockI2C(168, 0, serial_block) + WriteBlockI2C(168, 0, serial_new));
  EXPECT_EQ(WriteSerialI2C(link, 65535), 0);
  ExpectTraceDone();

  // Lot code text "70000" keeps its low 16 bits, 0x1170; offset 36 is block 1, position 4.
  const Bytes lot_block = Block(5);
  Bytes lot_new = lot_block;
  lot_new[4] = 0x11;
  lot_new[5] = 0x70;
  Replay(ReadBlockI2C(56, 1, lot_block) + WriteBlockI2C(56, 1, lot_new));
  EXPECT_EQ(WriteMfDataI2C(link, " 70000 "), 0);
  ExpectTraceDone();
}

TEST_F(DFAccessI2CTest, BadInputIsRefusedBeforeAnyTransfer) {
  Replay("");
  EXPECT_EQ(WriteMfDataI2C(link, "12a"), kStatusBadValueType);
  EXPECT_EQ(WriteMfDataI2C(link, ""), kStatusBadValueType);
  EXPECT_EQ(WriteMfDataI2C(link, "99999999999"), kStatusBadValueType);
  EXPECT_EQ(WriteMfDataI2C(link, "+-5"), kStatusBadValueType);
  EXPECT_EQ(WriteMfDataI2C(link, "+"), kStatusBadValueType);
  settings.SerialOffset = 31;  // the word would straddle two blocks
  EXPECT_EQ(WriteSerialI2C(link, 1), kStatusDfPositionOutOfBlock);
  settings.DateClsID = 556;  // a class id that does not fit register 0x3E
  EXPECT_EQ(WriteManufactureDateI2C(link, 1), kStatusDfPositionOutOfBlock);
  const Bytes data(33, 0);
  EXPECT_EQ(WriteDFBlockI2C(link, data, 104, 0, 33), kStatusDfPositionOutOfBlock);
  ExpectTraceDone();
}

TEST_F(DFAccessI2CTest, FailedSelectEndsTheWrite) {
  Replay(RegWriteBlock(kGauge, 0x3E, {48, 0}, 5));
  EXPECT_EQ(WriteManufactureDateI2C(link, 1), 5);
  ExpectTraceDone();
}

}  // namespace
}  // namespace tester
