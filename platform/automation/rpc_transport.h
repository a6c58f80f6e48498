#pragma once
// The byte pipe under an RPC endpoint: delivers what arrives, writes whole lines, and says
// once when the connection is gone. Implementations: a pair of file descriptors (the
// engine's stdin/stdout, socket pairs in tests) and a child process's stdin/stdout.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>

namespace tester {

class RpcTransport {
public:
  struct Callbacks {
    std::function<void(QByteArrayView bytes)> received;
    // Called at most once; no `received` follows it.
    std::function<void(const QString& reason)> closed;
  };

  virtual ~RpcTransport() = default;
  // Starts delivering through `callbacks` (from the event loop, never from inside Start).
  virtual void Start(Callbacks callbacks) = 0;
  // Writes all of `bytes` or reports the connection closed (false; `closed` follows).
  virtual bool Write(const QByteArray& bytes) = 0;
  // Stops reading and writing; no callback afterwards.
  virtual void Close() = 0;
  // Delivers whatever has arrived and not yet been delivered (used before acting on a
  // close, so a last response sent just before the peer ended is not lost).
  virtual void ReadPending() = 0;
};

}  // namespace tester
