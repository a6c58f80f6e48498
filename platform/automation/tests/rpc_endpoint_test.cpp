// Two endpoints in one process over a socket pair, or one endpoint against a raw socket the
// test writes and reads itself: calls both ways, calls served while a call waits, time-outs,
// a peer going away, and rubbish on the line.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QEventLoop>
#include <QTimer>
#include <vector>

#include "common/component_error.h"
#include "platform/automation/fd_transport.h"
#include "platform/automation/rpc_endpoint.h"
#include "testing/qt_app.h"

namespace tester {
namespace {

constexpr int kLongMs = 10000;  // never reached: the tests end long before

std::unique_ptr<RpcEndpoint> EndpointOn(int fd) {
  return std::make_unique<RpcEndpoint>(std::make_unique<FdTransport>(fd, fd, true));
}

class EndpointPair : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureQtApp();
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    a_ = EndpointOn(fds[0]);
    b_ = EndpointOn(fds[1]);
  }
  void StartBoth() {
    a_->Start();
    b_->Start();
  }

  std::unique_ptr<RpcEndpoint> a_;
  std::unique_ptr<RpcEndpoint> b_;
};

TEST_F(EndpointPair, CallsGoBothWaysWithParamsResultsAndErrors) {
  b_->SetMethod("Add", [](const QJsonObject& p) {
    return RpcResult::Value(p.value("x").toInt() + p.value("y").toInt());
  });
  b_->SetMethod("Fails", [](const QJsonObject&) -> RpcResult {
    throw ComponentError("Cannot read settings file S1.ini");
  });
  b_->SetMethod("Refuses", [](const QJsonObject&) { return RpcResult::Error(-32099, "no"); });
  a_->SetMethod("Echo", [](const QJsonObject& p) { return RpcResult::Value(p.value("s")); });
  StartBoth();

  const RpcResult sum = a_->Call("Add", {{"x", 2}, {"y", 3}}, kLongMs);
  ASSERT_TRUE(sum.ok) << sum.error.message.toStdString();
  EXPECT_EQ(sum.value.toInt(), 5);
  EXPECT_EQ(b_->Call("Echo", {{"s", "3F2A"}}, kLongMs).value.toString(), "3F2A");

  const RpcResult failed = a_->Call("Fails", {}, kLongMs);
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.error.code, kRpcCallFailed);
  EXPECT_EQ(failed.error.message, "Cannot read settings file S1.ini");
  EXPECT_EQ(a_->Call("Refuses", {}, kLongMs).error.code, -32099);
  EXPECT_EQ(a_->Call("Missing", {}, kLongMs).error.code, kRpcMethodNotFound);
  EXPECT_TRUE(a_->IsOpen());
  EXPECT_EQ(a_->PendingCalls(), 0U);
}

TEST_F(EndpointPair, CallsAndEventsArrivingDuringAWaitAreServedBeforeItReturns) {
  std::vector<std::string> order;
  a_->SetMethod("Inner", [&](const QJsonObject& p) {
    order.push_back("inner served while " + std::to_string(a_->PendingCalls()) + " waits");
    // Two deep: a, waiting for Outer, calls b again while b waits for Inner.
    const RpcResult quick = a_->Call("Quick", {}, kLongMs);
    return RpcResult::Value(p.value("n").toInt() + quick.value.toInt());
  });
  a_->SetNotificationHandler([&](const QString& method, const QJsonObject&) {
    order.push_back("event " + method.toStdString());
  });
  b_->SetMethod("Quick", [](const QJsonObject&) { return RpcResult::Value(100); });
  b_->SetMethod("Outer", [&](const QJsonObject&) {
    b_->Notify("CurrentStatus", {{"sStatus", "busy"}});
    const RpcResult inner = b_->Call("Inner", {{"n", 20}}, kLongMs);
    return RpcResult::Value(inner.value.toInt() + 3);
  });
  StartBoth();

  const RpcResult outer = a_->Call("Outer", {}, kLongMs);
  ASSERT_TRUE(outer.ok) << outer.error.message.toStdString();
  EXPECT_EQ(outer.value.toInt(), 123);
  EXPECT_EQ(order, (std::vector<std::string>{"event CurrentStatus", "inner served while 1 waits"}));
}

