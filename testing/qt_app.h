#pragma once
// The Qt application tests need for an event loop (one per process, never destroyed), and
// serving that loop while real engine processes answer. For test programs that link Qt;
// the rest of testing/ needs none.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace tester {

inline void EnsureQtApp() {
  static int argc = 1;
  static char name[] = "tester_tests";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
}

// Serves the event loop until `done` holds; false when `limit_ms` of real time passed (a
// child process runs on its own clock).
inline bool PumpUntil(const std::function<bool()>& done, int limit_ms) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!done()) {
    if (elapsed.elapsed() > limit_ms) return false;
    QEventLoop loop;
    QTimer::singleShot(5, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

}  // namespace tester
