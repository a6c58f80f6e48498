#pragma once
// Typed reading of a call's named parameters with the checks the wire needs: a value of
// the wrong JSON type, a fraction where a whole number is due, or a number outside the
// member's integer width is refused (never wrapped or cast into undefined behaviour). The
// first problem is kept and becomes the call's kRpcInvalidParams answer.
#include <QJsonObject>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/automation/rpc_message.h"

namespace tester {

class RpcParams {
public:
  explicit RpcParams(const QJsonObject& params) : params_(params) {}

  std::string String(const char* name);
  int32_t Int32(const char* name);
  int16_t Int16(const char* name);
  // A finite number within single precision's range, rounded to single precision.
  float Float(const char* name);
  bool Bool(const char* name);
  // A variant that converts to a truth value: true, false, null or absent (nullopt), or a
  // number (nonzero = true).
  std::optional<bool> VariantBool(const char* name);

  bool ok() const { return error_.isEmpty(); }
  RpcResult Error() const { return RpcResult::Error(kRpcInvalidParams, error_); }

private:
  // The value of `name` when present; records "missing" otherwise.
  std::optional<QJsonValue> Get(const char* name);
  std::optional<int64_t> Integer(const char* name, int64_t low, int64_t high);
  void Fail(const char* name, const char* what);

  QJsonObject params_;
  QString error_;
};

}  // namespace tester
