#include "platform/automation/process_transport.h"

namespace tester {

void ProcessTransport::Start(Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  QObject::connect(&process_, &QProcess::readyReadStandardOutput, &context_,
                   [this] { ReadPending(); });
  QObject::connect(&process_, &QProcess::finished, &context_,
                   [this](int exit_code, QProcess::ExitStatus status) {
                     ReadPending();
                     Lost(status == QProcess::CrashExit
                              ? QString("engine crashed")
                              : QString("engine ended with exit code %1").arg(exit_code));
                   });
  QObject::connect(&process_, &QProcess::errorOccurred, &context_,
                   [this](QProcess::ProcessError error) {
                     if (error == QProcess::FailedToStart) {
                       Lost("engine could not be started: " + process_.errorString());
                     }
                   });
}

void ProcessTransport::ReadPending() {
  if (!open_) return;
  const QByteArray bytes = process_.readAllStandardOutput();
  if (!bytes.isEmpty() && callbacks_.received) callbacks_.received(bytes);
}

bool ProcessTransport::Write(const QByteArray& bytes) {
  if (!open_ || lost_) return false;
  if (process_.state() != QProcess::Running || process_.write(bytes) != bytes.size()) {
    Lost("engine is not running");
    return false;
  }
  return true;
}

void ProcessTransport::Lost(const QString& reason) {
  if (!open_ || lost_) return;
  lost_ = true;
  if (callbacks_.closed) callbacks_.closed(reason);
}

void ProcessTransport::Close() {
  if (!open_) return;
  open_ = false;
  QObject::disconnect(&process_, nullptr, &context_, nullptr);
}

}  // namespace tester
