#pragma once
// One side of a JSON-RPC connection. Incoming requests go to a table of methods,
// notifications to one handler; outgoing calls wait for their response while serving the
// event loop, so requests and notifications that arrive meanwhile are handled re-entrantly
// (an engine busy in a synchronous run still answers at every wait). One thread, no
// workers.
//
// Every call has a time-out. When the connection ends (the peer closed it, its process
// ended) every pending call fails at once with kRpcConnectionLost, and the closed handler
// runs once.
//
// Do not destroy an endpoint from inside one of its own handlers; a handler that must end
// the connection calls Close.
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>

#include "platform/automation/rpc_line_buffer.h"
#include "platform/automation/rpc_message.h"
#include "platform/automation/rpc_transport.h"

class QEventLoop;

namespace tester {

class RpcEndpoint {
public:
  // A method's handler: its named parameters in, its result or error out. An exception
  // escaping it is answered as kRpcCallFailed with the exception's text.
  using MethodHandler = std::function<RpcResult(const QJsonObject& params)>;
  using NotificationHandler =
      std::function<void(const QString& method, const QJsonObject& params)>;
  using ClosedHandler = std::function<void(const QString& reason)>;

  explicit RpcEndpoint(std::unique_ptr<RpcTransport> transport);
  ~RpcEndpoint();
  RpcEndpoint(const RpcEndpoint&) = delete;
  RpcEndpoint& operator=(const RpcEndpoint&) = delete;

  void SetMethod(const QString& name, MethodHandler handler);
  void SetNotificationHandler(NotificationHandler handler);
  void SetClosedHandler(ClosedHandler handler);
  // Starts reading; handlers run from the event loop from now on.
  void Start();

  // Sends a request and waits up to `timeout_ms` for its response, serving events.
  RpcResult Call(const QString& method, const QJsonObject& params, int timeout_ms);
  // Sends a notification; false when the connection is gone.
  bool Notify(const QString& method, const QJsonObject& params);
  // Ends the connection: pending calls fail with `reason`, the closed handler runs.
  void Close(const QString& reason);

  bool IsOpen() const { return open_; }
  const QString& CloseReason() const { return close_reason_; }
  // Calls waiting for their response now (nested waits count each).
  size_t PendingCalls() const { return pending_.size(); }

private:
  struct PendingCall {
    bool done = false;
    RpcResult result;
    QEventLoop* loop = nullptr;
  };

  void Received(QByteArrayView bytes);
  void Drain();
  void HandleLine(const RpcLine& line);
  void HandleRequest(const RpcMessage& message);
  void HandleNotification(const RpcMessage& message);
  void HandleResponse(const RpcMessage& message);
  static void Finish(const std::shared_ptr<PendingCall>& call, RpcResult result);
  void Send(const QByteArray& line);

  std::unique_ptr<RpcTransport> transport_;
  RpcLineBuffer buffer_;
  std::map<QString, MethodHandler> methods_;
  NotificationHandler on_notification_;
  ClosedHandler on_closed_;
  std::map<qint64, std::shared_ptr<PendingCall>> pending_;
  qint64 next_id_ = 1;
  bool open_ = true;
  bool closing_ = false;  // the peer has gone; its last lines are being handled
  QString close_reason_;
  QObject context_;  // receiver of posted work; nothing runs after the endpoint is gone
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tester
