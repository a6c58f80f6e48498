// The station test run end to end on the virtual jig: each demo target passes and leaves
// the golden image, the manufacturer data, the date and the serial number in its gauge;
// the order of reports, lights and the switch-off around the one completion; the version
// check in its variants; the new-main process; the Monowire step and its bus sequence.
#include <algorithm>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/monowire.h"
#include "engine/tests/station_run_fixture.h"

namespace tester::runtest {
namespace {

using Region = std::pair<int, int>;  // data-flash offset, bytes

// What a demo target's run writes into the data flash after programming it.
struct DemoTarget {
  std::size_t adapter;   // station of the default jig
  bool new_main;         // calibrated on the host by the new-main process
  int span;              // bytes the target's loader programs
  int date_at;           // manufacture date, big-endian
  int mfr_at;            // manufacturer data
  std::string mfr;       // as stored: a word (00 01) or text bytes
  int serial_at;         // serial number word, big-endian; -1: kept by the gauge (0x1C)
  std::vector<Region> calibration;  // coefficients and settings calibration writes
};

const std::string kMfrWordOne("\x00\x01", 2);  // MfrDataValue 1 as a word

std::vector<DemoTarget> DemoTargets() {
  return {
      // 800: gauge-assisted (class 104), date in class 48, mfr word in class 56.
      {0, false, 2016, 266, 320, kMfrWordOne, -1, {{384, 128}}},
      // 450: host layout at 104, the temperature source byte in class 556; the writers of
      // the new-main process address the data flash directly (date 320 + 10, clear of the
      // manufacturer text from 56; serial 168 + 14).
      {1, true, 1792, 330, 56, "DEMO PACK", 182, {{104, 16}, {557, 1}}},
      // 100: register-style calibration class 104 (32 bytes), serial in class 168.
      {2, true, 1792, 266, 320, kMfrWordOne, 526, {{384, 32}}},
      // 700: host layout at 64; the mfr data is MfrDataValue as text, the date at 320 + 10.
      {3, true, 2016, 330, 56, std::string("1\0", 2), 182, {{64, 64}}},
  };
}

int WordAt(std::span<const uint8_t> flash, int at) { return flash[at] << 8 | flash[at + 1]; }

bool Inside(int offset, const std::vector<Region>& regions) {
  for (const auto& [at, length] : regions) {
    if (offset >= at && offset < at + length) return true;
  }
  return false;
}

void PrintTo(const DemoTarget& t, std::ostream* os) { *os << "station " << t.adapter; }

class DemoTargetRun : public ::testing::TestWithParam<DemoTarget> {};

TEST_P(DemoTargetRun, PassesAndLeavesImageAndDataInTheGauge) {
  const DemoTarget& t = GetParam();
  StationRun run(DefaultJig(), t.adapter);
  ASSERT_TRUE(run.Sim().NextPack()) << "a production pack, whose data flash differs";
  run.ConfigureLikeDemo(run.Pack().Description());
  const CompletionReport report = run.InitAndRun();
  EXPECT_EQ(report.nErrCode, 0);
  EXPECT_EQ(report.nExtErrCode, 0);
  EXPECT_EQ(report.sSerial, "1");
  EXPECT_EQ(report.sLogFile, "results.log");
  EXPECT_EQ(run.sequence->Record().new_main, t.new_main);
  EXPECT_EQ(run.reports.proposals, std::vector<int32_t>{1});

  auto flash = run.Pack().Memory().DataFlash();
  std::vector<Region> written = t.calibration;
  written.push_back({t.date_at, 2});
  written.push_back({t.mfr_at, static_cast<int>(t.mfr.size())});
  if (t.serial_at >= 0) written.push_back({t.serial_at, 2});
  for (int i = 0; i < t.span; ++i) {
    if (Inside(i, written)) continue;
    ASSERT_EQ(flash[i], run.Image().data[i]) << "data-flash byte " << i;
  }

  ASSERT_TRUE(run.sequence->Record().date_code.has_value());
  EXPECT_EQ(WordAt(flash, t.date_at), static_cast<uint16_t>(*run.sequence->Record().date_code));
  EXPECT_EQ(std::string(flash.begin() + t.mfr_at, flash.begin() + t.mfr_at + t.mfr.size()), t.mfr)
      << "manufacturer data overwritten (date at " << t.date_at << ")";
  if (t.serial_at >= 0) {
    EXPECT_EQ(WordAt(flash, t.serial_at), 1);
  } else {
    const auto serial = run.RunTraceOf("GetWord cmd=0x1C");
    ASSERT_EQ(run.RunTraceOf("PutWord cmd=0x1C").size(), 1u);
    ASSERT_FALSE(serial.empty());
    EXPECT_EQ(serial.back(), "GetWord cmd=0x1C addr=0x17 -> 0 word=0x0001");
  }
}

INSTANTIATE_TEST_SUITE_P(DefaultJig, DemoTargetRun, ::testing::ValuesIn(DemoTargets()),
                         [](const auto& info) { return "Station" + std::to_string(info.index); });

// The default jig's first station with the demo configuration of its target.
class RunFlowTest : public ::testing::Test {
protected:
  RunFlowTest() { run.Sim().NextPack(); }
  StationRun run{DefaultJig(), 0};
};

TEST_F(RunFlowTest, PassReportsBeforeTheGaugeGoesToRomAndThePowerGoesOff) {
  uint8_t board_at_completion = 0;
  std::size_t trace_at_completion = 0;
  run.reports.on_completed = [&] {
    board_at_completion = run.Port().Output();
    trace_at_completion = run.TraceLines().size();
  };
  run.InitAndRun();
  EXPECT_NE(board_at_completion & 0x08, 0) << "supply still on at the completion";
  const std::vector<std::string> lines = run.TraceLines();
  const std::vector<std::string> after(lines.begin() + static_cast<std::ptrdiff_t>(
                                                           trace_at_completion),
                                       lines.end());
  ASSERT_FALSE(after.empty());
  EXPECT_EQ(after[0], "PutWord cmd=0x00 word=0x0F00 addr=0x17 -> 0") << "ROM entry";
  auto board = std::find_if(after.begin(), after.end(), [](const std::string& line) {
    return line.rfind("RegByteOp mode=1 dev=0xC0", 0) == 0;
  });
  ASSERT_NE(board, after.end());
  EXPECT_EQ(*board, "RegByteOp mode=1 dev=0xC0 reg=0x44 val=0x40 -> 0") << "off, PASS lit";
  EXPECT_EQ(run.Port().Output() & 0x0C, 0);
}

TEST_F(RunFlowTest, LightsAreBusyFromTheFirstStepThenPassNeverReady) {
  run.InitAndRun();
  const auto& statuses = run.reports.statuses;
  ASSERT_GE(statuses.size(), 2u);
  EXPECT_EQ(statuses.front().text, "Power Up...");
  for (std::size_t i = 0; i + 1 < statuses.size(); ++i) {
    EXPECT_EQ(statuses[i].status, vb_cbbusy) << statuses[i].text;
  }
  EXPECT_EQ(statuses.back().text, "Passed");
  EXPECT_EQ(statuses.back().status, vb_cbPASS);
  for (const std::string& line : run.RunTraceOf("RegByteOp mode=1 dev=0xC0")) {
    const unsigned lamps = std::stoul(line.substr(line.find("val=") + 4, 4), nullptr, 16) >> 4;
    EXPECT_TRUE(lamps == vb_cbbusy || lamps == vb_cbPASS) << line;
  }
}

TEST_F(RunFlowTest, AllStepsOffReadsTheVersionRunsWorkaroundsAndPassesWithSerialZero) {
  run.AllStepsOff();
  const CompletionReport report = run.InitAndRun();
  EXPECT_EQ(report.nErrCode, 0);
  EXPECT_EQ(report.sSerial, "0");
  EXPECT_EQ(run.reports.Texts(), (std::vector<std::string>{"Power Up...",
                                                           "Verify device version...",
                                                           "Finishing Testing...", "Passed"}));
  EXPECT_TRUE(run.reports.proposals.empty());
  EXPECT_EQ(run.Pack().Counters().rows_programmed, 0);
  EXPECT_EQ(run.Pack().Counters().gauge_mode_writes, 0);
  EXPECT_EQ(run.sequence->Record().version_text, "800.1.02");
  EXPECT_FALSE(run.Port().SupplyOn());
}

TEST_F(RunFlowTest, SerialAnswerReplacesTheProposal) {
  run.reports.answer = 4660;
  const CompletionReport report = run.InitAndRun();
  EXPECT_EQ(report.sSerial, "4660");
  EXPECT_EQ(run.RunTraceOf("PutWord cmd=0x1C"),
            std::vector<std::string>{"PutWord cmd=0x1C word=0x1234 addr=0x17 -> 0"});
}

TEST_F(RunFlowTest, RefusedSerialRequestEndsWith65545AndWritesNoNumber) {
  run.reports.refuse_serial = true;
  run.config.NoSerialOnFail = 0;  // the tail asks again, and is refused again
  const CompletionReport report = run.InitAndRun();
  EXPECT_EQ(report.nErrCode, kStatusSerialWriteFailed);
  EXPECT_EQ(report.nExtErrCode, kStatusSerialWriteFailed);
  EXPECT_EQ(report.sSerial, "0");
  EXPECT_EQ(run.reports.proposals.size(), 2u);
  EXPECT_TRUE(run.RunTraceOf("PutWord cmd=0x1C").empty());
  EXPECT_TRUE(run.reports.Reported("Error Writing serial number."));
}

// Version compare and the block re-read of old firmware, with all steps off.
std::string VersionJig(const std::string& keys) {
  return OneStationJig("[pack under test]\nfamily = 1\nidentity = 0x08A102\n" + keys);
}

TEST(VersionCheckTest, IgnoresLetterCase) {
  test::DemoHome folder;
  folder.Append("Config.ini", "[A20D]\nCOMMANDSET=1");
  StationRun run(VersionJig("device_type = 0x0A20\nfirmware = 0x0102\n"), 0, folder.Home());
  run.AllStepsOff();
  run.config.TargetName = "a20.1.02";
  const CompletionReport report = run.InitAndRun();
  EXPECT_EQ(run.sequence->Record().version_text, "A20.1.02");
  EXPECT_EQ(report.nErrCode, 0);
}

TEST(VersionCheckTest, OldFirmwareIsReadAgainAsBlockAndMatchesOnlyFourDigitType) {
  const std::string jig = VersionJig("old_firmware = yes\n");
  {
    StationRun run(jig);
    run.AllStepsOff();
    run.config.TargetName = "0800.1.02";
    EXPECT_EQ(run.InitAndRun().nErrCode, 0);
    EXPECT_EQ(run.sequence->Record().version_text, "0800.1.02");
  }
  StationRun run(jig);
  run.AllStepsOff();
  run.config.TargetName = "800.1.02";
  const CompletionReport report = run.InitAndRun();
  EXPECT_EQ(report.nErrCode, kStatusIdentityMismatch);
  EXPECT_EQ(report.nExtErrCode, kStatusIdentityMismatch);
  EXPECT_TRUE(run.reports.Reported(
      "The Gas Gauge version does not match. Please check the configuration!"));
}

// New-main targets (Process_UseNewMain through their platform section).
TEST(NewMainTest, WithoutProgrammingStartsRightAfterTheVersionCheck) {
  StationRun run(DefaultJig(), 1);
  run.config.ProgramDataFlash = 0;
  const CompletionReport report = run.InitAndRun();
  EXPECT_EQ(report.nErrCode, 0);
  EXPECT_TRUE(run.sequence->Record().new_main);
  EXPECT_EQ(run.reports.Texts(),
            (std::vector<std::string>{"Power Up...", "Verify device version...",
                                      "Calibrating...", "Writing Manufacturer data...",
                                      "Writing Serial Num...", "Passed"}));
  EXPECT_EQ(run.Pack().Counters().rows_programmed, 0);
  EXPECT_EQ(WordAt(run.Pack().Memory().DataFlash(), 182), 1) << "serial in the data flash";
}

TEST(NewMainTest, MonowireSwitchesARegisterGaugeAfterTheSerialNumber) {
  StationRun run(DefaultJig(), 2);
  run.config.MonowireMode = 1;
  const CompletionReport report = run.InitAndRun();
  EXPECT_EQ(report.nErrCode, 0);
  EXPECT_TRUE(run.Pack().Monowire());
  const std::vector<std::string> texts = run.reports.Texts();
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[texts.size() - 2], "Sending to Monowire Mode...");
  const std::vector<std::string> trace = run.RunTrace();
  auto at = std::find(trace.begin(), trace.end(),
                      "RegByteOp mode=1 dev=0x16 reg=0x00 val=0x16 -> 0");
  ASSERT_NE(at, trace.end());
  const std::vector<std::string> expected = {
      "RegByteOp mode=1 dev=0x16 reg=0x00 val=0x16 -> 0",
      "RegByteOp mode=1 dev=0x16 reg=0x04 val=0x05 -> 0",
      "PutRegBlock reg=0x64 addr=0x16 len=2 data=1B00 -> 0",
      "BusStatus -> 0",
      "Pause ms=100",
      "BusStatus -> 0",
      "RegByteOp mode=2 dev=0x16 reg=0x66 -> 0 val=0x00"};
  ASSERT_GE(static_cast<std::size_t>(trace.end() - at), expected.size());
  EXPECT_EQ(std::vector<std::string>(at, at + static_cast<std::ptrdiff_t>(expected.size())),
            expected);
}

TEST(NewMainTest, MonowireModeOnOtherCommandSetsSendsNothing) {
  for (std::size_t adapter : {0u, 1u}) {  // command set 1 (main), 5 (new-main)
    StationRun run(DefaultJig(), adapter);
    run.config.MonowireMode = 1;
    EXPECT_EQ(run.InitAndRun().nErrCode, 0) << "station " << adapter;
    EXPECT_FALSE(run.reports.Reported("Sending to Monowire Mode..."));
    EXPECT_TRUE(run.RunTraceOf("RegByteOp mode=1 dev=0x16 reg=0x00 val=0x16").empty());
    EXPECT_FALSE(run.Pack().Monowire());
  }
}

TEST(NewMainTest, SetToMonowireModeOtherThanOneTouchesNothing) {
  StationRun run(DefaultJig(), 2);
  const std::size_t before = run.TraceLines().size();
  EXPECT_EQ(SetToMonowireMode(run.station.link, 0), 0);
  EXPECT_EQ(SetToMonowireMode(run.station.link, 2), 0);
  EXPECT_EQ(run.TraceLines().size(), before);
}

}  // namespace
}  // namespace tester::runtest
