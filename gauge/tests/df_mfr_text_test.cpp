// Manufacturer-data texts: the two SMBus writers with their passes, waits and spill
// block, and the 64-byte variant of command set 2 with its bounded copy.
#include "gauge/mfr_data_text.h"
#include "testing/replay_fixtures.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

using namespace trace;

constexpr uint8_t kMac = 0x00;

Bytes Block(int count, int seed) {
  Bytes bytes(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(seed + 5 * i);
  return bytes;
}

Bytes With(Bytes bytes, std::size_t at, const std::string& text) {
  std::copy(text.begin(), text.end(), bytes.begin() + at);
  return bytes;
}

class MfrTextTest : public ReplayLinkTest {
protected:
  MfrTextTest() { settings.COMMANDSET = 0; }
  static std::string Select(unsigned k) { return WriteWord(kMac, 0x0100 + k); }
  // Read, then two passes of write and read-back.
  static std::string TwoPasses(unsigned k, const Bytes& old, const Bytes& updated,
                               const Bytes& read_back) {
    const std::string pass = Select(k) + WriteBlock(0x2F, updated) + Select(k) +
                             ReadBlock(0x2F, read_back);
    return Select(k) + ReadBlock(0x2F, old) + pass + pass;
  }
};

TEST_F(MfrTextTest, TextInsideOneBlockIsWrittenTwiceAndCompared) {
  settings.MfDataClsID = 40;  // block 1, position 8
  const Bytes old = Block(32, 1);
  const Bytes updated = With(old, 8, "12345");
  Replay(TwoPasses(1, old, updated, updated));
  EXPECT_EQ(WriteMfDataText(link, "12345", kMac), 0);
  ExpectTraceDone();
  // Selects 1 ms each; 60 × 3 before the first read; per pass 60 + 2 × 60 + 2 × 60;
  // 120 ms after each of the three block reads.
  EXPECT_EQ(ElapsedMs(), 5 + 180 + 2 * 300 + 3 * 120);
}

TEST_F(MfrTextTest, StringWriterWaitsLonger) {
  settings.COMMANDSET = 4;
  settings.MfDataClsID = 40;
  const Bytes old = Block(32, 1);
  const Bytes updated = With(old, 8, "LOT-A");
  Replay(TwoPasses(1, old, updated, updated));
  EXPECT_EQ(WriteMfDataString(link, "LOT-A", kMac), 0);
  ExpectTraceDone();
  EXPECT_EQ(ElapsedMs(), 5 + 180 + 2 * (180 + 2 * 300 + 2 * 300) + 3 * 120);
}

TEST_F(MfrTextTest, TextReachingTheBlockEndContinuesInTheNextBlock) {
  settings.MfDataClsID = 60;  // block 1, position 28: four characters fit
  const Bytes old = Block(32, 1);
  const Bytes updated = With(old, 28, "ABCD");
  const Bytes next = Block(32, 100);
  const Bytes next_updated = With(next, 0, "EF");
  Replay(TwoPasses(1, old, updated, updated) + Select(2) + ReadBlock(0x2F, next) + Select(2) +
         WriteBlock(0x2F, next_updated) + Select(2) + ReadBlock(0x2F, next_updated));
  EXPECT_EQ(WriteMfDataText(link, "ABCDEF", kMac), 0);
  ExpectTraceDone();
}

TEST_F(MfrTextTest, ReadBackDifferenceGives65558) {
  settings.MfDataClsID = 40;
  const Bytes old = Block(32, 1);
  Replay(TwoPasses(1, old, With(old, 8, "12345"), old));
  EXPECT_EQ(WriteMfDataText(link, "12345", kMac), kStatusMfrDataWriteFailed);
  ExpectTraceDone();
}

TEST_F(MfrTextTest, OtherCommandSetsWriteNothing) {
  Replay("");
  settings.COMMANDSET = 1;
  EXPECT_EQ(WriteMfDataText(link, "1", kMac), 0);
  settings.COMMANDSET = 0;
  EXPECT_EQ(WriteMfDataString(link, "1", kMac), 0);
  settings.COMMANDSET = 7;
  EXPECT_EQ(WriteMfDataString(link, "1", kMac), 0);
  ExpectTraceDone();
}

TEST_F(MfrTextTest, TextNeedingAThirdBlockIsRefused) {
  Replay("");
  settings.MfDataClsID = 31;  // one byte left in block 0, 34 characters need 33 more
  EXPECT_EQ(WriteMfDataText(link, std::string(34, 'x'), kMac), kStatusDfPositionOutOfBlock);
  ExpectTraceDone();
}

// Command set 2 copies text bytes 0..n (n = the first byte's value). Digits make n far
// larger than the text: the copy stops at the text's end; a text that does not fit the
// rest of the page is refused, not cut short.
TEST_F(MfrTextTest, CommandSet2CopyIsBoundedByTheText) {
  settings.COMMANDSET = 2;
  settings.MfDataClsID = 100;  // page 1 (command 0x59), position 36
  const Bytes page = Block(64, 7);
  const Bytes updated = With(page, 36, "12345");
  Replay(ReadBlock(0x59, page) + WriteBlock(0x59, updated) + ReadBlock(0x59, updated));
  EXPECT_EQ(WriteMfDataText(link, "12345", kMac), 0);
  ExpectTraceDone();

  settings.MfDataClsID = 62;  // page 0, position 62: two bytes of room
  const Bytes page0 = Block(64, 9);
  const Bytes end = With(page0, 62, "12");
  Replay(ReadBlock(0x58, page0) + WriteBlock(0x58, end) + ReadBlock(0x58, end));
  EXPECT_EQ(WriteMfDataText(link, "12", kMac), 0);
  ExpectTraceDone();

  // A leading count byte of 2 takes bytes 0..2 only.
  settings.MfDataClsID = 100;
  const std::string counted = std::string("\x02") + "ABCDEF";
  const Bytes three = With(page, 36, counted.substr(0, 3));
  Replay(ReadBlock(0x59, page) + WriteBlock(0x59, three) + ReadBlock(0x59, three));
  EXPECT_EQ(WriteMfDataText(link, counted, kMac), 0);
  ExpectTraceDone();
}

TEST_F(MfrTextTest, CommandSet2TextPastThePageIsRefusedNotCut) {
  settings.COMMANDSET = 2;
  settings.MfDataClsID = 62;  // page 0, position 62: two bytes of room for five
  Replay("");
  EXPECT_EQ(WriteMfDataText(link, "12345", kMac), kStatusDfPositionOutOfBlock);
  ExpectTraceDone();

  // The gauge returned only 40 bytes of page 1: position 36 leaves room for four.
  settings.MfDataClsID = 100;
  Replay(ReadBlock(0x59, Block(40, 7)));
  EXPECT_EQ(WriteMfDataText(link, "12345", kMac), kStatusDfPositionOutOfBlock);
  ExpectTraceDone();
}

}  // namespace
}  // namespace tester
