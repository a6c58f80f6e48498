#include "platform/automation/rpc_params.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace tester {

void RpcParams::Fail(const char* name, const char* what) {
  if (error_.isEmpty()) error_ = QString("parameter %1 %2").arg(name, what);
}

std::optional<QJsonValue> RpcParams::Get(const char* name) {
  if (!params_.contains(name)) {
    Fail(name, "is missing");
    return std::nullopt;
  }
  return params_.value(name);
}

std::string RpcParams::String(const char* name) {
  const std::optional<QJsonValue> value = Get(name);
  if (!value) return {};
  if (!value->isString()) {
    Fail(name, "must be a string");
    return {};
  }
  return value->toString().toStdString();
}

std::optional<int64_t> RpcParams::Integer(const char* name, int64_t low, int64_t high) {
  const std::optional<QJsonValue> value = Get(name);
  if (!value) return std::nullopt;
  const double number = value->toDouble();
  if (!value->isDouble() || !std::isfinite(number) || std::trunc(number) != number) {
    Fail(name, "must be a whole number");
    return std::nullopt;
  }
  if (number < static_cast<double>(low) || number > static_cast<double>(high)) {
    Fail(name, "is out of range");
    return std::nullopt;
  }
  return static_cast<int64_t>(number);
}

int32_t RpcParams::Int32(const char* name) {
  return static_cast<int32_t>(Integer(name, std::numeric_limits<int32_t>::min(),
                                      std::numeric_limits<int32_t>::max())
                                  .value_or(0));
}

int16_t RpcParams::Int16(const char* name) {
  return static_cast<int16_t>(Integer(name, std::numeric_limits<int16_t>::min(),
                                      std::numeric_limits<int16_t>::max())
                                  .value_or(0));
}

float RpcParams::Float(const char* name) {
  const std::optional<QJsonValue> value = Get(name);
  if (!value) return 0.0F;
  const double number = value->toDouble();
  if (!value->isDouble() || !std::isfinite(number) || std::fabs(number) > FLT_MAX) {
    Fail(name, "must be a number within single precision");
    return 0.0F;
  }
  return static_cast<float>(number);
}

bool RpcParams::Bool(const char* name) {
  const std::optional<QJsonValue> value = Get(name);
  if (!value) return false;
  if (!value->isBool()) {
    Fail(name, "must be true or false");
    return false;
  }
  return value->toBool();
}

std::optional<bool> RpcParams::VariantBool(const char* name) {
  const QJsonValue value = params_.value(name);  // absent reads as undefined
  if (value.isUndefined() || value.isNull()) return std::nullopt;
  if (value.isBool()) return value.toBool();
  if (value.isDouble() && std::isfinite(value.toDouble())) return value.toDouble() != 0.0;
  Fail(name, "must be true, false, null or a number");
  return std::nullopt;
}

}  // namespace tester
