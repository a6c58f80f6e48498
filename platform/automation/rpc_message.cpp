#include "platform/automation/rpc_message.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <cmath>

namespace tester {
namespace {

constexpr const char* kVersion = "2.0";  // the "jsonrpc" member every message carries

RpcParsed Failure(int code, const QString& message, const QJsonValue& reply_id = QJsonValue(),
                  bool answer = true) {
  RpcParsed parsed;
  parsed.error = RpcError{code, message};
  parsed.reply_id = reply_id;
  parsed.answer = answer;
  return parsed;
}

// An id we can answer to: a string, or an integer JSON can carry exactly.
bool IsValidId(const QJsonValue& id) {
  if (id.isString()) return true;
  if (!id.isDouble()) return false;
  const double value = id.toDouble();
  return std::isfinite(value) && std::trunc(value) == value && std::fabs(value) <= kRpcMaxIntegerId;
}

RpcParsed ParseCall(const QJsonObject& object) {
  const bool has_id = object.contains("id");
  const QJsonValue id = object.value("id");
  if (has_id && !IsValidId(id)) {
    return Failure(kRpcInvalidRequest, "id must be an integer or a string");
  }
  const QJsonValue reply_id = has_id ? id : QJsonValue();
  const QJsonValue method = object.value("method");
  if (!method.isString() || method.toString().isEmpty()) {
    return Failure(kRpcInvalidRequest, "method must be a non-empty string", reply_id, has_id);
  }
  RpcParsed parsed;
  parsed.ok = true;
  parsed.message.kind = has_id ? RpcKind::kRequest : RpcKind::kNotification;
  parsed.message.id = reply_id;
  parsed.message.method = method.toString();
  if (object.contains("params")) {
    const QJsonValue params = object.value("params");
    if (params.isArray()) {
      return Failure(kRpcInvalidParams, "params must be an object of named parameters",
                     reply_id, has_id);
    }
    if (!params.isObject()) {
      return Failure(kRpcInvalidRequest, "params must be an object", reply_id, has_id);
    }
    parsed.message.params = params.toObject();
  }
  return parsed;
}

// A broken response is dropped, never answered: answering it could start an endless
// exchange of errors between two confused peers.
RpcParsed ParseResponse(const QJsonObject& object) {
  const QJsonValue id = object.value("id");
  const bool has_result = object.contains("result");
  const bool has_error = object.contains("error");
  // An error may answer a line whose id could not be read: its id is null.
  if (!IsValidId(id) && !(has_error && id.isNull())) {
    return Failure(kRpcInvalidRequest, "response without a valid id", {}, false);
  }
  if (has_result == has_error) {
    return Failure(kRpcInvalidRequest, "response needs exactly one of result and error", {}, false);
  }
  RpcParsed parsed;
  parsed.message.kind = RpcKind::kResponse;
  parsed.message.id = id;
  if (has_result) {
    parsed.ok = true;
    parsed.message.response = RpcResult::Value(object.value("result"));
    return parsed;
  }
  const QJsonValue error = object.value("error");
  const QJsonValue code = error.toObject().value("code");
  const QJsonValue message = error.toObject().value("message");
  if (!error.isObject() || !IsValidId(code) || code.isString() || !message.isString()) {
    return Failure(kRpcInvalidRequest, "error needs an integer code and a message", {}, false);
  }
  const double code_value = code.toDouble();
  if (code_value < INT32_MIN || code_value > INT32_MAX) {
    return Failure(kRpcInvalidRequest, "error code out of range", {}, false);
  }
  parsed.ok = true;
  parsed.message.response = RpcResult::Error(static_cast<int>(code_value), message.toString());
  return parsed;
}

QByteArray Line(const QJsonObject& object) {
  return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

}  // namespace

RpcParsed ParseRpcLine(QByteArrayView line) {
  if (line.endsWith('\r')) line.chop(1);
  if (line.size() > kRpcMaxLineBytes) return Failure(kRpcParseError, "line too long");
  if (line.contains('\0')) return Failure(kRpcParseError, "line contains a NUL byte");
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray(), &error);
  if (error.error != QJsonParseError::NoError) {
    return Failure(kRpcParseError, "not JSON: " + error.errorString());
  }
  if (document.isArray()) return Failure(kRpcInvalidRequest, "batches are not supported");
  if (!document.isObject()) return Failure(kRpcInvalidRequest, "not a JSON object");
  const QJsonObject object = document.object();
  if (object.value("jsonrpc") != QJsonValue(kVersion)) {
    const QJsonValue id = object.value("id");
    const bool request = object.contains("method") && IsValidId(id);
    return Failure(kRpcInvalidRequest, "jsonrpc must be \"2.0\"", request ? id : QJsonValue(),
                   !object.contains("result") && !object.contains("error"));
  }
  if (object.contains("method")) return ParseCall(object);
  if (object.contains("result") || object.contains("error")) return ParseResponse(object);
  return Failure(kRpcInvalidRequest, "neither a call nor a response");
}

QByteArray RpcRequestLine(const QJsonValue& id, const QString& method, const QJsonObject& params) {
  return Line({{"jsonrpc", kVersion}, {"id", id}, {"method", method}, {"params", params}});
}

QByteArray RpcNotificationLine(const QString& method, const QJsonObject& params) {
  return Line({{"jsonrpc", kVersion}, {"method", method}, {"params", params}});
}

QByteArray RpcResponseLine(const QJsonValue& id, const RpcResult& result) {
  if (result.ok) return Line({{"jsonrpc", kVersion}, {"id", id}, {"result", result.value}});
  const QJsonObject error{{"code", result.error.code}, {"message", result.error.message}};
  return Line({{"jsonrpc", kVersion}, {"id", id}, {"error", error}});
}

}  // namespace tester
