#pragma once
// RPC transport over a child process's stdin (our writes) and stdout (what it sends). The
// process ending, crashing or closing its stdout ends the connection at once, with a
// reason naming what happened.
#include <QObject>
#include <QProcess>

#include "platform/automation/rpc_transport.h"

namespace tester {

class ProcessTransport final : public RpcTransport {
public:
  // `process` outlives the transport; it may be started before or after Start.
  explicit ProcessTransport(QProcess& process) : process_(process) {}
  ~ProcessTransport() override { Close(); }

  void Start(Callbacks callbacks) override;
  bool Write(const QByteArray& bytes) override;
  void Close() override;
  void ReadPending() override;

private:
  void Lost(const QString& reason);

  QProcess& process_;
  Callbacks callbacks_;
  bool open_ = true;
  bool lost_ = false;  // the connection's end has been reported
  QObject context_;  // receiver of the process's signals; disconnected at Close
};

}  // namespace tester
