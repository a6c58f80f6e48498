#include "platform/bus/station_runtime.h"

#include <gtest/gtest.h>

namespace tester {
namespace {

TEST(StationRuntime, RefusesUnknownClocksAndBackendsWithTheirNames) {
  std::string error;
  EXPECT_FALSE(MakeStationRuntime({"", "", "fast"}, error));
  EXPECT_NE(error.find("TESTER_CLOCK=fast"), std::string::npos) << error;
  error.clear();
  EXPECT_FALSE(MakeStationRuntime({"usb:0", "", "virtual"}, error));
  EXPECT_NE(error.find("TESTER_BUS=usb:0"), std::string::npos) << error;
}

TEST(StationRuntime, RealAdaptersRefuseTheVirtualClock) {
  std::string error;
  EXPECT_FALSE(MakeStationRuntime({"i2c-dev", "", "virtual"}, error));
  EXPECT_NE(error.find("real adapters need the real clock"), std::string::npos) << error;
}

TEST(StationRuntime, VirtualClockWithTheDefaultJig) {
  std::string error;
  auto runtime = MakeStationRuntime({"sim", "", "virtual"}, error);
  ASSERT_TRUE(runtime) << error;
  const int64_t before = runtime->pump->Now();
  runtime->pump->WaitMs(60'000);  // a minute of station time, no real time
  EXPECT_EQ(runtime->pump->Now() - before, 60'000'000);
  int32_t count = 0;
  std::string names;
  runtime->control->ListAdapters(16, count, names);
  EXPECT_EQ(count, 4);
}

}  // namespace
}  // namespace tester
