#include "platform/automation/fd_transport.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace tester {
namespace {

constexpr qsizetype kReadChunk = 64 * 1024;

int MakeNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  return flags;
}

void RestoreFlags(int fd, int flags) {
  if (fd >= 0 && flags >= 0) fcntl(fd, F_SETFL, flags);
}

QString ErrnoText(const char* what) {
  return QString("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

}  // namespace

FdTransport::FdTransport(int read_fd, int write_fd, bool own_fds)
    : read_fd_(read_fd), write_fd_(write_fd), own_fds_(own_fds) {
  std::signal(SIGPIPE, SIG_IGN);
  read_flags_ = MakeNonBlocking(read_fd_);
  write_flags_ = MakeNonBlocking(write_fd_);
}

FdTransport::~FdTransport() { Close(); }

void FdTransport::Start(Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  notifier_ = std::make_unique<QSocketNotifier>(read_fd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { ReadAvailable(); });
}

void FdTransport::ReadPending() {
  if (open_ && !lost_) ReadAvailable();
}

void FdTransport::ReadAvailable() {
  QByteArray chunk(kReadChunk, Qt::Uninitialized);
  while (open_ && !lost_) {
    const ssize_t got = ::read(read_fd_, chunk.data(), static_cast<size_t>(chunk.size()));
    if (got > 0) {
      if (callbacks_.received) callbacks_.received(QByteArrayView(chunk.constData(), got));
      continue;
    }
    if (got == 0) return Lost("peer closed the connection");
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return;
    return Lost(ErrnoText("read failed"));
  }
}

bool FdTransport::Write(const QByteArray& bytes) {
  const char* data = bytes.constData();
  qsizetype left = bytes.size();
  while (open_ && left > 0) {
    const ssize_t put = ::write(write_fd_, data, static_cast<size_t>(left));
    if (put > 0) {
      data += put;
      left -= put;
      continue;
    }
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // The peer has not read what we sent before: wait for room, not for ever.
      pollfd room{write_fd_, POLLOUT, 0};
      const int ready = ::poll(&room, 1, kWriteStallMs);
      if (ready > 0 && (room.revents & POLLOUT) != 0) continue;
      if (ready == 0) {
        Lost("peer stopped reading");
        return false;
      }
      if (ready < 0 && errno == EINTR) continue;
    }
    Lost(put < 0 ? ErrnoText("write failed") : QString("peer closed the connection"));
    return false;
  }
  return open_;
}

// Reported once. Writing stays possible until Close, so the answers to requests that
// arrived just before the peer closed its side still go out if it is listening.
void FdTransport::Lost(const QString& reason) {
  if (!open_ || lost_) return;
  lost_ = true;
  if (notifier_) notifier_->setEnabled(false);
  if (callbacks_.closed) callbacks_.closed(reason);
}

void FdTransport::Close() {
  if (!open_) return;
  open_ = false;
  if (notifier_) {
    // We may be inside the notifier's own signal: let the event loop delete it.
    notifier_->setEnabled(false);
    notifier_.release()->deleteLater();
  }
  RestoreFlags(read_fd_, read_flags_);
  RestoreFlags(write_fd_, write_flags_);
  if (own_fds_) {
    ::close(read_fd_);
    if (write_fd_ != read_fd_) ::close(write_fd_);
  }
}

}  // namespace tester
