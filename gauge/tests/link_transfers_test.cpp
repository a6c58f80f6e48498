// Single transfers of the gauge link against hand-written adapter traces.
#include <array>

#include "common/status_codes.h"
#include "testing/replay_fixtures.h"

namespace tester {
namespace {

using LinkTransferTest = ReplayLinkTest;

TEST_F(LinkTransferTest, CheckedWritesAskBusStatusOnlyAfterASuccessfulTransfer) {
  settings.USB_RESP_TIME = 5;
  Replay(R"(PutWord cmd=0x00 word=0x9669 addr=0x17 -> 0
BusStatus -> 7
PutWord cmd=0x01 word=0x0002 addr=0x17 -> 3
PutCommand cmd=0x08 addr=0x17 -> 0
BusStatus -> 0
PutRegBlock reg=0x40 addr=0xAA len=2 data=0201 -> 0
BusStatus -> 0
PutRegBlock reg=0x41 addr=0xAA len=2 data=3412 -> 0
BusStatus -> 0
)");
  EXPECT_EQ(link.WriteWordBytes(0x00, 0x96, 0x69, 0x17), 7);  // the bus status is the result
  EXPECT_EQ(ElapsedMs(), 5);                                    // USB_RESP_TIME before asking
  EXPECT_EQ(link.WriteWord(0x01, 0x0002, 0x17), 3);             // failed: no wait, no check
  EXPECT_EQ(ElapsedMs(), 5);
  EXPECT_EQ(link.SendCommandByte(0x08, 0x17), 0);
  EXPECT_EQ(link.WriteRegWord(0x40, 0x0102, 0xAA), 0);          // low byte first
  EXPECT_EQ(link.WriteRegBytes(0x41, 0x12, 0x34, 0xAA), 0);     // b0 then b1
  ExpectTraceDone();
}

TEST_F(LinkTransferTest, UncheckedWritesSendOnlyWhatTheBufferHolds) {
  Replay(R"(PutBlock cmd=0x10 addr=0x17 len=2 data=0A0B -> 4
PutRegBlock reg=0x04 addr=0x16 len=3 data=010203 -> 0
PutBlock cmd=0x11 addr=0x17 len=0 data= -> 0
RegByteOp mode=1 dev=0x16 reg=0x00 val=0x0D -> 6
)");
  const std::array<uint8_t, 3> bytes = {0x01, 0x02, 0x03};
  const std::array<uint8_t, 2> pair = {0x0A, 0x0B};
  EXPECT_EQ(link.WriteBlock(0x10, pair, 2, 0x17), 4);
  EXPECT_EQ(link.WriteRegBlock(0x04, bytes, 9, 0x16), 0);  // asked 9, buffer holds 3
  EXPECT_EQ(link.WriteBlock(0x11, bytes, -1, 0x17), 0);
  EXPECT_EQ(link.WriteRegByte(0x00, 0x0D, 0x16), 6);
  ExpectTraceDone();
}

TEST_F(LinkTransferTest, WordReadsSplitHighAndLowByte) {
  Replay(R"(GetWord cmd=0x00 addr=0x17 -> 0 word=0x8102
GetWord cmd=0x00 addr=0x17 -> 9 word=0x0000
GetWord cmd=0x0D addr=0x17 -> 0 word=0xFFFE
)");
  uint8_t high = 0x55;
  uint8_t low = 0x66;
  EXPECT_EQ(link.ReadWordBytes(0x00, high, low, 0x17), 0);
  EXPECT_EQ(high, 0x81);
  EXPECT_EQ(low, 0x02);
  EXPECT_EQ(link.ReadWordBytes(0x00, high, low, 0x17), 9);
  EXPECT_EQ(high, 0x81);  // a failed read leaves the bytes alone
  int16_t word = 0;
  EXPECT_EQ(link.ReadWord(0x0D, word, 0x17), 0);
  EXPECT_EQ(word, -2);
  ExpectTraceDone();
}

TEST_F(LinkTransferTest, EngineBlockReadWaits120MsEvenAfterAFailure) {
  Replay(R"(GetBlock cmd=0x23 addr=0x17 -> 0 len=2 data=0008
GetBlock cmd=0x23 addr=0x17 -> 5 len=0 data=
)");
  std::array<uint8_t, 4> buffer = {0xEE, 0xEE, 0xEE, 0xEE};
  int16_t length = -1;
  EXPECT_EQ(link.ReadBlock(0x23, buffer, length, 0x17), 0);
  EXPECT_EQ(length, 2);
  EXPECT_EQ(buffer, (std::array<uint8_t, 4>{0x00, 0x08, 0xEE, 0xEE}));
  EXPECT_EQ(ElapsedMs(), 120);
  EXPECT_EQ(link.ReadBlock(0x23, buffer, length, 0x17), 5);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(ElapsedMs(), 240);
  ExpectTraceDone();
}

TEST_F(LinkTransferTest, ImageReaderBlockReadDoesNotWait) {
  GaugeLink reader(clock, settings, LinkVariant::ImageReader);
  Replay("GetBlock cmd=0x23 addr=0x17 -> 0 len=1 data=7F\n");
  reader.BindGaugeControl(replay.get());
  std::array<uint8_t, 33> buffer{};
  int16_t length = 0;
  EXPECT_EQ(reader.ReadBlock(0x23, buffer, length, 0x17), 0);
  EXPECT_EQ(length, 1);
  EXPECT_EQ(ElapsedMs(), 0);
}

TEST_F(LinkTransferTest, BlockReadsLongerThanTheBufferAreClamped) {
  Replay(R"(GetBlock cmd=0x23 addr=0x17 -> 0 len=5 data=0102030405
GetRegBlock reg=0x04 addr=0x16 len=3 -> 0 len=6 data=0A0B0C0D0E0F
)");
  std::array<uint8_t, 4> storage = {0, 0, 0, 0xEE};
  const std::span<uint8_t> buffer(storage.data(), 3);  // the last byte lies beyond it
  int16_t length = 0;
  EXPECT_EQ(link.ReadBlock(0x23, buffer, length, 0x17), 0);
  EXPECT_EQ(length, 3);
  EXPECT_EQ(storage, (std::array<uint8_t, 4>{0x01, 0x02, 0x03, 0xEE}));
  length = 200;  // more than the buffer holds: asked as 3
  EXPECT_EQ(link.ReadRegBlock(0x04, buffer, length, 0x16), 0);
  EXPECT_EQ(length, 3);
  EXPECT_EQ(storage, (std::array<uint8_t, 4>{0x0A, 0x0B, 0x0C, 0xEE}));
  ExpectTraceDone();
}

TEST_F(LinkTransferTest, BlockTextModes) {
  Replay(R"(GetBlock cmd=0x01 addr=0x17 -> 0 len=3 data=545415
GetBlock cmd=0x01 addr=0x17 -> 0 len=2 data=0A01
GetBlock cmd=0x01 addr=0x17 -> 0 len=2 data=4142
GetBlock cmd=0x01 addr=0x17 -> 0 len=2 data=4142
GetBlock cmd=0x01 addr=0x17 -> 12 len=2 data=4142
)");
  std::string text = "old";
  EXPECT_EQ(link.ReadBlockText(0x01, text, 0x17, 0), 0);
  EXPECT_EQ(text, "545415");
  EXPECT_EQ(link.ReadBlockText(0x01, text, 0x17, 0), 0);
  EXPECT_EQ(text, "0A01");
  EXPECT_EQ(link.ReadBlockText(0x01, text, 0x17, 1), 0);
  EXPECT_EQ(text, "AB");
  EXPECT_EQ(link.ReadBlockText(0x01, text, 0x17, 2), 0);
  EXPECT_EQ(text, "");
  text = "old";
  EXPECT_EQ(link.ReadBlockText(0x01, text, 0x17, 1), 12);
  EXPECT_EQ(text, "");
  EXPECT_EQ(ElapsedMs(), 0);  // no block-read wait for text reads
  ExpectTraceDone();
}

TEST_F(LinkTransferTest, RegisterWordReadsAreLittleEndianWithSignFromTheHighByte) {
  Replay(R"(GetRegBlock reg=0x08 addr=0xAA len=2 -> 0 len=2 data=3492
BusStatus -> 0
GetRegBlock reg=0x08 addr=0xAA len=2 -> 0 len=2 data=3492
BusStatus -> 0
GetRegBlock reg=0x08 addr=0xAA len=2 -> 0 len=2 data=0201
BusStatus -> 8
)");
  int16_t value = 0;
  EXPECT_EQ(link.ReadRegWord(0x08, value, 0xAA), 0);
  EXPECT_EQ(static_cast<uint16_t>(value), 0x9234);
  EXPECT_EQ(link.ReadRegWordBE(0x08, value, 0xAA), 0);
  EXPECT_EQ(static_cast<uint16_t>(value), 0x3492);
  uint8_t b1 = 0;
  uint8_t b0 = 0;
  EXPECT_EQ(link.ReadRegBytes(0x08, b1, b0, 0xAA), 8);  // the check's status
  EXPECT_EQ(b0, 0x02);
  EXPECT_EQ(b1, 0x01);
  ExpectTraceDone();
}

TEST_F(LinkTransferTest, RegisterWordReadOfAnotherByteCountIs772AndLeavesTheValue) {
  Replay(R"(GetRegBlock reg=0x08 addr=0xAA len=2 -> 0 len=1 data=34
GetRegBlock reg=0x08 addr=0xAA len=2 -> 0 len=3 data=341200
GetRegBlock reg=0x08 addr=0xAA len=2 -> 0 len=0 data=
GetRegBlock reg=0x08 addr=0xAA len=2 -> 4 len=2 data=3412
)");
  int16_t value = 0x1111;
  EXPECT_EQ(link.ReadRegWord(0x08, value, 0xAA), kStatusRegCountMismatch);
  EXPECT_EQ(link.ReadRegWord(0x08, value, 0xAA), kStatusRegCountMismatch);
  uint8_t b1 = 0x77;
  uint8_t b0 = 0x77;
  EXPECT_EQ(link.ReadRegBytes(0x08, b1, b0, 0xAA), kStatusRegCountMismatch);
  EXPECT_EQ(link.ReadRegWordBE(0x08, value, 0xAA), 4);  // a transfer failure comes first
  EXPECT_EQ(value, 0x1111);
  EXPECT_EQ(b1, 0x77);
  EXPECT_EQ(b0, 0x77);
  ExpectTraceDone();  // no bus-status check after any of them
}

TEST_F(LinkTransferTest, RegisterByteOperationsAndBusMode) {
  Replay(R"(RegByteOp mode=2 dev=0x16 reg=0x66 -> 0 val=0x5A
RegByteOp mode=1 dev=0xC0 reg=0x44 val=0x4C -> 0
SetBusMode mode=1 -> 0
CloseLink
)");
  uint8_t value = 0;
  EXPECT_EQ(link.ReadRegByte(0x66, value, 0x16), 0);
  EXPECT_EQ(value, 0x5A);
  uint8_t out = 0x4C;
  EXPECT_EQ(link.RegByteCall(1, 0xC0, 0x44, out), 0);
  EXPECT_EQ(link.SelectBusMode(1), 0);
  link.ReleaseGaugeControl();
  EXPECT_FALSE(link.IsBound());
  ExpectTraceDone();
}

struct AdapterCase {
  const char* trace;
  int16_t expected;
};

void PrintTo(const AdapterCase& c, std::ostream* os) { *os << c.trace; }

class OpenFirstAdapterTest : public ReplayLinkTest,
                             public ::testing::WithParamInterface<AdapterCase> {};

TEST_P(OpenFirstAdapterTest, OpensTheFirstListedName) {
  Replay(GetParam().trace);
  EXPECT_EQ(link.OpenFirstAdapter(), GetParam().expected);
  ExpectTraceDone();
}

INSTANTIATE_TEST_SUITE_P(
    Lists, OpenFirstAdapterTest,
    ::testing::Values(
        AdapterCase{"ListAdapters max=16 -> 2 names=LP01,LP02\nOpenAdapter name=LP01 -> 0\n",
                    kTrue},
        AdapterCase{"ListAdapters max=16 -> 1 names=LP07\nOpenAdapter name=LP07 -> 3\n", kTrue},
        AdapterCase{"ListAdapters max=16 -> 1 names=LP07\nOpenAdapter name=LP07 -> -1\n",
                    kFalse},
        // No adapter: OpenAdapter is never called.
        AdapterCase{"ListAdapters max=16 -> 0 names=\n", kFalse},
        AdapterCase{"ListAdapters max=16 -> -1 names=LP01\n", kFalse}));

}  // namespace
}  // namespace tester
