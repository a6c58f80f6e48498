// Wire form of messages: what a peer may send us, well or badly formed, and the typed
// reading of parameters. Nothing a line holds may crash the parser or slip through as a
// valid call.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <random>

#include "platform/automation/rpc_line_buffer.h"
#include "platform/automation/rpc_message.h"
#include "platform/automation/rpc_params.h"

namespace tester {
namespace {

RpcParsed Parse(const char* text) { return ParseRpcLine(QByteArrayView(text)); }

TEST(RpcMessage, WellFormedMessagesOfEveryKind) {
  RpcParsed request = Parse(R"({"jsonrpc":"2.0","id":7,"method":"Execute","params":{"a":1}})");
  ASSERT_TRUE(request.ok);
  EXPECT_EQ(request.message.kind, RpcKind::kRequest);
  EXPECT_EQ(request.message.id.toInteger(), 7);
  EXPECT_EQ(request.message.params.value("a").toInt(), 1);

  RpcParsed string_id = Parse("{\"jsonrpc\":\"2.0\",\"id\":\"s-1\",\"method\":\"Quit\"}\r");
  ASSERT_TRUE(string_id.ok);
  EXPECT_EQ(string_id.message.id.toString(), "s-1");
  EXPECT_TRUE(string_id.message.params.isEmpty());

  RpcParsed event = Parse(R"({"jsonrpc":"2.0","method":"CurrentStatus","params":{}})");
  ASSERT_TRUE(event.ok);
  EXPECT_EQ(event.message.kind, RpcKind::kNotification);

  RpcParsed result = Parse(R"({"jsonrpc":"2.0","id":3,"result":{"value":0}})");
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.message.kind, RpcKind::kResponse);
  EXPECT_TRUE(result.message.response.ok);

