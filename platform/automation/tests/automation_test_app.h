#pragma once
// The Qt application the automation tests need for their event loop (one per process).
#include <QCoreApplication>

namespace tester {

inline void EnsureQtApp() {
  static int argc = 1;
  static char name[] = "automation_tests";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
}

}  // namespace tester
