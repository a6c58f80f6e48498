#include "platform/replay_control.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/tests/trace_test_support.h"
#include "platform/trace_control.h"
#include "testing/scratch_folder.h"

namespace tester {
namespace {

using testing_support::FixedGauge;
using testing_support::StepClock;

// A recorded identification and data-flash read: one line of every operation.
const char kStationTrace[] =
    "# recorded at station 2\n"
    "0 ListAdapters max=16 -> 2 names=LP%2001,LP%2002\n"
    "1 OpenAdapter name=LP%2001 -> 0\n"
    "2 RegByteOp mode=0 dev=0x01 reg=0x01 val=0x00 -> 0\n"
    "3 RegByteOp mode=1 dev=0xC0 reg=0x44 val=0x4C -> 0\n"
    "4 PutWord cmd=0x00 word=0x0001 addr=0x17 -> 0\n"
    "5 BusStatus -> 0\n"
    "6 GetWord cmd=0x00 addr=0x17 -> 0 word=0x0800\n"
    "7 GetBlock cmd=0x23 addr=0x17 -> 0 len=3 data=080102\n"
    "8 PutBlock cmd=0x00 addr=0x17 len=3 data=000010 -> 0\n"
    "9 PutCommand cmd=0x08 addr=0x17 -> 0\n"
    "10 SetBusMode mode=1 -> 0\n"
    "11 RegByteOp mode=2 dev=0x16 reg=0x66 -> 0 val=0x5A\n"
    "12 PutRegBlock reg=0x00 addr=0x16 len=3 data=0A0500 -> 0\n"
    "13 Pause ms=10\n"
    "23 GetRegBlock reg=0x04 addr=0x16 len=4 -> 0 len=4 data=DEADBEEF\n"
    "24 GetWord cmd=0x09 addr=0x17 -> 7 word=0x0000\n"
    "25 CloseLink\n"
    "26 AboutBox\n";

class ReplayTest : public ::testing::Test {
protected:
  std::unique_ptr<ReplayControl> Load(const std::string& text) {
    std::string error;
    auto replay = ReplayControl::FromText(text, clock, error, &report);
    EXPECT_TRUE(replay) << error;
    return replay;
  }