TEST_F(EndpointPair, PeerGoingAwayFailsEveryPendingCallAtOnce) {
  // a waits for Hold; b calls back into a, which calls Vanish while still waiting: two
  // calls of a pending when b ends the connection (as a dying engine would).
  b_->SetMethod("Hold", [&](const QJsonObject&) {
    return b_->Call("Trigger", {}, kLongMs);
  });
  b_->SetMethod("Vanish", [&](const QJsonObject&) {
    b_->Close("b went away");
    return RpcResult::Value(0);
  });
  RpcResult nested;
  size_t pending_when_nested = 0;
  a_->SetMethod("Trigger", [&](const QJsonObject&) {
    pending_when_nested = a_->PendingCalls() + 1;
    nested = a_->Call("Vanish", {}, kLongMs);
    return RpcResult::Value(0);
  });
  std::vector<QString> closed;
  a_->SetClosedHandler([&](const QString& reason) { closed.push_back(reason); });
  StartBoth();

  const RpcResult outer = a_->Call("Hold", {}, kLongMs);
  EXPECT_EQ(pending_when_nested, 2U);
  EXPECT_EQ(nested.error.code, kRpcConnectionLost);
  EXPECT_EQ(outer.error.code, kRpcConnectionLost);
  EXPECT_EQ(outer.error.message, "peer closed the connection");
  EXPECT_FALSE(a_->IsOpen());
  EXPECT_EQ(closed.size(), 1U);
  EXPECT_EQ(a_->Call("Hold", {}, kLongMs).error.code, kRpcConnectionLost);  // at once
}

// One endpoint against a socket the test holds: the peer is the test itself.
class EndpointRawPeer : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureQtApp();
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    endpoint_ = EndpointOn(fds[0]);
    peer_ = fds[1];
  }
  void TearDown() override { close(peer_); }
  void PeerWrites(const QByteArray& bytes) {
    ASSERT_EQ(write(peer_, bytes.constData(), bytes.size()), bytes.size());
  }
  // Everything the endpoint has written so far, as parsed lines.
  std::vector<RpcParsed> PeerReads() {
    QByteArray all;
    char chunk[4096];
    ssize_t got = 0;
    while ((got = recv(peer_, chunk, sizeof chunk, MSG_DONTWAIT)) > 0) all.append(chunk, got);
    std::vector<RpcParsed> lines;
    for (const QByteArray& line : all.split('\n')) {
      if (!line.isEmpty()) lines.push_back(ParseRpcLine(line));
    }
    return lines;
  }

  std::unique_ptr<RpcEndpoint> endpoint_;
  int peer_ = -1;
};

TEST_F(EndpointRawPeer, TimedOutCallFailsAndItsLateAnswerIsIgnored) {
  endpoint_->Start();
  const RpcResult lost = endpoint_->Call("Slow", {}, 1);
  EXPECT_EQ(lost.error.code, kRpcTimedOut);
  EXPECT_EQ(endpoint_->PendingCalls(), 0U);
  // The late answer to call 1 arrives before the answer to call 2: only call 2's counts.
  PeerWrites(RpcResponseLine(1, RpcResult::Value("late")) +
             RpcResponseLine(2, RpcResult::Value("second")));
  const RpcResult second = endpoint_->Call("Next", {}, kLongMs);
  ASSERT_TRUE(second.ok);
  EXPECT_EQ(second.value.toString(), "second");
  EXPECT_TRUE(endpoint_->IsOpen());
}

TEST_F(EndpointRawPeer, NestedWaitsBothFailWhenThePeerShutsItsSide) {
  std::vector<QString> closed;
  endpoint_->SetClosedHandler([&](const QString& reason) { closed.push_back(reason); });
  RpcResult nested;
  endpoint_->SetNotificationHandler([&](const QString&, const QJsonObject&) {
    shutdown(peer_, SHUT_WR);  // the peer's end of stream arrives during the nested wait
    nested = endpoint_->Call("Second", {}, kLongMs);
  });
  endpoint_->Start();
  PeerWrites(RpcNotificationLine("CurrentStatus", {}));
  const RpcResult first = endpoint_->Call("First", {}, kLongMs);
  EXPECT_EQ(first.error.code, kRpcConnectionLost);
  EXPECT_EQ(nested.error.code, kRpcConnectionLost);
  EXPECT_EQ(first.error.message, "peer closed the connection");
  EXPECT_EQ(closed.size(), 1U);
}

