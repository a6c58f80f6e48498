// Gauge-mode data-flash access of SMBus gauges: class blocks, absolute blocks with the
// spill into the next block, read-back loops, and the refusals that keep writes inside
// the value's block.
#include "gauge/df_access.h"
#include "testing/replay_fixtures.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

using namespace trace;

Bytes Block(int count, int seed) {
  Bytes bytes(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(seed + 3 * i);
  return bytes;
}

Bytes With(Bytes bytes, std::size_t at, const Bytes& values) {
  std::copy(values.begin(), values.end(), bytes.begin() + at);
  return bytes;
}

class DFAccessTest : public ReplayLinkTest {
protected:
  DFAccessTest() {
    settings.QZMAC = 0x00;
    settings.COMMANDSET = 1;
    settings.PkLotValid = 1;
    settings.MfDataClsID = 56;
    settings.DateClsID = 48;
    settings.DateOffset = 10;
  }
  // Class select and block read / write at 0x17.
  static std::string ClassRead(unsigned cls, unsigned block_cmd, const Bytes& data) {
    return WriteWord(0x77, cls) + ReadBlock(block_cmd, data);
  }
  static std::string ClassWrite(unsigned cls, unsigned block_cmd, const Bytes& data) {
    return WriteWord(0x77, cls) + WriteBlock(block_cmd, data);
  }
  // Absolute 32-byte block k through the manufacturer-access select.
  static std::string AbsRead(unsigned k, const Bytes& data) {
    return WriteWord(0x00, 0x0100 + k) + ReadBlock(0x2F, data);
  }
  static std::string AbsWrite(unsigned k, const Bytes& data) {
    return WriteWord(0x00, 0x0100 + k) + WriteBlock(0x2F, data);
  }
};

TEST_F(DFAccessTest, ReadDFValueAtOffset40TakesBytes8And9OfBlock1HighFirst) {
  Replay(ClassRead(104, 0x79, With(Block(32, 0), 8, {0x92, 0x34})));
  DFValue value{DFValueType::Int16, 0};
  EXPECT_EQ(ReadDFValue(link, 104, 40, value), 0);
  EXPECT_EQ(value.value, static_cast<int16_t>(0x9234));
  ExpectTraceDone();

  Replay(ClassRead(104, 0x79, With(Block(32, 0), 8, {0x92, 0x34})));
  value = {DFValueType::Byte, 0};
  EXPECT_EQ(ReadDFValue(link, 104, 40, value), 0);
  EXPECT_EQ(value.value, 0x92);
  ExpectTraceDone();
}

TEST_F(DFAccessTest, ReadDFValueOfAnotherTypeFailsAfterTheRead) {
  Replay(ClassRead(104, 0x78, Block(32, 0)));
  DFValue value{DFValueType::Other, 7};
  EXPECT_EQ(ReadDFValue(link, 104, 4, value), kStatusBadValueType);
  EXPECT_EQ(value.value, 7);
  ExpectTraceDone();
}

TEST_F(DFAccessTest, WordClassWriteIsConfirmedByReadBack) {
  const Bytes old = Block(32, 1);
  const Bytes updated = With(old, 10, {0x12, 0x34});
  Replay(ClassRead(48, 0x78, old) + ClassWrite(48, 0x78, updated) + ClassRead(48, 0x78, old) +
         ClassRead(48, 0x78, updated));
  int32_t attempts = 0;
  EXPECT_EQ(WriteDFWordClass(link, 48, 10, 0x1234, attempts), 0);
  EXPECT_EQ(attempts, 2);
  ExpectTraceDone();
}

TEST_F(DFAccessTest, WordClassWriteNeverReadingBackGivesUpAfterTwoSeconds) {
  const Bytes old = Block(32, 1);
  const Bytes updated = With(old, 10, {0x12, 0x34});
  // Each read-back costs the 1 ms status check and the 120 ms after the block read:
  // the 17th ends past 2 s.
  Replay(ClassRead(48, 0x78, old) + ClassWrite(48, 0x78, updated) +
         Times(ClassRead(48, 0x78, old), 17));
  int32_t attempts = 0;
  EXPECT_EQ(WriteDFWordClass(link, 48, 10, 0x1234, attempts), kStatusDfWriteUnconfirmed);
  EXPECT_EQ(attempts, 17);
  ExpectTraceDone();
}

TEST_F(DFAccessTest, FailedReadBackEndsTheLoopWithItsStatus) {
  const Bytes old = Block(32, 1);
  Replay(ClassRead(48, 0x78, old) + ClassWrite(48, 0x78, With(old, 10, {0x12, 0x34})) +
         WriteWord(0x77, 48) + ReadBlock(0x78, {}, 6));
  int32_t attempts = 0;
  EXPECT_EQ(WriteDFWordClass(link, 48, 10, 0x1234, attempts), 6);
  ExpectTraceDone();
}

TEST_F(DFAccessTest, ManufactureDateClassOrAbsolute) {
  const Bytes old = Block(32, 5);
  const Bytes updated = With(old, 10, {0x5C, 0x25});
  Replay(ClassRead(48, 0x78, old) + ClassWrite(48, 0x78, updated) +
         ClassRead(48, 0x78, updated));
  EXPECT_EQ(WriteManufactureDate(link, 0x5C25, 0), 0);
  ExpectTraceDone();

  // Absolute: address 48 lies in block 1 at position 16, plus offset 10 = position 26.
  const Bytes abs_updated = With(old, 26, {0x5C, 0x25});
  Replay(AbsRead(1, old) + AbsWrite(1, abs_updated) + AbsRead(1, abs_updated));
  EXPECT_EQ(WriteManufactureDate(link, 0x5C25, 1), 0);
  ExpectTraceDone();
}

TEST_F(DFAccessTest, AbsoluteWordAtPosition31SpillsItsLowByteIntoTheNextBlock) {
  const Bytes first = Block(32, 0x10);
  const Bytes second = Block(32, 0x80);
  const Bytes first_new = With(first, 31, {0xAB});
  const Bytes second_new = With(second, 0, {0xCD});
  Replay(AbsRead(1, first) + AbsWrite(1, first_new) + AbsRead(1, first_new) +
         AbsRead(2, second) + AbsWrite(2, second_new) + AbsRead(2, second_new));
  EXPECT_EQ(WriteDFWordAbsolute(link, 32, 31, static_cast<int16_t>(0xABCD)), 0);
  ExpectTraceDone();
  // Per block: 3 checked selects, 2 block reads, the 70, 350 and 80 ms waits.
  EXPECT_EQ(ElapsedMs(), 2 * (3 * 1 + 2 * 120 + 70 + 350 + 80));
}

TEST_F(DFAccessTest, AbsoluteReadBackDifferenceFailsBeforeTheSpillBlock) {
  const Bytes first = Block(32, 0x10);
  Replay(AbsRead(1, first) + AbsWrite(1, With(first, 31, {0xAB})) + AbsRead(1, first));
  EXPECT_EQ(WriteDFWordAbsolute(link, 32, 31, static_cast<int16_t>(0xABCD)),
            kStatusDfWriteUnconfirmed);
  ExpectTraceDone();
}

TEST_F(DFAccessTest, CommandSet2UsesThe64BytePages) {
  settings.COMMANDSET = 2;
  const Bytes page = Block(64, 0x20);
  const Bytes updated = With(page, 63, {0x01});
  const Bytes next = Block(64, 0x60);
  const Bytes next_updated = With(next, 0, {0x02});
  // Address 100 is page 1 at position 36; offset 27 puts the word at 63: it spills.
  Replay(ReadBlock(0x59, page) + WriteBlock(0x59, updated) + ReadBlock(0x59, updated) +
         ReadBlock(0x5A, next) + WriteBlock(0x5A, next_updated) + ReadBlock(0x5A, next_updated));
  EXPECT_EQ(WriteDFWordAbsolute(link, 100, 27, 0x0102), 0);
  ExpectTraceDone();
}

TEST_F(DFAccessTest, MfDataWithPkLotValid0OrNoValueSendsNothing) {
  Replay("");
  settings.PkLotValid = 0;
  EXPECT_EQ(WriteMfData(link, {int16_t{5}}), 0);
  settings.PkLotValid = 1;
  EXPECT_EQ(WriteMfData(link, {}), 0);
  ExpectTraceDone();
}

TEST_F(DFAccessTest, MfDataPutsEachGivenWordAtItsPlaceAndVerifies) {
  settings.PkLotOffset = 4;
  const Bytes old = Block(32, 9);
  const Bytes updated = With(With(old, 4, {0x00, 0x2A}), 8, {0xFF, 0xFE});
  Replay(ClassRead(56, 0x78, old) + ClassWrite(56, 0x78, updated) +
         ClassRead(56, 0x78, updated) + ClassRead(56, 0x78, updated));
  EXPECT_EQ(WriteMfData(link, {int16_t{42}, std::nullopt, int16_t{-2}}), 0);
  ExpectTraceDone();
}

TEST_F(DFAccessTest, ValuesOutsideTheirBlockAreRefusedBeforeAnyTransfer) {
  Replay("");
  int32_t attempts = 0;
  EXPECT_EQ(WriteDFWordClass(link, 48, 31, 1, attempts), kStatusDfPositionOutOfBlock);
  EXPECT_EQ(WriteDFWordClass(link, 48, 63, 1, attempts), kStatusDfPositionOutOfBlock);
  EXPECT_EQ(WriteDFWordClass(link, 48, -2, 1, attempts), kStatusDfPositionOutOfBlock);
  EXPECT_EQ(WriteDFWordClass(link, 48, 136 * 32, 1, attempts), kStatusDfPositionOutOfBlock);
  DFValue value{DFValueType::Int16, 0};
  EXPECT_EQ(ReadDFValue(link, 48, 31, value), kStatusDfPositionOutOfBlock);
  settings.PkLotOffset = 28;  // words at 28, 30, 32: the third would wrap to position 0
  EXPECT_EQ(WriteMfData(link, {int16_t{1}, int16_t{2}, int16_t{3}}),
            kStatusDfPositionOutOfBlock);
  // Address 30 lies in block 0; offset 10 would put the word at position 40 of it.
  EXPECT_EQ(WriteDFWordAbsolute(link, 30, 10, 1), kStatusDfPositionOutOfBlock);
  EXPECT_EQ(WriteDFWordAbsolute(link, 255 * 32, 31, 1), kStatusDfPositionOutOfBlock);
  ExpectTraceDone();
}

// A class block holds 32 bytes and its read-back buffer 33: a longer block could never be
// confirmed, and comparing it would read past the read-back buffer.
TEST_F(DFAccessTest, VerifiedBlockLongerThanItsReadBackBufferIsRefused) {
  Replay("");
  const Bytes page = Block(64, 1);
  int32_t attempts = 0;
  EXPECT_EQ(WriteDFBlockVerified(link, page, 56, 0, 64, attempts), kStatusDfPositionOutOfBlock);
  EXPECT_EQ(attempts, 0);
  ExpectTraceDone();
}

TEST_F(DFAccessTest, ShortBlockReadIsNotWrittenBack) {
  Replay(ClassRead(48, 0x78, Block(8, 0)));
  int32_t attempts = 0;
  EXPECT_EQ(WriteDFWordClass(link, 48, 10, 1, attempts), kStatusDfPositionOutOfBlock);
  ExpectTraceDone();
}

}  // namespace
}  // namespace tester
