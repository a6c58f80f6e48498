#include "platform/trace_format.h"

#include <gtest/gtest.h>

#include <vector>

namespace tester {
namespace {

TraceEntry With(TraceEntry entry, int64_t ms, std::optional<int32_t> result = std::nullopt) {
  entry.ms = ms;
  entry.result = result;
  return entry;
}

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

struct FormCase {
  TraceEntry entry;
  std::string line;
};

std::vector<FormCase> EveryLineForm() {
  const std::vector<uint8_t> sent{0x00, 0x00, 0x10};
  const std::vector<uint8_t> received{0x08, 0x00};
  const std::vector<uint8_t> reg_sent{0x0A, 0x05, 0x00, 0xFF};
  std::vector<uint8_t> reg_read(96, 0x5A);

  TraceEntry get_word = With(TraceGetWord(0x00, 0x17), 1, 0);
  AddWordOut(get_word, 0x0800);
  TraceEntry get_block = With(TraceGetBlock(0x23, 0x17), 2, 0);
  AddBlockOut(get_block, received, 2);
  TraceEntry reg_read_op = With(TraceRegByteOp(2, 0x16, 0x66, 0xEE), 5, 0);
  AddValueOut(reg_read_op, 0x00);
  TraceEntry get_reg_block = With(TraceGetRegBlock(0x04, 0x16, 96), 6, 0);
  AddBlockOut(get_reg_block, reg_read, 96);
  TraceEntry list = With(TraceListAdapters(16), 12, 2);
  AddNamesOut(list, "A,B");

  return {
      {With(TracePutWord(0x00, 0x0001, 0x17), 0, 0),
       "0 PutWord cmd=0x00 word=0x0001 addr=0x17 -> 0"},
      {With(TracePutWord(0x44, -2, 0x17), 0, 0), "0 PutWord cmd=0x44 word=0xFFFE addr=0x17 -> 0"},
      {get_word, "1 GetWord cmd=0x00 addr=0x17 -> 0 word=0x0800"},
      {With(TracePutBlock(0x00, sent, 3, 0x17), 2, 0),
       "2 PutBlock cmd=0x00 addr=0x17 len=3 data=000010 -> 0"},
      {get_block, "2 GetBlock cmd=0x23 addr=0x17 -> 0 len=2 data=0800"},
      {With(TracePutCommand(0x08, 0x17), 3, 0), "3 PutCommand cmd=0x08 addr=0x17 -> 0"},
      {With(TraceRegByteOp(1, 0xC0, 0x44, 0x4C), 4, 0),
       "4 RegByteOp mode=1 dev=0xC0 reg=0x44 val=0x4C -> 0"},
      {With(TraceRegByteOp(0, 0x01, 0x01, 0x00), 4, 0),
       "4 RegByteOp mode=0 dev=0x01 reg=0x01 val=0x00 -> 0"},
      {reg_read_op, "5 RegByteOp mode=2 dev=0x16 reg=0x66 -> 0 val=0x00"},
      {get_reg_block,
       "6 GetRegBlock reg=0x04 addr=0x16 len=96 -> 0 len=96 data=" + Repeat("5A", 96)},
      {With(TracePutRegBlock(0x00, reg_sent, 3, 0x16), 7, 0),
       "7 PutRegBlock reg=0x00 addr=0x16 len=3 data=0A0500 -> 0"},
      {With(TraceBusStatus(), 8, 0), "8 BusStatus -> 0"},
      {With(TraceSetBusMode(1), 9, 0), "9 SetBusMode mode=1 -> 0"},
      {With(TracePause(10), 10), "10 Pause ms=10"},
      {With(TraceOpenAdapter("TEXT"), 11, 3), "11 OpenAdapter name=TEXT -> 3"},
      {With(TraceOpenAdapter("Jig 1"), 11, -1), "11 OpenAdapter name=Jig%201 -> -1"},
      {list, "12 ListAdapters max=16 -> 2 names=A,B"},
      {With(TraceCloseLink(), 13), "13 CloseLink"},
      {With(TraceAboutBox(), 14), "14 AboutBox"},
  };
}

TEST(TraceFormat, EveryLineFormIsWrittenExactlyAndReadsBack) {
  for (const FormCase& c : EveryLineForm()) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(FormatLine(c.entry), c.line);

    TraceEntry parsed;
    std::string error;
    ASSERT_TRUE(ParseTraceLine(c.line, parsed, error)) << error;
    EXPECT_EQ(parsed.ms, c.entry.ms);
    EXPECT_EQ(parsed.op, c.entry.op);
    EXPECT_EQ(parsed.request, c.entry.request);
    EXPECT_EQ(parsed.result, c.entry.result);
    EXPECT_EQ(parsed.outs, c.entry.outs);
    EXPECT_EQ(FormatLine(parsed), c.line);
  }
}

TEST(TraceFormat, FailedReadsKeepTheirOutValues) {
  TraceEntry word = TraceGetWord(0x00, 0x17);
  SetTraceResult(word, 5);
  AddWordOut(word, 0);
  EXPECT_EQ(FormatLine(word), "0 GetWord cmd=0x00 addr=0x17 -> 5 word=0x0000");

  TraceEntry block = TraceGetBlock(0x23, 0x17);
  SetTraceResult(block, 5);
  AddBlockOut(block, {}, 0);
  EXPECT_EQ(FormatLine(block), "0 GetBlock cmd=0x23 addr=0x17 -> 5 len=0 data=");
}

TEST(TraceFormat, BlockDataNeverReachesPastTheBuffer) {
  const std::vector<uint8_t> buffer{0x01, 0x02};
  TraceEntry longer = TraceGetBlock(0x23, 0x17);
  SetTraceResult(longer, 0);
  AddBlockOut(longer, buffer, 40);  // the device reported more than the buffer holds
  EXPECT_EQ(FormatResult(longer), "-> 0 len=40 data=0102");

  TraceEntry negative = TraceGetBlock(0x23, 0x17);
  SetTraceResult(negative, 0);
  AddBlockOut(negative, buffer, -1);
  EXPECT_EQ(FormatResult(negative), "-> 0 len=-1 data=");

  EXPECT_EQ(FormatRequest(TracePutBlock(0x00, buffer, 5, 0x17)),
            "PutBlock cmd=0x00 addr=0x17 len=5 data=0102");
}

TEST(TraceFormat, TextIsPercentEncoded) {
  EXPECT_EQ(EncodeTraceText("Jig 1=50%"), "Jig%201%3D50%25");
  EXPECT_EQ(EncodeTraceText("a\nb\tc\r"), "a%0Ab%09c%0D");  // a name cannot break the line
  EXPECT_EQ(EncodeTraceText("A,B"), "A,B");
  EXPECT_EQ(EncodeTraceText(""), "");

  std::string text;
  ASSERT_TRUE(DecodeTraceText("Jig%201%3D50%25", text));
  EXPECT_EQ(text, "Jig 1=50%");
  ASSERT_TRUE(DecodeTraceText("%4a%4A", text));
  EXPECT_EQ(text, "JJ");
  EXPECT_FALSE(DecodeTraceText("50%", text));
  EXPECT_FALSE(DecodeTraceText("50%2", text));
  EXPECT_FALSE(DecodeTraceText("%G0", text));

  const std::string awkward = "x y=z%\x01\x7F\xC3\xA9";
  ASSERT_TRUE(DecodeTraceText(EncodeTraceText(awkward), text));
  EXPECT_EQ(text, awkward);
}

TEST(TraceFormat, ReadingNormalisesHandWrittenLines) {
  TraceEntry entry;
  std::string error;
  ASSERT_TRUE(ParseTraceLine("  7\tPutWord  cmd=0x0a word=0xbeef addr=0x17  ->  0 \r", entry,
                             error))
      << error;
  EXPECT_EQ(FormatLine(entry), "7 PutWord cmd=0x0A word=0xBEEF addr=0x17 -> 0");
  ASSERT_TRUE(ParseTraceLine("0 OpenAdapter name=a%2cb -> 0", entry, error)) << error;
  EXPECT_EQ(FormatRequest(entry), "OpenAdapter name=a,b");
}

TEST(TraceFormat, MalformedLinesAreRejectedWithAReason) {
  struct Bad {
    std::string line;
    std::string reason;
  };
  const std::vector<Bad> cases = {
      {"PutWord cmd=0x00 word=0x0001 addr=0x17 -> 0", "bad time \"PutWord\""},
      {"-1 BusStatus -> 0", "bad time \"-1\""},
      {"12", "expected <ms> <Operation> ..."},
      {"0 PutWords cmd=0x00 -> 0", "unknown operation \"PutWords\""},
      {"0 GetWord cmd=0x00 addr=0x17", "missing \"-> <result>\""},
      {"0 GetWord cmd=0x00 addr=0x17 ->", "missing result after \"->\""},
      {"0 GetWord cmd=0x00 addr=0x17 -> 0", "expected word=0x...., found \"\""},
      {"0 GetWord addr=0x17 cmd=0x00 -> 0 word=0x0000",
       "expected cmd=0x.. addr=0x.., found \"addr=0x17 cmd=0x00\""},
      {"0 GetWord cmd=0x0 addr=0x17 -> 0 word=0x0000",
       "bad value in \"cmd=0x0\" (expected cmd=0x..)"},
      {"0 GetWord cmd=0x00 addr=0x17 -> 0 word=0x800",
       "bad value in \"word=0x800\" (expected word=0x....)"},
      {"0 PutBlock cmd=0x00 addr=0x17 len=3 data=00001 -> 0",
       "bad value in \"data=00001\" (expected data=<hex bytes>)"},
      {"0 PutBlock cmd=0x00 addr=0x17 len=3 data=00XX10 -> 0",
       "bad value in \"data=00XX10\" (expected data=<hex bytes>)"},
      {"0 BusStatus -> 32768", "bad result \"32768\""},
      {"0 BusStatus -> +1", "bad result \"+1\""},
      {"0 BusStatus -> 0 extra=1", "expected nothing, found \"extra=1\""},
      {"0 Pause ms=10 -> 0", "Pause has no result"},
      {"0 CloseLink now", "expected nothing, found \"now\""},
      {"0 RegByteOp mode=2 dev=0x16 reg=0x66 val=0x00 -> 0",
       "expected mode=<number> dev=0x.. reg=0x.., found \"mode=2 dev=0x16 reg=0x66 val=0x00\""},
      {"0 RegByteOp mode=1 dev=0xC0 reg=0x44 -> 0 val=0x4C",
       "expected mode=<number> dev=0x.. reg=0x.. val=0x.., found \"mode=1 dev=0xC0 reg=0x44\""},
      {"0 OpenAdapter name=50% -> 0", "bad value in \"name=50%\" (expected name=<text>)"},
      {"0 GetRegBlock reg=0x04 addr=0x16 len=40000 -> 0 len=0 data=",
       "bad value in \"len=40000\" (expected len=<number>)"},
  };
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.line);
    TraceEntry entry;
    std::string error;
    EXPECT_FALSE(ParseTraceLine(c.line, entry, error));
    EXPECT_EQ(error, c.reason);
  }
}

