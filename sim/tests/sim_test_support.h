#pragma once
// Helpers of the virtual-jig tests: jig text for a single pack, and a control with that
// jig's first adapter open on a private lock folder.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/virtual_clock.h"
#include "sim/sim_control.h"
#include "testing/jig_checks.h"
#include "testing/jig_station.h"
#include "testing/scratch_folder.h"

namespace tester::simtest {

using LockDir = test::ScratchFolder;
using test::MustParse;

inline constexpr const char* kAdapterA = "00000000000000000000000000000A01";
inline constexpr const char* kAdapterB = "00000000000000000000000000000B02";

// One adapter holding one pack with the given pack keys (one "key = value" per line).
inline std::string OnePackJig(const std::string& pack_keys) {
  return std::string("[adapter ") + kAdapterA + "]\n[pack test]\n" + pack_keys + "\n";
}

// A control on a private lock folder with the jig's first adapter open.
class SimBench {
public:
  explicit SimBench(const std::string& jig_text) : station_(clock_, MustParse(jig_text)) {
    EXPECT_TRUE(station_.Ok()) << station_.Error();
  }
  SimControl& Control() { return station_.Sim(); }
  PackModel& Pack() { return station_.Pack(); }
  VirtualClock& Clock() { return clock_; }

private:
  VirtualClock clock_;
  test::JigStation station_;
};

}  // namespace tester::simtest
