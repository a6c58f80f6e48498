#pragma once
// RPC transport over two file descriptors: the engine's stdin and stdout, or socket pairs
// and pipes in tests. Reading is driven by a socket notifier on the non-blocking read
// side; writes wait for room in the pipe for at most kWriteStallMs, so a peer that stops
// reading ends the connection instead of freezing this process.
#include <QSocketNotifier>
#include <memory>

#include "platform/automation/rpc_transport.h"

namespace tester {

// Longest wait for a full pipe to take a line before the peer counts as gone.
inline constexpr int kWriteStallMs = 10000;

class FdTransport final : public RpcTransport {
public:
  // Both descriptors become non-blocking (their old flags come back at Close). With
  // `own_fds` they are closed at Close. Ignores SIGPIPE for the whole process, so writing
  // to a peer that is gone is an error to report, not the end of this process.
  FdTransport(int read_fd, int write_fd, bool own_fds);
  ~FdTransport() override;

  void Start(Callbacks callbacks) override;
  bool Write(const QByteArray& bytes) override;
  void Close() override;
  void ReadPending() override;

private:
  void ReadAvailable();
  void Lost(const QString& reason);

  int read_fd_;
  int write_fd_;
  bool own_fds_;
  int read_flags_ = -1;   // flags before we changed them
  int write_flags_ = -1;
  bool open_ = true;
  bool lost_ = false;  // the connection's end has been reported
  Callbacks callbacks_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace tester