TEST(TraceFormat, WholeTraceSkipsCommentsAndNamesTheBadLine) {
  const std::string text =
      "# station 3, pack 1\r\n"
      "0 BusStatus -> 0\r\n"
      "\r\n"
      "   # indented comment\n"
      "4 GetWord cmd=0x00 addr=0x17 -> 0 word=0x0800";  // no final line ending
  std::string error;
  auto lines = ParseTrace(text, error);
  ASSERT_TRUE(lines) << error;
  ASSERT_EQ(lines->size(), 2u);
  EXPECT_EQ((*lines)[0].number, 2);
  EXPECT_EQ((*lines)[0].text, "0 BusStatus -> 0");
  EXPECT_EQ((*lines)[1].number, 5);
  EXPECT_EQ((*lines)[1].entry.ms, 4);

  EXPECT_FALSE(ParseTrace("0 BusStatus -> 0\n# fine\n3 GetWord cmd=0x00 -> 0\n", error));
  EXPECT_EQ(error,
            "line 3: expected cmd=0x.. addr=0x.., found \"cmd=0x00\": 3 GetWord cmd=0x00 -> 0");

  auto empty = ParseTrace("", error);
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());
}

// The tracer writes at most the bytes a block's length covers; a line with more data is
// damaged, and replaying it would hand out bytes the device never sent.
TEST(TraceFormat, BlockDataLongerThanItsLengthIsRefused) {
  TraceEntry entry;
  std::string error;
  EXPECT_FALSE(ParseTraceLine("0 GetBlock cmd=0x23 addr=0x17 -> 0 len=1 data=0A0B0C", entry,
                              error));
  EXPECT_EQ(error, "data holds 3 bytes, more than len=1");
  EXPECT_FALSE(ParseTraceLine("0 GetRegBlock reg=0x04 addr=0x16 len=2 -> 0 len=-1 data=0A",
                              entry, error));
  EXPECT_EQ(error, "data holds 1 bytes, more than len=-1");
  EXPECT_FALSE(ParseTraceLine("0 PutBlock cmd=0x40 addr=0x17 len=1 data=0A0B -> 0", entry, error));
  EXPECT_EQ(error, "data holds 2 bytes, more than len=1");
  // Fewer bytes than the length: the caller's buffer was shorter than what the device sent.
  EXPECT_TRUE(ParseTraceLine("0 GetBlock cmd=0x23 addr=0x17 -> 0 len=32 data=0A0B", entry, error))
      << error;
  EXPECT_TRUE(ParseTraceLine("0 PutRegBlock reg=0x00 addr=0x16 len=-2 data= -> 0", entry, error))
      << error;
}

