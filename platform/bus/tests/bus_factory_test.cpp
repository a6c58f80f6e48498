#include "platform/bus/bus_factory.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "platform/virtual_clock.h"
#include "testing/scratch_folder.h"

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
  auto i2c = ParseBusChoice("i2c-dev", error);
  ASSERT_TRUE(i2c);
  EXPECT_TRUE(i2c->Hardware());
  EXPECT_FALSE(replay->Hardware());
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

  const test::ScratchFolder dir;
  const std::string path = dir.Write("broken_trace.log",
                                     "0 PutWord cmd=0x00 word=0x0001 addr=0x17 -> 0\n"
                                     "1 Frobnicate x=1\n");
  error.clear();
  EXPECT_EQ(MakeGaugeControl({"replay:" + path, "", ""}, clock, error), nullptr);
  EXPECT_NE(error.find("2"), std::string::npos) << "the error names the bad line: " << error;
}

TEST(BusFactory, TraceWrapsTheChosenBackend) {
  VirtualClock clock;
  const test::ScratchFolder dir;
  const std::string replay_path = dir.Write("replay.log",
                                            "# recorded at a station\n"
                                            "0 GetWord cmd=0x0D addr=0x17 -> 0 word=0x0123\n");
  std::string error;
  auto control = MakeGaugeControl({"replay:" + replay_path, dir.File("out.log"), ""}, clock, error);
  ASSERT_NE(control, nullptr) << error;
  int16_t word = 0;
  EXPECT_EQ(control->GetWord(0x0D, word, 0x17), 0);
  EXPECT_EQ(word, 0x0123);
  control.reset();  // closes the trace
  EXPECT_EQ(dir.Read("out.log"), "0 GetWord cmd=0x0D addr=0x17 -> 0 word=0x0123\n");
}

}  // namespace
}  // namespace tester
