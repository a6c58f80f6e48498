#include "platform/automation/rpc_endpoint.h"

#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <exception>

namespace tester {
namespace {

// Handlers of notifications cannot answer; what goes wrong in them is only reported.
void Diagnose(const QString& text) {
  std::fprintf(stderr, "automation: %s\n", text.toLocal8Bit().constData());
}

template <typename Function>
RpcResult Guarded(Function&& function) {
  try {
    return function();
  } catch (const std::exception& error) {
    return RpcResult::Error(kRpcCallFailed, QString::fromUtf8(error.what()));
  } catch (...) {
    return RpcResult::Error(kRpcCallFailed, "the call failed with an unknown error");
  }
}

}  // namespace

RpcEndpoint::RpcEndpoint(std::unique_ptr<RpcTransport> transport)
    : transport_(std::move(transport)) {}

RpcEndpoint::~RpcEndpoint() {
  *alive_ = false;
  transport_->Close();
  // Waits still running on the stack return at once and touch nothing of ours.
  for (auto& [id, call] : pending_) {
    call->done = true;
    call->result = RpcResult::Error(kRpcConnectionLost, "connection closed");
    if (call->loop != nullptr) call->loop->quit();
  }
}

void RpcEndpoint::SetMethod(const QString& name, MethodHandler handler) {
  methods_[name] = std::move(handler);
}

void RpcEndpoint::SetNotificationHandler(NotificationHandler handler) {
  on_notification_ = std::move(handler);
}

void RpcEndpoint::SetClosedHandler(ClosedHandler handler) { on_closed_ = std::move(handler); }

void RpcEndpoint::Start() {
  transport_->Start({[this](QByteArrayView bytes) { Received(bytes); },
                     [this](const QString& reason) {
                       // What the peer sent before it went is still handled, but a handler
                       // calling back now fails at once instead of waiting for nothing.
                       closing_ = true;
                       Drain();
                       Close(reason);
                     }});
}

// Bytes come in from the transport's signal; lines are handled from a posted event, so
// the transport's signal has returned before a handler starts a nested wait of its own.
void RpcEndpoint::Received(QByteArrayView bytes) {
  buffer_.Append(bytes);
  QMetaObject::invokeMethod(&context_, [this] { Drain(); }, Qt::QueuedConnection);
}

void RpcEndpoint::Drain() {
  const std::shared_ptr<bool> alive = alive_;
  while (*alive && open_) {
    std::optional<RpcLine> line = buffer_.TakeLine();
    if (!line) return;
    HandleLine(*line);
  }
}

void RpcEndpoint::HandleLine(const RpcLine& line) {
  if (line.too_long) {
    Send(RpcResponseLine(QJsonValue(), RpcResult::Error(kRpcParseError, "line too long")));
    return;
  }
  if (line.text.trimmed().isEmpty()) return;  // blank lines are allowed between messages
  const RpcParsed parsed = ParseRpcLine(line.text);
  if (!parsed.ok) {
    if (parsed.answer) {
      Send(RpcResponseLine(parsed.reply_id,
                           RpcResult::Error(parsed.error.code, parsed.error.message)));
    } else {
      Diagnose("dropped a message: " + parsed.error.message);
    }
    return;
  }
  switch (parsed.message.kind) {
    case RpcKind::kRequest: return HandleRequest(parsed.message);
    case RpcKind::kNotification: return HandleNotification(parsed.message);
    case RpcKind::kResponse: return HandleResponse(parsed.message);
  }
}

void RpcEndpoint::HandleRequest(const RpcMessage& message) {
  const auto found = methods_.find(message.method);
  if (found == methods_.end()) {
    Send(RpcResponseLine(message.id, RpcResult::Error(kRpcMethodNotFound,
                                                      "no method " + message.method)));
    return;
  }
  const MethodHandler handler = found->second;  // the table may change during the call
  const std::shared_ptr<bool> alive = alive_;
  const RpcResult result = Guarded([&] { return handler(message.params); });
  if (*alive) Send(RpcResponseLine(message.id, result));
}

void RpcEndpoint::HandleNotification(const RpcMessage& message) {
  if (!on_notification_) return;
  const NotificationHandler handler = on_notification_;
  const RpcResult outcome = Guarded([&] {
    handler(message.method, message.params);
    return RpcResult::Value(QJsonValue());
  });
  if (!outcome.ok) Diagnose(message.method + " failed: " + outcome.error.message);
}

void RpcEndpoint::HandleResponse(const RpcMessage& message) {
  const auto found = message.id.isDouble() ? pending_.find(message.id.toInteger())
                                           : pending_.end();
  if (found == pending_.end()) {
    Diagnose("dropped a response to no pending call (late after a time-out?)");
    return;
  }
  Finish(found->second, message.response);
}

void RpcEndpoint::Finish(const std::shared_ptr<PendingCall>& call, RpcResult result) {
  if (call->done) return;
  call->done = true;
  call->result = std::move(result);
  if (call->loop != nullptr) call->loop->quit();
}

RpcResult RpcEndpoint::Call(const QString& method, const QJsonObject& params, int timeout_ms) {
  if (!open_) return RpcResult::Error(kRpcConnectionLost, close_reason_);
  if (closing_) return RpcResult::Error(kRpcConnectionLost, "the peer is closing the connection");
  const qint64 id = next_id_++;
  auto call = std::make_shared<PendingCall>();
  pending_[id] = call;
  Send(RpcRequestLine(id, method, params));  // a failed write closes and fails the call
  if (!call->done) {
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, [this, call, method, timeout_ms] {
      Finish(call, RpcResult::Error(kRpcTimedOut, QString("%1 got no answer within %2 ms")
                                                      .arg(method)
                                                      .arg(timeout_ms)));
    });
    call->loop = &loop;
    timer.start(timeout_ms < 0 ? 0 : timeout_ms);
    const std::shared_ptr<bool> alive = alive_;
    loop.exec();
    call->loop = nullptr;
    if (!*alive) return call->result;
  }
  pending_.erase(id);  // a response arriving after a time-out finds nothing to finish
  return call->result;
}

bool RpcEndpoint::Notify(const QString& method, const QJsonObject& params) {
  Send(RpcNotificationLine(method, params));
  return open_;
}

void RpcEndpoint::Send(const QByteArray& line) {
  if (open_) transport_->Write(line);  // on failure the transport reports the close
}

void RpcEndpoint::Close(const QString& reason) {
  if (!open_) return;
  open_ = false;
  close_reason_ = reason;
  transport_->Close();
  for (auto& [id, call] : pending_) {
    Finish(call, RpcResult::Error(kRpcConnectionLost, reason));
  }
  if (on_closed_) {
    const ClosedHandler handler = on_closed_;
    handler(reason);
  }
}

}  // namespace tester