// Errors quote the trace, but control bytes must not cut or garble the message and a huge
// line is not copied whole into it.
TEST(TraceFormat, ErrorsQuoteTheTraceSafely) {
  std::string error;
  EXPECT_FALSE(ParseTrace(std::string("0 BusStatus -> 0\0\n", 18), error));
  EXPECT_EQ(error, "line 1: bad result \"0%00\": 0 BusStatus -> 0%00");
  EXPECT_FALSE(ParseTrace("0 Bus\x1B[2JStatus -> 0\n", error));
  EXPECT_EQ(error, "line 1: unknown operation \"Bus%1B[2JStatus\": 0 Bus%1B[2JStatus -> 0");
  EXPECT_FALSE(ParseTrace("0 OpenAdapter name=" + std::string(1'000'000, 'a') + " -> 0 x\n",
                          error));
  EXPECT_EQ(error, "line 1: expected nothing, found \"x\": 0 OpenAdapter name=" +
                       std::string(81, 'a') + "...");
}

TEST(TraceFormat, ByteOrderMarkIsSkipped) {
  std::string error;
  auto lines = ParseTrace("\xEF\xBB\xBF" "0 BusStatus -> 0\n", error);
  ASSERT_TRUE(lines) << error;
  ASSERT_EQ(lines->size(), 1u);
  EXPECT_EQ((*lines)[0].text, "0 BusStatus -> 0");
}

}  // namespace
}  // namespace tester
