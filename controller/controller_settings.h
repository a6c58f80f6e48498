#pragma once
// The controller's own settings, in gangwright.ini of the application folder:
//   [Runs]
//   TimeLimitSeconds=300   a run not completed this long after its start is completed as
//                          ERROR and its engine ended (1 to 86400)
// A run's mandated waits (settle times, loader waits, polls) come to well under a minute
// on every target of the demo; 300 s leaves room for slow packs and a busy machine while
// a hung station still frees the start button within minutes.
#include <cstdint>
#include <string>

namespace tester {

inline constexpr const char* kControllerIniFile = "gangwright.ini";
inline constexpr int32_t kDefaultRunTimeLimitS = 300;

struct ControllerSettings {
  int64_t run_time_limit_ms = kDefaultRunTimeLimitS * 1000LL;
};

// Reads gangwright.ini of `app_folder`; a missing file or key, or a value out of range,
// gives the default.
ControllerSettings LoadControllerSettings(const std::string& app_folder);

}  // namespace tester
