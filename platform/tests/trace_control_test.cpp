#include "platform/trace_control.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/tests/trace_test_support.h"
#include "platform/virtual_clock.h"
#include "testing/scratch_folder.h"

namespace tester {
namespace {

using testing_support::FixedGauge;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class TracingControlTest : public ::testing::Test {
protected:
  std::string TempPath(const std::string& name) const { return scratch.File(name); }

  // Wraps a FixedGauge; `gauge` stays usable to change its answers.
  std::unique_ptr<TracingControl> Wrap(const std::string& path) {
    auto inner = std::make_unique<FixedGauge>();
    gauge = inner.get();
    return std::make_unique<TracingControl>(std::move(inner), clock, path);
  }

  test::ScratchFolder scratch;
  VirtualClock clock;
  FixedGauge* gauge = nullptr;
};

TEST_F(TracingControlTest, WritesEveryOperationWithItsTimeSinceOpening) {
  const std::string path = TempPath("trace_sequence.trace");
  clock.Elapse(123'456);  // the trace counts from its own opening, not from midnight
  auto trace = Wrap(path);
  ASSERT_TRUE(trace->Ok());

  int32_t count = 0;
  std::string names;
  trace->ListAdapters(16, count, names);
  EXPECT_EQ(trace->OpenAdapter("A"), 0);
  clock.Elapse(999);  // still 0 whole milliseconds
  EXPECT_EQ(trace->PutWord(0x00, 0x0001, kAddrSmbusGauge), 0);
  clock.Elapse(1'001);
  EXPECT_EQ(trace->BusStatus(), 0);
  int16_t word = 0;
  EXPECT_EQ(trace->GetWord(0x00, word, kAddrSmbusGauge), 0);
  EXPECT_EQ(word, 0x0800);

  gauge->status = 5;  // a failed block read still shows what the backend left
  gauge->block = {};
  std::vector<uint8_t> buffer(32, 0xEE);
  int16_t length = -7;
  EXPECT_EQ(trace->GetBlock(0x23, buffer, length, kAddrSmbusGauge), 5);
  gauge->status = 0;

  const std::vector<uint8_t> row{0x0A, 0x05, 0x00};
  EXPECT_EQ(trace->PutRegBlock(0x00, row, 3, kAddrRegLoader), 0);
  uint8_t value = 0x4C;
  EXPECT_EQ(trace->RegByteOp(1, kAddrCalBoard, 0x44, value), 0);
  gauge->reg_value = 0x9A;
  EXPECT_EQ(trace->RegByteOp(2, kAddrRegLoader, 0x66, value), 0);
  EXPECT_EQ(value, 0x9A);
  trace->Pause(10);
  clock.Elapse(10'000);
  gauge->block = std::vector<uint8_t>(4, 0x11);
  length = 4;
  EXPECT_EQ(trace->GetRegBlock(0x04, buffer, length, kAddrRegLoader), 0);
  EXPECT_EQ(trace->SetBusMode(0), 0);
  trace->CloseLink();
  EXPECT_EQ(gauge->calls, 13);

  EXPECT_EQ(ReadFile(path),
            "0 ListAdapters max=16 -> 2 names=A,B\n"
            "0 OpenAdapter name=A -> 0\n"
            "0 PutWord cmd=0x00 word=0x0001 addr=0x17 -> 0\n"
            "2 BusStatus -> 0\n"
            "2 GetWord cmd=0x00 addr=0x17 -> 0 word=0x0800\n"
            "2 GetBlock cmd=0x23 addr=0x17 -> 5 len=0 data=\n"
            "2 PutRegBlock reg=0x00 addr=0x16 len=3 data=0A0500 -> 0\n"
            "2 RegByteOp mode=1 dev=0xC0 reg=0x44 val=0x4C -> 0\n"
            "2 RegByteOp mode=2 dev=0x16 reg=0x66 -> 0 val=0x9A\n"
            "2 Pause ms=10\n"
            "12 GetRegBlock reg=0x04 addr=0x16 len=4 -> 0 len=4 data=11111111\n"
            "12 SetBusMode mode=0 -> 0\n"
            "12 CloseLink\n");
  std::remove(path.c_str());
}

TEST_F(TracingControlTest, EachLineIsOnDiskAsSoonAsItsOperationReturns) {
  const std::string path = TempPath("trace_flush.trace");
  auto trace = Wrap(path);
  trace->PutCommand(0x08, kAddrSmbusGauge);
  // The decorator is still alive: a crash now must not lose the line.
  EXPECT_EQ(ReadFile(path), "0 PutCommand cmd=0x08 addr=0x17 -> 0\n");
  trace->AboutBox();
  EXPECT_EQ(ReadFile(path), "0 PutCommand cmd=0x08 addr=0x17 -> 0\n0 AboutBox\n");
  std::remove(path.c_str());
}

TEST_F(TracingControlTest, PidPlaceholderBecomesTheProcessId) {
  auto trace = Wrap(TempPath("trace_{pid}_{pid}.trace"));
  const std::string pid = std::to_string(getpid());
  EXPECT_EQ(trace->Path(), TempPath("trace_" + pid + "_" + pid + ".trace"));
  ASSERT_TRUE(trace->Ok());
  trace->BusStatus();
  EXPECT_EQ(ReadFile(trace->Path()), "0 BusStatus -> 0\n");
  std::remove(trace->Path().c_str());
}

TEST_F(TracingControlTest, ReopeningTruncatesAnOldTrace) {
  const std::string path = TempPath("trace_truncate.trace");
  { std::ofstream(path) << "0 BusStatus -> 0\n0 BusStatus -> 0\n"; }
  auto trace = Wrap(path);
  trace->CloseLink();
  EXPECT_EQ(ReadFile(path), "0 CloseLink\n");
  std::remove(path.c_str());
}

TEST_F(TracingControlTest, UnwritablePathStillForwardsEveryCall) {
  auto trace = Wrap("/nonexistent-folder/trace.trace");
  EXPECT_FALSE(trace->Ok());
  gauge->status = 3;
  EXPECT_EQ(trace->BusStatus(), 3);
  int16_t word = 0;
  EXPECT_EQ(trace->GetWord(0x09, word, kAddrSmbusGauge), 3);
  EXPECT_EQ(word, 0x0800);
  EXPECT_EQ(gauge->calls, 2);
}

}  // namespace
}  // namespace tester