  RpcParsed error = Parse(R"({"jsonrpc":"2.0","id":3,"error":{"code":-32000,"message":"x"}})");
  ASSERT_TRUE(error.ok);
  EXPECT_FALSE(error.message.response.ok);
  EXPECT_EQ(error.message.response.error.code, kRpcCallFailed);
}

TEST(RpcMessage, BrokenLinesAreAnsweredWithTheRightCodeAndId) {
  struct Case {
    const char* line;
    int code;
    QJsonValue reply_id;
  };
  const Case cases[] = {
      {"not json", kRpcParseError, QJsonValue()},
      {R"({"jsonrpc":"2.0","id":1,"method":"X")", kRpcParseError, QJsonValue()},
      {"[1,2]", kRpcInvalidRequest, QJsonValue()},
      {"42", kRpcParseError, QJsonValue()},
      {R"({"jsonrpc":"1.0","id":4,"method":"X"})", kRpcInvalidRequest, 4},
      {R"({"id":4,"method":"X"})", kRpcInvalidRequest, 4},
      {R"({"jsonrpc":"2.0","id":1.5,"method":"X"})", kRpcInvalidRequest, QJsonValue()},
      {R"({"jsonrpc":"2.0","id":1e300,"method":"X"})", kRpcInvalidRequest, QJsonValue()},
      {R"({"jsonrpc":"2.0","id":9007199254740993,"method":"X"})", kRpcInvalidRequest,
       QJsonValue()},
      {R"({"jsonrpc":"2.0","id":true,"method":"X"})", kRpcInvalidRequest, QJsonValue()},
      {R"({"jsonrpc":"2.0","id":null,"method":"X"})", kRpcInvalidRequest, QJsonValue()},
      {R"({"jsonrpc":"2.0","id":{},"method":"X"})", kRpcInvalidRequest, QJsonValue()},
      {R"({"jsonrpc":"2.0","id":5,"method":""})", kRpcInvalidRequest, 5},
      {R"({"jsonrpc":"2.0","id":5,"method":12})", kRpcInvalidRequest, 5},
      {R"({"jsonrpc":"2.0","id":6,"method":"X","params":[1]})", kRpcInvalidParams, 6},
      {R"({"jsonrpc":"2.0","id":6,"method":"X","params":"a"})", kRpcInvalidRequest, 6},
      {R"({"jsonrpc":"2.0","id":6})", kRpcInvalidRequest, QJsonValue()},
  };
  for (const Case& c : cases) {
    const RpcParsed parsed = Parse(c.line);
    EXPECT_FALSE(parsed.ok) << c.line;
    EXPECT_TRUE(parsed.answer) << c.line;
    EXPECT_EQ(parsed.error.code, c.code) << c.line;
    EXPECT_EQ(parsed.reply_id, c.reply_id) << c.line;
  }
  const char raw_nul[] = "{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"X\0\"}";
  const QByteArray with_nul(raw_nul, sizeof raw_nul - 1);
  const RpcParsed nul = ParseRpcLine(with_nul);
  EXPECT_FALSE(nul.ok);
  EXPECT_EQ(nul.error.code, kRpcParseError);
  const QByteArray huge(kRpcMaxLineBytes + 1, ' ');
  EXPECT_EQ(ParseRpcLine(huge).error.code, kRpcParseError);
}

TEST(RpcMessage, BrokenResponsesAndNotificationsAreDroppedNotAnswered) {
  const char* lines[] = {
      R"({"jsonrpc":"2.0","id":3,"result":1,"error":{"code":1,"message":"x"}})",
      R"({"jsonrpc":"2.0","id":3,"error":{"code":"1","message":"x"}})",
      R"({"jsonrpc":"2.0","id":3,"error":{"code":1e12,"message":"x"}})",
      R"({"jsonrpc":"2.0","id":3,"error":{"code":1}})",
      R"({"jsonrpc":"2.0","id":3.5,"result":1})",
      R"({"jsonrpc":"2.0","method":"X","params":[1]})",
      R"({"jsonrpc":"1.0","id":3,"result":1})",
  };
  for (const char* line : lines) {
    const RpcParsed parsed = Parse(line);
    EXPECT_FALSE(parsed.ok) << line;
    EXPECT_FALSE(parsed.answer) << line;
  }
}

TEST(RpcMessage, LinesRoundTripCompactAndNewlineTerminated) {
  const QByteArray request = RpcRequestLine(12, "AttachLinkpod", {{"sLinkpodID", ""}});
  EXPECT_TRUE(request.endsWith('\n'));
  EXPECT_EQ(request.count('\n'), 1);
  const RpcParsed parsed = ParseRpcLine(QByteArrayView(request).chopped(1));
  ASSERT_TRUE(parsed.ok);
  EXPECT_EQ(parsed.message.method, "AttachLinkpod");
  EXPECT_EQ(parsed.message.id.toInteger(), 12);

  // A text with a newline inside stays on one line (escaped by the JSON writer).
  const QByteArray event = RpcNotificationLine("CurrentStatus", {{"sStatus", "a\nb"}});
  EXPECT_EQ(event.count('\n'), 1);
  const RpcParsed back = ParseRpcLine(QByteArrayView(event).chopped(1));
  EXPECT_EQ(back.message.params.value("sStatus").toString(), "a\nb");

  const QByteArray error = RpcResponseLine("k", RpcResult::Error(kRpcMethodNotFound, "no"));
  const RpcParsed error_back = ParseRpcLine(QByteArrayView(error).chopped(1));
  EXPECT_EQ(error_back.message.response.error.code, kRpcMethodNotFound);
  EXPECT_EQ(error_back.message.id.toString(), "k");
}

TEST(RpcMessage, RandomBytesNeverCrashTheParser) {
  std::mt19937 random(20240601);
  const char alphabet[] = "{}[]\":,0123456789.eE-+truefalsnl \\u\0\xff\x80jsonrpcidmethod";
  for (int round = 0; round < 3000; ++round) {
    QByteArray line;
    const int length = static_cast<int>(random() % 80);
    for (int i = 0; i < length; ++i) line.append(alphabet[random() % (sizeof alphabet - 1)]);
    const RpcParsed parsed = ParseRpcLine(line);
    if (!parsed.ok) {
      EXPECT_NE(parsed.error.code, 0);
    }
  }
}

TEST(RpcLineBuffer, SplitsLinesAcrossChunksAndDropsOverlongOnes) {
  RpcLineBuffer buffer(8);
  buffer.Append("ab");
  EXPECT_FALSE(buffer.TakeLine());
  buffer.Append("c\nde\n12345678\n123456789");
  EXPECT_EQ(buffer.TakeLine()->text, "abc");
  EXPECT_EQ(buffer.TakeLine()->text, "de");
  EXPECT_EQ(buffer.TakeLine()->text, "12345678");  // exactly at the cap: kept
  EXPECT_FALSE(buffer.TakeLine());
  EXPECT_EQ(buffer.PendingBytes(), 0);  // the overlong line is not held
  buffer.Append("0123456789\nok\n");
  const std::optional<RpcLine> dropped = buffer.TakeLine();
  ASSERT_TRUE(dropped);
  EXPECT_TRUE(dropped->too_long);
  EXPECT_TRUE(dropped->text.isEmpty());
  EXPECT_EQ(buffer.TakeLine()->text, "ok");  // the next line is intact
}

TEST(RpcParams, WholeNumbersMustFitTheMembersWidth) {
  const QJsonObject params = QJsonDocument::fromJson(
      R"({"low":-32768,"high":32767,"over":32768,"frac":1.5,"huge":1e300,
          "text":"5","i32":2147483647,"i32over":2147483648})").object();
  RpcParams ok(params);
  EXPECT_EQ(ok.Int16("low"), -32768);
  EXPECT_EQ(ok.Int16("high"), 32767);
  EXPECT_EQ(ok.Int32("i32"), 2147483647);
  EXPECT_TRUE(ok.ok());
  for (const char* bad : {"over", "frac", "huge", "text", "missing"}) {
    RpcParams p(params);
    p.Int16(bad);
    EXPECT_FALSE(p.ok()) << bad;
    EXPECT_EQ(p.Error().error.code, kRpcInvalidParams);
  }
  RpcParams wide(params);
  wide.Int32("i32over");
  EXPECT_FALSE(wide.ok());
}

TEST(RpcParams, FloatsTruthsAndVariants) {
  const QJsonObject params = QJsonDocument::fromJson(
      R"({"t":23.5,"big":1e39,"yes":true,"one":1,"zero":0,"none":null,"word":"True"})")
                                 .object();
  RpcParams p(params);
  EXPECT_FLOAT_EQ(p.Float("t"), 23.5F);
  EXPECT_TRUE(p.Bool("yes"));
  EXPECT_EQ(p.VariantBool("yes"), true);
  EXPECT_EQ(p.VariantBool("one"), true);
  EXPECT_EQ(p.VariantBool("zero"), false);
  EXPECT_EQ(p.VariantBool("none"), std::nullopt);
  EXPECT_EQ(p.VariantBool("absent"), std::nullopt);
  EXPECT_TRUE(p.ok());
  RpcParams big(params);
  big.Float("big");  // beyond single precision
  EXPECT_FALSE(big.ok());
  RpcParams number_as_bool(params);
  number_as_bool.Bool("one");
  EXPECT_FALSE(number_as_bool.ok());
  RpcParams word(params);
  word.VariantBool("word");
  EXPECT_FALSE(word.ok());
}

}  // namespace
}  // namespace tester
