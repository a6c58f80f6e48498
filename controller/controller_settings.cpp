#include "controller/controller_settings.h"

#include "platform/paths.h"
#include "platform/profile.h"

namespace tester {

ControllerSettings LoadControllerSettings(const std::string& app_folder) {
  ControllerSettings settings;
  const std::string file = NativePath(JoinProgramPath(app_folder, kControllerIniFile));
  const int32_t seconds = profile::ReadInt(file, "Runs", "TimeLimitSeconds", kDefaultRunTimeLimitS);
  if (seconds >= 1 && seconds <= 86400) settings.run_time_limit_ms = seconds * 1000LL;
  return settings;
}

}  // namespace tester