TEST_F(EndpointRawPeer, CallFromATimerCallbackStillTimesOut) {
  // A run started by the engine's invoker timer makes its calls from inside a timer.
  endpoint_->Start();
  RpcResult from_timer;
  bool done = false;
  QTimer::singleShot(0, [&] {
    from_timer = endpoint_->Call("Slow", {}, 1);
    done = true;
  });
  QEventLoop loop;
  QTimer::singleShot(0, &loop, [&] {
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    loop.quit();
  });
  loop.exec();
  EXPECT_EQ(from_timer.error.code, kRpcTimedOut);
}

TEST_F(EndpointRawPeer, LastLinesBeforeTheCloseAreStillHandled) {
  // The peer's final event and the answer to our call arrive with its end of stream.
  std::vector<QString> events;
  endpoint_->SetNotificationHandler([&](const QString& method, const QJsonObject&) {
    events.push_back(method);
    // A handler calling back now fails at once instead of waiting for nothing.
    EXPECT_EQ(endpoint_->Call("Back", {}, kLongMs).error.code, kRpcConnectionLost);
  });
  endpoint_->Start();
  PeerWrites(RpcNotificationLine("Completed", {}) + RpcResponseLine(1, RpcResult::Value(9)));
  shutdown(peer_, SHUT_WR);
  const RpcResult answer = endpoint_->Call("Execute", {}, kLongMs);
  EXPECT_TRUE(answer.ok);
  EXPECT_EQ(answer.value.toInt(), 9);
  EXPECT_EQ(events, std::vector<QString>{"Completed"});
}

TEST_F(EndpointRawPeer, RubbishIsAnsweredWithErrorsAndTheConnectionGoesOn) {
  endpoint_->SetMethod("Echo", [](const QJsonObject& p) { return RpcResult::Value(p); });
  endpoint_->Start();
  const char nul_line[] = "{\"jsonrpc\":\"2.0\",\"id\":9,\"method\":\"Echo\0\"}\n";
  PeerWrites("garbage\n"
             "\n"
             R"({"jsonrpc":"2.0","id":7,"method":"Echo","params":[1]})" "\n"
             R"({"jsonrpc":"1.0","id":8,"method":"Echo"})" "\n"
             R"({"jsonrpc":"2.0","id":99,"result":"nobody asked"})" "\n"
             R"({"jsonrpc":"2.0","id":10,"method":"Echo","params":{"k":1}})" "\n" +
             QByteArray(nul_line, sizeof nul_line - 1) +
             RpcResponseLine(1, RpcResult::Value("pump")));
  EXPECT_TRUE(endpoint_->Call("Pump", {}, kLongMs).ok);

  const std::vector<RpcParsed> lines = PeerReads();
  ASSERT_EQ(lines.size(), 6U);  // our request, then one answer per call-like line
  EXPECT_EQ(lines[0].message.method, "Pump");
  EXPECT_EQ(lines[1].message.response.error.code, kRpcParseError);
  EXPECT_TRUE(lines[1].message.id.isNull());
  EXPECT_EQ(lines[2].message.response.error.code, kRpcInvalidParams);
  EXPECT_EQ(lines[2].message.id.toInteger(), 7);
  EXPECT_EQ(lines[3].message.response.error.code, kRpcInvalidRequest);
  EXPECT_EQ(lines[3].message.id.toInteger(), 8);
  EXPECT_TRUE(lines[4].message.response.ok);  // the good call in between is served
  EXPECT_EQ(lines[4].message.id.toInteger(), 10);
  EXPECT_EQ(lines[5].message.response.error.code, kRpcParseError);
  EXPECT_TRUE(endpoint_->IsOpen());
}

}  // namespace
}  // namespace tester
