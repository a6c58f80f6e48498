#pragma once
// The Qt application tests need for an event loop (one per process, never destroyed). For
// test programs that link Qt; the rest of testing/ needs none.
#include <QCoreApplication>

namespace tester {

inline void EnsureQtApp() {
  static int argc = 1;
  static char name[] = "tester_tests";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
}

}  // namespace tester
