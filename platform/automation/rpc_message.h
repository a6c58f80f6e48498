#pragma once
// JSON-RPC 2.0 messages as they travel between the controller and an engine: one compact
// JSON object per line, ended by '\n'. Parsing never throws and never trusts the peer:
// every line either becomes a message or an error to answer with.
#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <utility>

namespace tester {

// Error codes of the protocol. The first five are JSON-RPC's own.
inline constexpr int kRpcParseError = -32700;      // the line is not a JSON object
inline constexpr int kRpcInvalidRequest = -32600;  // JSON, but not a valid request
inline constexpr int kRpcMethodNotFound = -32601;  // no such member
inline constexpr int kRpcInvalidParams = -32602;   // a parameter missing or of the wrong type
inline constexpr int kRpcInternalError = -32603;   // the receiver failed to handle the call
// Application range: the member was called and failed inside the engine (a settings file
// that cannot be read, an overflow); the message is the failure's description.
inline constexpr int kRpcCallFailed = -32000;
// Local codes, never sent on the wire: what a caller sees when no answer came.
inline constexpr int kRpcTimedOut = -32050;       // no response within the call's time-out
inline constexpr int kRpcConnectionLost = -32051;  // the peer closed the connection or ended

// Longest line accepted, '\n' excluded. Real messages are a few hundred bytes; a longer
// line is dropped while it arrives (never buffered whole) and answered as a parse error.
inline constexpr qsizetype kRpcMaxLineBytes = 1 << 20;
// Largest integer id accepted: integers beyond it cannot be told apart as JSON numbers.
inline constexpr double kRpcMaxIntegerId = 9007199254740991.0;  // 2^53 - 1

struct RpcError {
  int code = 0;
  QString message;
};

// The outcome of a call: a result value or an error.
struct RpcResult {
  bool ok = true;
  QJsonValue value;  // the result when ok
  RpcError error;    // when not ok

  static RpcResult Value(QJsonValue value) { return {true, std::move(value), {}}; }
  static RpcResult Error(int code, QString message) {
    return {false, QJsonValue(), RpcError{code, std::move(message)}};
  }
};

enum class RpcKind {
  kRequest,       // method + id: wants a response
  kNotification,  // method, no id: an event
  kResponse,      // id + result or error
};

struct RpcMessage {
  RpcKind kind = RpcKind::kNotification;
  QJsonValue id;        // integer (as double) or string; Null for notifications
  QString method;       // requests and notifications
  QJsonObject params;   // requests and notifications; absent params = empty object
  RpcResult response;   // responses
};

// What one received line turned into.
struct RpcParsed {
  bool ok = false;
  RpcMessage message;  // when ok
  // When not ok: the error to answer with, and the id to answer to (Null when the id
  // could not be read; a response that is itself broken is not answered at all).
  RpcError error;
  QJsonValue reply_id;
  bool answer = true;
};

// Parses one line (without its '\n'; a trailing '\r' is allowed). Never throws.
RpcParsed ParseRpcLine(QByteArrayView line);

// The line for each kind of message, '\n' included.
QByteArray RpcRequestLine(const QJsonValue& id, const QString& method, const QJsonObject& params);
QByteArray RpcNotificationLine(const QString& method, const QJsonObject& params);
QByteArray RpcResponseLine(const QJsonValue& id, const RpcResult& result);

}  // namespace tester
