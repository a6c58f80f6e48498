#include "sim/sim_lock_dir.h"

#include <unistd.h>

#include <cstdlib>

namespace tester {

std::string DefaultLockDirectory() {
  const char* env = std::getenv("TESTER_SIM_LOCKS");
  if (env != nullptr && *env != '\0') return env;
  return "/tmp/tester-sim-locks-" + std::to_string(::getuid());
}

}  // namespace tester
