#pragma once
// Where the virtual jig's adapters are claimed (platform/adapter_claim.h) and keep the
// identifiers written to them (sim/adapter_id_store.h).
#include <string>

namespace tester {

// $TESTER_SIM_LOCKS, else /tmp/tester-sim-locks-<uid>.
std::string DefaultLockDirectory();

}  // namespace tester
