#include "platform/automation/rpc_line_buffer.h"

namespace tester {

void RpcLineBuffer::Append(QByteArrayView bytes) {
  while (!bytes.isEmpty()) {
    const qsizetype newline = bytes.indexOf('\n');
    const QByteArrayView piece = newline < 0 ? bytes : bytes.first(newline);
    if (!discarding_) {
      if (partial_.size() + piece.size() > max_line_) {
        discarding_ = true;
        partial_.clear();
        partial_.squeeze();
      } else {
        partial_.append(piece);
      }
    }
    if (newline < 0) return;
    if (discarding_) {
      lines_.push_back(RpcLine{{}, true});
    } else {
      lines_.push_back(RpcLine{partial_, false});
    }
    partial_.clear();
    discarding_ = false;
    bytes = bytes.sliced(newline + 1);
  }
}

std::optional<RpcLine> RpcLineBuffer::TakeLine() {
  if (lines_.empty()) return std::nullopt;
  RpcLine line = std::move(lines_.front());
  lines_.pop_front();
  return line;
}

}  // namespace tester