  test::ScratchFolder scratch;
  StepClock clock;
  std::ostringstream report;
};

TEST_F(ReplayTest, AnswersEveryOperationWithTheRecordedValues) {
  auto replay = Load(kStationTrace);
  int32_t count = 0;
  std::string names;
  replay->ListAdapters(16, count, names);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(names, "LP 01,LP 02");
  EXPECT_EQ(replay->OpenAdapter("LP 01"), 0);
  uint8_t value = 0;
  EXPECT_EQ(replay->RegByteOp(0, 0x01, 0x01, value), 0);
  value = 0x4C;
  EXPECT_EQ(replay->RegByteOp(1, kAddrCalBoard, 0x44, value), 0);
  EXPECT_EQ(replay->PutWord(0x00, 0x0001, kAddrSmbusGauge), 0);
  EXPECT_EQ(replay->BusStatus(), 0);
  int16_t word = 0;
  EXPECT_EQ(replay->GetWord(0x00, word, kAddrSmbusGauge), 0);
  EXPECT_EQ(word, 0x0800);
  std::vector<uint8_t> block(32, 0xEE);
  int16_t length = 0;
  EXPECT_EQ(replay->GetBlock(0x23, block, length, kAddrSmbusGauge), 0);
  EXPECT_EQ(length, 3);
  EXPECT_EQ(std::vector<uint8_t>(block.begin(), block.begin() + 4),
            (std::vector<uint8_t>{0x08, 0x01, 0x02, 0xEE}));
  const std::vector<uint8_t> sent{0x00, 0x00, 0x10, 0x99};  // only `length` bytes count
  EXPECT_EQ(replay->PutBlock(0x00, sent, 3, kAddrSmbusGauge), 0);
  EXPECT_EQ(replay->PutCommand(0x08, kAddrSmbusGauge), 0);
  EXPECT_EQ(replay->SetBusMode(1), 0);
  EXPECT_EQ(replay->RegByteOp(2, kAddrRegLoader, 0x66, value), 0);
  EXPECT_EQ(value, 0x5A);
  EXPECT_EQ(replay->PutRegBlock(0x00, std::vector<uint8_t>{0x0A, 0x05, 0x00}, 3, kAddrRegLoader),
            0);
  const int64_t before_pause = clock.Now();
  replay->Pause(10);
  EXPECT_EQ(clock.Now() - before_pause, 10 * kMicrosPerMs);
  length = 4;
  EXPECT_EQ(replay->GetRegBlock(0x04, block, length, kAddrRegLoader), 0);
  EXPECT_EQ(length, 4);
  EXPECT_EQ(std::vector<uint8_t>(block.begin(), block.begin() + 4),
            (std::vector<uint8_t>{0xDE, 0xAD, 0xBE, 0xEF}));
  EXPECT_FALSE(replay->Complete());
  word = 0x1234;
  EXPECT_EQ(replay->GetWord(0x09, word, kAddrSmbusGauge), 7);  // a recorded failure
  EXPECT_EQ(word, 0);
  replay->CloseLink();
  replay->AboutBox();

  EXPECT_TRUE(replay->Complete());
  EXPECT_FALSE(replay->Diverged());
  EXPECT_TRUE(replay->Remaining().empty());
  EXPECT_EQ(report.str(), "");
}

TEST_F(ReplayTest, FirstDifferenceIsReportedOnceAndFailsTheRest) {
  auto replay = Load(kStationTrace);
  int32_t count = 0;
  std::string names;
  replay->ListAdapters(16, count, names);
  EXPECT_EQ(replay->OpenAdapter("LP 02"), -1);  // the engine claimed another adapter
  EXPECT_TRUE(replay->Diverged());
  EXPECT_EQ(replay->Divergence(),
            "expected 1 OpenAdapter name=LP%2001 -> 0 / got OpenAdapter name=LP%2002");
  EXPECT_EQ(report.str(),
            "expected 1 OpenAdapter name=LP%2001 -> 0 / got OpenAdapter name=LP%2002\n");

  // The run has left the recorded path: even the line that comes next fails now.
  EXPECT_EQ(replay->OpenAdapter("LP 01"), -1);
  uint8_t value = 0;
  EXPECT_EQ(replay->RegByteOp(0, 0x01, 0x01, value), ReplayControl::kDivergedStatus);
  int16_t word = 0x1234;
  EXPECT_EQ(replay->GetWord(0x00, word, kAddrSmbusGauge), ReplayControl::kDivergedStatus);
  EXPECT_EQ(word, 0x1234);
  std::vector<uint8_t> block(8, 0xEE);
  int16_t length = 8;
  EXPECT_EQ(replay->GetBlock(0x23, block, length, kAddrSmbusGauge),
            ReplayControl::kDivergedStatus);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(block, std::vector<uint8_t>(8, 0xEE));
  length = 8;
  EXPECT_EQ(replay->GetRegBlock(0x04, block, length, kAddrRegLoader),
            ReplayControl::kDivergedStatus);
  EXPECT_EQ(length, 0);
  replay->ListAdapters(16, count, names);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(names, "");

  EXPECT_FALSE(replay->Complete());
  EXPECT_EQ(replay->Remaining().size(), 17u);
  EXPECT_EQ(replay->Remaining().front(), "1 OpenAdapter name=LP%2001 -> 0");
  EXPECT_EQ(report.str(),
            "expected 1 OpenAdapter name=LP%2001 -> 0 / got OpenAdapter name=LP%2002\n");
}

TEST_F(ReplayTest, ComparesEveryRequestFieldButNotTheTime) {
  struct Case {
    std::string trace;
    std::function<void(ReplayControl&)> call;
    std::string divergence;
  };
  const std::vector<uint8_t> data{0x01, 0x02, 0x03};
  const std::vector<Case> cases = {
      {"99999 PutWord cmd=0x00 word=0x0001 addr=0x17 -> 0\n",
       [](ReplayControl& r) { EXPECT_EQ(r.PutWord(0x00, 0x0001, 0x17), 0); }, ""},
      {"0 PutWord cmd=0x00 word=0x0001 addr=0x17 -> 0\n",
       [](ReplayControl& r) { r.PutWord(0x00, 0x0002, 0x17); },
       "expected 0 PutWord cmd=0x00 word=0x0001 addr=0x17 -> 0 / "
       "got PutWord cmd=0x00 word=0x0002 addr=0x17"},
      {"0 PutWord cmd=0x00 word=0x0001 addr=0x17 -> 0\n",
       [](ReplayControl& r) { r.PutWord(0x00, 0x0001, 0xAA); },
       "expected 0 PutWord cmd=0x00 word=0x0001 addr=0x17 -> 0 / "
       "got PutWord cmd=0x00 word=0x0001 addr=0xAA"},
      {"0 PutBlock cmd=0x00 addr=0x17 len=3 data=010203 -> 0\n",
       [&](ReplayControl& r) { r.PutBlock(0x00, data, 2, 0x17); },
       "expected 0 PutBlock cmd=0x00 addr=0x17 len=3 data=010203 -> 0 / "
       "got PutBlock cmd=0x00 addr=0x17 len=2 data=0102"},
      {"0 GetRegBlock reg=0x04 addr=0x16 len=96 -> 0 len=96 data=\n",
       [](ReplayControl& r) {
         std::vector<uint8_t> buffer(32);
         int16_t asked = 32;
         r.GetRegBlock(0x04, buffer, asked, 0x16);
       },
       "expected 0 GetRegBlock reg=0x04 addr=0x16 len=96 -> 0 len=96 data= / "
       "got GetRegBlock reg=0x04 addr=0x16 len=32"},
      {"0 RegByteOp mode=1 dev=0xC0 reg=0x44 val=0x4C -> 0\n",
       [](ReplayControl& r) {
         uint8_t value = 0x4C;
         r.RegByteOp(2, 0xC0, 0x44, value);
       },
       "expected 0 RegByteOp mode=1 dev=0xC0 reg=0x44 val=0x4C -> 0 / "
       "got RegByteOp mode=2 dev=0xC0 reg=0x44"},
      {"0 Pause ms=10\n", [](ReplayControl& r) { r.Pause(20); },
       "expected 0 Pause ms=10 / got Pause ms=20"},
      {"0 CloseLink\n", [](ReplayControl& r) { r.AboutBox(); },
       "expected 0 CloseLink / got AboutBox"},
      {"# nothing recorded\n", [](ReplayControl& r) { EXPECT_EQ(r.BusStatus(), -2); },
       "expected end of trace / got BusStatus"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.trace);
    report.str("");
    auto replay = Load(c.trace);
    c.call(*replay);
    EXPECT_EQ(replay->Divergence(), c.divergence);
    EXPECT_EQ(report.str(), c.divergence.empty() ? "" : c.divergence + "\n");
  }
}

TEST_F(ReplayTest, BlockAnswerLongerThanTheBufferIsCutAtTheBuffer) {
  auto replay = Load("0 GetBlock cmd=0x23 addr=0x17 -> 0 len=6 data=010203040506\n"
                     "0 GetRegBlock reg=0x04 addr=0x16 len=2 -> 0 len=6 data=0A0B0C0D0E0F\n");
  std::vector<uint8_t> memory(6, 0xEE);
  std::span<uint8_t> buffer(memory.data(), 2);  // the caller's buffer: the first 2 bytes
  int16_t length = 0;
  EXPECT_EQ(replay->GetBlock(0x23, buffer, length, kAddrSmbusGauge), 0);
  EXPECT_EQ(length, 6);  // reported as the device sent it
  EXPECT_EQ(memory, (std::vector<uint8_t>{0x01, 0x02, 0xEE, 0xEE, 0xEE, 0xEE}));

  length = 2;
  EXPECT_EQ(replay->GetRegBlock(0x04, buffer, length, kAddrRegLoader), 0);
  EXPECT_EQ(length, 6);
  EXPECT_EQ(memory, (std::vector<uint8_t>{0x0A, 0x0B, 0xEE, 0xEE, 0xEE, 0xEE}));
  EXPECT_TRUE(replay->Complete());
}

TEST_F(ReplayTest, PausesKeepTheClockMovingAfterADivergence) {
  // A probe loop pausing between failed reads must still reach its time limit.
  auto replay = Load("0 Pause ms=10\n");
  replay->Pause(10);
  uint8_t value = 0;
  EXPECT_EQ(replay->RegByteOp(2, kAddrRegLoader, 0x66, value), ReplayControl::kDivergedStatus);
  const int64_t before = clock.Now();
  for (int probe = 0; probe < 5; ++probe) replay->Pause(10);
  EXPECT_EQ(clock.Now() - before, 50 * kMicrosPerMs);
  EXPECT_EQ(clock.waits, 6);
}

TEST_F(ReplayTest, KeepsTheRecordedTimes) {
  auto replay = Load("# header\n5 BusStatus -> 0\n\n250 Pause ms=10\n");
  ASSERT_EQ(replay->Lines().size(), 2u);
  EXPECT_EQ(replay->Lines()[0].entry.ms, 5);
  EXPECT_EQ(replay->Lines()[1].entry.ms, 250);
  EXPECT_EQ(replay->Lines()[1].number, 4);
  EXPECT_EQ(replay->Remaining(), (std::vector<std::string>{"5 BusStatus -> 0", "250 Pause ms=10"}));
}

TEST_F(ReplayTest, MalformedTraceGivesNoBackendAndNamesTheLine) {
  std::string error;
  auto replay = ReplayControl::FromText("0 BusStatus -> 0\n1 GetWord cmd=0x00 addr=0x17 -> 0\n",
                                        clock, error, &report);
  EXPECT_EQ(replay, nullptr);
  EXPECT_EQ(error,
            "line 2: expected word=0x...., found \"\": 1 GetWord cmd=0x00 addr=0x17 -> 0");

  const std::string path = scratch.File("replay_bad.trace");
  { std::ofstream(path) << "# ok\nPutWord cmd=0x00\n"; }
  replay = ReplayControl::FromFile(path, clock, error, &report);
  EXPECT_EQ(replay, nullptr);
  EXPECT_EQ(error, path + ": line 2: bad time \"PutWord\": PutWord cmd=0x00");
  std::remove(path.c_str());

  replay = ReplayControl::FromFile("/nonexistent-folder/x.trace", clock, error, &report);
  EXPECT_EQ(replay, nullptr);
  EXPECT_EQ(error, "cannot open /nonexistent-folder/x.trace: No such file or directory");
  EXPECT_EQ(ReplayControl::FromFile(::testing::TempDir(), clock, error, &report), nullptr);
  EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
}

TEST_F(ReplayTest, ATracedRunReplaysToTheSameAnswers) {
  const std::string path = scratch.File("replay_roundtrip.trace");
  auto inner = std::make_unique<FixedGauge>();
  inner->word = -3;
  inner->block = {0x00, 0xFF, 0x80};
  inner->reg_value = 0xA5;
  auto run = [](GaugeControl& control) {
    std::vector<std::string> seen;
    int32_t count = 0;
    std::string names;
    control.ListAdapters(16, count, names);
    seen.push_back(std::to_string(count) + names);
    seen.push_back(std::to_string(control.OpenAdapter(names.substr(0, names.find(',')))));
    int16_t word = 0;
    seen.push_back(std::to_string(control.GetWord(0x09, word, kAddrSmbusGauge)) + ":" +
                   std::to_string(word));
    std::vector<uint8_t> buffer(3);
    int16_t length = 0;
    control.GetBlock(0x20, buffer, length, kAddrSmbusGauge);
    seen.push_back(std::to_string(length) + ":" + std::to_string(buffer[1]));
    uint8_t value = 0;
    control.RegByteOp(2, kAddrRegGauge, 0x00, value);
    seen.push_back(std::to_string(value));
    control.Pause(150);
    control.CloseLink();
    return seen;
  };
  std::vector<std::string> live;
  {
    TracingControl trace(std::move(inner), clock, path);
    live = run(trace);
  }
  std::string error;
  auto replay = ReplayControl::FromFile(path, clock, error, &report);
  ASSERT_TRUE(replay) << error;
  EXPECT_EQ(run(*replay), live);
  EXPECT_TRUE(replay->Complete());
  EXPECT_EQ(report.str(), "");
  std::remove(path.c_str());
}

// A pipe without a writer would block the station for good: it is refused unopened.
TEST_F(ReplayTest, PipeIsRefusedWithoutBlocking) {
  const std::string path = scratch.File("replay.pipe");
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  std::string error;
  EXPECT_EQ(ReplayControl::FromFile(path, clock, error, &report), nullptr);
  EXPECT_EQ(error, "cannot read " + path + ": not a regular file");
  std::remove(path.c_str());
}

}  // namespace
}  // namespace tester
