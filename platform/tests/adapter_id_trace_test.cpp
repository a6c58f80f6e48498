// Trace lines of the adapter's identification operations: written, read back, recorded by
// the tracing decorator and answered by the replay backend.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/replay_control.h"
#include "platform/tests/trace_test_support.h"
#include "platform/trace_control.h"
#include "platform/trace_format.h"
#include "testing/scratch_folder.h"

namespace tester {
namespace {

using testing_support::FixedGauge;
using testing_support::StepClock;

constexpr const char* kId = "3F2A9C41D07B4E8895A1C6E2B0F47D01";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(AdapterIdTrace, LinesAreWrittenExactlyAndReadBack) {
  TraceEntry read = TraceReadAdapterId();
  read.ms = 4;
  SetTraceResult(read, 0);
  AddAdapterIdOut(read, kId);
  TraceEntry write = TraceWriteAdapterId("A B=%");
  write.ms = 5;
  SetTraceResult(write, 259);
  TraceEntry firmware = TraceAdapterFirmware();
  firmware.ms = 6;
  SetTraceResult(firmware, 3112);

  const std::string read_line = std::string("4 ReadAdapterId -> 0 id=") + kId;
  EXPECT_EQ(FormatLine(read), read_line);
  EXPECT_EQ(FormatLine(write), "5 WriteAdapterId id=A%20B%3D%25 -> 259");
  EXPECT_EQ(FormatLine(firmware), "6 AdapterFirmware -> 3112");

  for (const TraceEntry& entry : {read, write, firmware}) {
    TraceEntry parsed;
    std::string error;
    ASSERT_TRUE(ParseTraceLine(FormatLine(entry), parsed, error)) << error;
    EXPECT_EQ(FormatLine(parsed), FormatLine(entry));
  }
  TraceEntry parsed;
  std::string error;
  ASSERT_TRUE(ParseTraceLine(read_line, parsed, error));
  EXPECT_EQ(OutAdapterId(parsed), kId);
  ASSERT_TRUE(ParseTraceLine("0 AdapterFirmware -> -1", parsed, error)) << error;
  EXPECT_EQ(parsed.result, -1);
}

TEST(AdapterIdTrace, MalformedLinesAreRefused) {
  TraceEntry entry;
  std::string error;
  EXPECT_FALSE(ParseTraceLine("0 ReadAdapterId -> 0", entry, error));  // id missing
  EXPECT_FALSE(ParseTraceLine("0 ReadAdapterId id=AB -> 0 id=AB", entry, error));
  EXPECT_FALSE(ParseTraceLine("0 WriteAdapterId id=AB", entry, error));  // no status
  EXPECT_FALSE(ParseTraceLine("0 WriteAdapterId id=%4 -> 0", entry, error));
  EXPECT_FALSE(ParseTraceLine("0 AdapterFirmware -> 0x0C28", entry, error));
  EXPECT_FALSE(ParseTraceLine("0 AdapterFirmware -> 3112 version=1", entry, error));
}

// A backend without the operations answers "not supported", and the trace says so.
TEST(AdapterIdTrace, BackendWithoutTheOperationsIsTracedAsUnsupported) {
  const test::ScratchFolder scratch;
  const std::string path = scratch.File("adapter_id_unsupported.trace");
  StepClock clock;
  {
    TracingControl trace(std::make_unique<FixedGauge>(), clock, path);
    ASSERT_TRUE(trace.Ok());
    std::string id = "kept";
    EXPECT_EQ(trace.ReadAdapterId(id), GaugeControl::kControlUnsupported);
    EXPECT_EQ(id, "kept");
    EXPECT_EQ(trace.WriteAdapterId(kId), GaugeControl::kControlUnsupported);
    EXPECT_EQ(trace.AdapterFirmware(), -1);
  }
  EXPECT_EQ(ReadFile(path), std::string("0 ReadAdapterId -> -3 id=kept\n") +
                                "0 WriteAdapterId id=" + kId + " -> -3\n" +
                                "0 AdapterFirmware -> -1\n");
}

class AdapterIdReplay : public ::testing::Test {
protected:
  std::unique_ptr<ReplayControl> Load(const std::string& text) {
    std::string error;
    auto replay = ReplayControl::FromText(text, clock, error, &report);
    EXPECT_TRUE(replay) << error;
    return replay;
  }

  StepClock clock;
  std::ostringstream report;
};

// Recording a replayed session gives back the same trace: the decorator and the replay
// agree on every field of the new lines, failed ones included.
TEST_F(AdapterIdReplay, RecordingAReplayGivesTheSameLines) {
  const std::string text = std::string("0 AdapterFirmware -> 3011\n") +
                           "0 ReadAdapterId -> 0 id=" + kId + "\n" +
                           "0 WriteAdapterId id=0123456789ABCDEF0123456789ABCDEF -> 0\n" +
                           "0 ReadAdapterId -> 259 id=\n";
  const test::ScratchFolder scratch;
  const std::string path = scratch.File("adapter_id_roundtrip.trace");
  {
    TracingControl trace(Load(text), clock, path);
    EXPECT_EQ(trace.AdapterFirmware(), 3011);
    std::string id;
    EXPECT_EQ(trace.ReadAdapterId(id), 0);
    EXPECT_EQ(id, kId);
    EXPECT_EQ(trace.WriteAdapterId("0123456789ABCDEF0123456789ABCDEF"), 0);
    std::string failed;
    EXPECT_EQ(trace.ReadAdapterId(failed), 259);
    EXPECT_EQ(failed, "");
  }
  EXPECT_EQ(ReadFile(path), text);
}

TEST_F(AdapterIdReplay, ADifferentIdentifierDivergesAndLaterOperationsFail) {
  auto replay = Load(std::string("0 WriteAdapterId id=") + kId + " -> 0\n" +
                     "0 AdapterFirmware -> 3200\n");
  EXPECT_EQ(replay->WriteAdapterId("0123456789ABCDEF0123456789ABCDEF"),
            ReplayControl::kDivergedStatus);
  EXPECT_EQ(report.str(), std::string("expected 0 WriteAdapterId id=") + kId +
                              " -> 0 / got WriteAdapterId id=0123456789ABCDEF0123456789ABCDEF\n");
  EXPECT_EQ(replay->AdapterFirmware(), -1);
  std::string id = "kept";
  EXPECT_EQ(replay->ReadAdapterId(id), ReplayControl::kDivergedStatus);
  EXPECT_EQ(id, "kept");
  EXPECT_FALSE(replay->Complete());
}

}  // namespace
}  // namespace tester
