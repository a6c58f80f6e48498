#pragma once
// Cuts the byte stream of a connection into lines. A line longer than kRpcMaxLineBytes is
// not kept: its bytes are dropped as they arrive and it comes out as one "too long" mark,
// so a peer sending megabytes without a newline cannot make us hold them.
#include <QByteArray>
#include <QByteArrayView>
#include <deque>
#include <optional>

#include "platform/automation/rpc_message.h"

namespace tester {

struct RpcLine {
  QByteArray text;        // without '\n'
  bool too_long = false;  // text is empty then
};

class RpcLineBuffer {
public:
  explicit RpcLineBuffer(qsizetype max_line = kRpcMaxLineBytes) : max_line_(max_line) {}

  void Append(QByteArrayView bytes);
  // The oldest complete line, if any. Lines are taken out before they are handled, so a
  // handler that receives more bytes meanwhile (nested event loop) finds the rest intact.
  std::optional<RpcLine> TakeLine();
  // Bytes of an unfinished line (at end of stream they are dropped: a message is only
  // complete with its '\n').
  qsizetype PendingBytes() const { return partial_.size(); }

private:
  qsizetype max_line_;
  QByteArray partial_;
  bool discarding_ = false;  // inside a line already known to be too long
  std::deque<RpcLine> lines_;
};

}  // namespace tester
