#pragma once
// Helpers of the virtual-jig tests: a private lock directory per test, jig text for a
// single pack, and a control with that jig's first adapter open.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/virtual_clock.h"
#include "sim/sim_control.h"

namespace tester::simtest {

// A fresh lock directory, removed again at the end of the test.
class LockDir {
public:
  LockDir() {
    char pattern[] = "/tmp/sim-test-locks-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    path_ = made != nullptr ? made : "";
  }
  ~LockDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& Path() const { return path_; }

private:
  std::string path_;
};

inline constexpr const char* kAdapterA = "00000000000000000000000000000A01";
inline constexpr const char* kAdapterB = "00000000000000000000000000000B02";

// One adapter holding one pack with the given pack keys (one "key = value" per line).
inline std::string OnePackJig(const std::string& pack_keys) {
  return std::string("[adapter ") + kAdapterA + "]\n[pack test]\n" + pack_keys + "\n";
}

inline JigDescription MustParse(const std::string& text) {
  std::string error;
  auto jig = ParseJigText(text, error);
  EXPECT_TRUE(jig.has_value()) << error;
  return jig.value_or(JigDescription{});
}

// A control on a private lock directory with the jig's first adapter open.
class SimBench {
public:
  explicit SimBench(const std::string& jig_text) {
    std::string error;
    control_ = MakeSimControl(MustParse(jig_text), locks_.Path(), clock_, error);
    EXPECT_TRUE(control_) << error;
    if (control_ && !control_->Jig().adapters.empty()) {
      EXPECT_EQ(control_->OpenAdapter(control_->Jig().adapters[0].identifier), 0);
    }
  }
  SimControl& Control() { return *control_; }
  PackModel& Pack() { return *control_->Pack(); }
  VirtualClock& Clock() { return clock_; }

private:
  LockDir locks_;
  VirtualClock clock_;
  std::unique_ptr<SimControl> control_;
};

}  // namespace tester::simtest
