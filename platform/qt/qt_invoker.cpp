#include "platform/qt/qt_invoker.h"

#include <QTimer>

#include <utility>

namespace tester {

void QtInvoker::InvokeAfterMs(int ms, std::function<void()> call) {
  QTimer::singleShot(ms, [call = std::move(call)] { call(); });
}

}  // namespace tester
