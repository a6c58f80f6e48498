#include "platform/bus/bus_factory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/virtual_clock.h"

namespace tester {
namespace {

TEST(BusFactory, ParsesEveryBackendSpelling) {
  std::string error;
  auto sim = ParseBusChoice("", error);
  ASSERT_TRUE(sim);
  EXPECT_EQ(sim->kind, BusKind::Sim);
  EXPECT_EQ(sim->file, "");
  EXPECT_EQ(ParseBusChoice("sim", error)->file, "");
  auto jig = ParseBusChoice("sim:/tmp/line3.jig", error);
  ASSERT_TRUE(jig);
  EXPECT_EQ(jig->kind, BusKind::Sim);
  EXPECT_EQ(jig->file, "/tmp/line3.jig");
  auto replay = ParseBusChoice("replay:station4.log", error);
  ASSERT_TRUE(replay);
  EXPECT_EQ(replay->kind, BusKind::Replay);
  EXPECT_EQ(replay->file, "station4.log");
}

TEST(BusFactory, RefusesValuesThatNameNoBackend) {
  for (const char* value : {"i2c", "SIM", "replay:", "sim:", "usb:0"}) {
    std::string error;
    EXPECT_FALSE(ParseBusChoice(value, error)) << value;
    EXPECT_NE(error.find(std::string("TESTER_BUS=") + value), std::string::npos) << error;
  }
}

TEST(BusFactory, ReplayOfAMissingOrBrokenTraceIsAClearError) {
  VirtualClock clock;
  std::string error;
  EXPECT_EQ(MakeGaugeControl({"replay:/nonexistent/trace.log", "", ""}, clock, error), nullptr);
  EXPECT_FALSE(error.empty());

  const auto path = std::filesystem::temp_directory_path() / "bus_factory_broken_trace.log";
  std::ofstream(path) << "0 PutWord cmd=0x00 word=0x0001 addr=0x17 -> 0\n"
                      << "1 Frobnicate x=1\n";
  error.clear();
  EXPECT_EQ(MakeGaugeControl({"replay:" + path.string(), "", ""}, clock, error), nullptr);
  EXPECT_NE(error.find("2"), std::string::npos) << "the error names the bad line: " << error;
  std::filesystem::remove(path);
}

TEST(BusFactory, TraceWrapsTheChosenBackend) {
  VirtualClock clock;
  const auto dir = std::filesystem::temp_directory_path();
  const auto replay_path = dir / "bus_factory_replay.log";
  const auto trace_path = dir / "bus_factory_out.log";
  std::ofstream(replay_path) << "# recorded at a station\n"
                             << "0 GetWord cmd=0x0D addr=0x17 -> 0 word=0x0123\n";
  std::string error;
  auto control =
      MakeGaugeControl({"replay:" + replay_path.string(), trace_path.string(), ""}, clock, error);
  ASSERT_NE(control, nullptr) << error;
  int16_t word = 0;
  EXPECT_EQ(control->GetWord(0x0D, word, 0x17), 0);
  EXPECT_EQ(word, 0x0123);
  control.reset();  // closes the trace
  std::ifstream traced(trace_path);
  std::stringstream text;
  text << traced.rdbuf();
  EXPECT_EQ(text.str(), "0 GetWord cmd=0x0D addr=0x17 -> 0 word=0x0123\n");
  std::filesystem::remove(replay_path);
  std::filesystem::remove(trace_path);
}

}  // namespace
}  // namespace tester
