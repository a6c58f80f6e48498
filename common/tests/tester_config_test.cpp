#include "common/tester_config.h"
#include "testing/memory_tester_config.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace tester {
namespace {

TEST(ConfigFlags, OnlyOneCountsAsOn) {
  EXPECT_TRUE(IsFlagOn(1));
  EXPECT_FALSE(IsFlagOn(0));
  EXPECT_FALSE(IsFlagOn(-1));  // a stored truth value True is not "on"
  EXPECT_FALSE(IsFlagOn(2));
  EXPECT_FALSE(IsFlagOn(257));
}

TEST(ConfigFlags, UseCurrentDateComparesLowByteOnly) {
  EXPECT_TRUE(IsLowByteOn(1));
  EXPECT_TRUE(IsLowByteOn(0x0101));
  EXPECT_TRUE(IsLowByteOn(static_cast<int16_t>(0xFF01)));
  EXPECT_FALSE(IsLowByteOn(-1));  // low byte 0xFF
  EXPECT_FALSE(IsLowByteOn(0x0100));
  EXPECT_FALSE(IsLowByteOn(0));
}

TEST(ConfigFlags, TruthValueWrittenAsOne) {
  EXPECT_TRUE(IsFlagOn(FlagValue(true)));
  EXPECT_FALSE(IsFlagOn(FlagValue(false)));
  EXPECT_TRUE(IsLowByteOn(FlagValue(true)));
}

// The widths the programs rely on: run-code-sized numbers and reference values are 32-bit,
// flags and ordinary integers 16-bit, the reference temperature single precision.
using P = TesterConfigProperties;
static_assert(std::is_same_v<decltype(P::NextSerialNumber), int32_t>);
static_assert(std::is_same_v<decltype(P::MfrDataValue), int32_t>);
static_assert(std::is_same_v<decltype(P::RefVoltage1), int32_t>);
static_assert(std::is_same_v<decltype(P::RefVoltage4), int32_t>);
static_assert(std::is_same_v<decltype(P::RefCurrent), int32_t>);
static_assert(std::is_same_v<decltype(P::RefTemperature), float>);
static_assert(std::is_same_v<decltype(P::MfrDateCode), int16_t>);
static_assert(std::is_same_v<decltype(P::UseCurrentDate), int16_t>);
static_assert(std::is_same_v<decltype(P::IntSensorAddress), int16_t>);

// A store that keeps nothing: enough to see the interface is implementable and what a fresh
// object reads before any load.
using BlankConfig = MemoryTesterConfig;

TEST(TesterConfigProperties, BeforeAnyLoadEveryFlagIsOff) {
  BlankConfig config;
  const TesterConfig& view = config;
  for (int16_t flag : {view.ProgramDataFlash, view.CalCCOffset, view.VoltageCalEnabled,
                       view.TemperatureCalEnabled, view.CurrentCalEnabled, view.TS1CalEnabled,
                       view.TS2CalEnabled, view.TS3CalEnabled, view.TS4CalEnabled,
                       view.IntTSCalEnabled, view.CalBoardOffset, view.CalSimultaneous,
                       view.WriteMfrDate, view.WriteMfrData, view.WriteSerialNumber,
                       view.NoSerialOnFail, view.UseCurrentDate, view.CheckIntSensor,
                       view.CalBoardOffsetAlt}) {
    EXPECT_FALSE(IsFlagOn(flag));
  }
  EXPECT_TRUE(view.IniFile.empty());
  EXPECT_EQ(view.RefTemperature, 0.0f);
}

}  // namespace
}  // namespace tester
