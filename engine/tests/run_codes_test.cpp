// Every run code of a station, produced end to end by a pack defect or a configuration:
// the code, the failing operation's status, the message and the failure tail (serial on
// failure, bus mode back, ROM entry and switch-off, the completion last).
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "engine/tests/station_run_fixture.h"

namespace tester::runtest {
namespace {

constexpr int kInjected = 261;      // the jig's status of an injected transfer error
constexpr int kAddressNack = 258;   // nobody acknowledged the gauge's address

bool IsGaugeTransfer(const std::string& line) {
  for (const char* at : {"addr=0x17", "addr=0xAA", "addr=0x16", "dev=0x16 ", "dev=0xAA "}) {
    if (line.find(at) != std::string::npos) return true;
  }
  return false;
}

// The number the jig gives (fail_at) to the `nth` gauge transfer starting with `prefix`
// in a passing run of `pack` on a one-station jig, everything on as the demo station has it.
int TransferNumberOf(const std::string& pack, const std::string& prefix, int nth = 1) {
  StationRun run(OneStationJig(pack));
  run.InitAndRun();
  int number = 0;
  for (const std::string& line : run.TraceLines()) {
    if (!IsGaugeTransfer(line)) continue;
    ++number;
    if (line.rfind(prefix, 0) == 0 && --nth == 0) return number;
  }
  ADD_FAILURE() << "no transfer " << prefix;
  return 0;
}

// A failed run: its code, the failing operation's status, the message, and the tail as
// every failure has it.
void ExpectFailure(StationRun& run, int32_t err, int32_t ext, const std::string& message,
                   const std::string& serial = "0") {
  uint8_t board_at_completion = 0xFF;
  run.reports.on_completed = [&] { board_at_completion = run.Port().Output(); };
  const CompletionReport report = run.InitAndRun();
  EXPECT_EQ(report.nErrCode, err);
  if (ext >= 0) {
    EXPECT_EQ(report.nExtErrCode, ext);
  }
  EXPECT_EQ(report.sSerial, serial) << "NoSerialOnFail = 1";
  const auto& statuses = run.reports.statuses;
  ASSERT_GE(statuses.size(), 3u);
  EXPECT_EQ(statuses[statuses.size() - 2].text, message);
  EXPECT_EQ(statuses.back().text, "Error code = " + std::to_string(report.nExtErrCode));
  EXPECT_EQ(statuses.back().status, vb_cbfail);
  for (std::size_t i = 0; i + 2 < statuses.size(); ++i) {
    EXPECT_EQ(statuses[i].status, vb_cbbusy);
  }
  EXPECT_EQ(board_at_completion, 0x80) << "switched off, FAIL lit, before the completion";
  const bool smbus_rom = !IsRegisterGauge(run.station.settings.COMMANDSET);
  EXPECT_FALSE(run.RunTraceOf(smbus_rom ? "PutWord cmd=0x00 word=0x0F00 addr=0x17"
                                        : "PutRegBlock reg=0x00 addr=0xAA len=2 data=000F")
                   .empty())
      << "ROM-entry command sent";
}

const char* const kMsgVersion =
    "The Gas Gauge version does not match. Please check the configuration!";
const char* const kMsgRom = "Gas Gauge could not be put in ROM mode.";
const char* const kMsgGgCode = "Error executing GG code. Data Flash may be corrupt!";
const char* const kMsgCal = "Calibration error.";
const char* const kMsgLimits = "Calibrated values out of specified range.";
const char* const kMsgSerial = "Error Writing serial number.";
const char* const kMsgMfr = "Failed to write manufacturer data!";
const char* const kMsgMonowire = "Sending to Monowire Mode Failed";
const char* const kMsgComm = "Communication error reading from Gas Gauge.";
const char* const kMsgRomWrite = "Error writing Data Flash(ROM mode).";
const char* const kMsgWorkaround = "Work around issues routine failed!";

TEST(RunCodeTest, WrongFirmwareIs65538) {
  StationRun run(OneStationJig(Pack800("firmware = 0x0103")));
  run.ConfigureLikeDemo("800.1.02");
  ExpectFailure(run, 65538, 65538, kMsgVersion);
  EXPECT_EQ(run.Pack().Counters().rom_entries, 1) << "only the tail's ROM entry";
}

TEST(RunCodeTest, RomEntryFailingIs65539) {
  {
    SCOPED_TRACE("register loader that never answers");
    StationRun run(OneStationJig(Pack100("rom_startup_ms = 600000")));
    ExpectFailure(run, 65539, 65539, kMsgRom);
    EXPECT_EQ(run.Pack().Counters().rows_programmed, 0);
  }
  SCOPED_TRACE("SMBus ROM entry refused");
  const int at = TransferNumberOf(Pack800(), "PutWord cmd=0x00 word=0x0F00");
  StationRun run(OneStationJig(Pack800("fail_at = " + std::to_string(at))));
  ExpectFailure(run, 65539, 65539, kMsgRom);
}

TEST(RunCodeTest, ReturnFromRomFailingIs65541) {
  const int at = TransferNumberOf(Pack800(), "PutCommand cmd=0x08");
  StationRun run(OneStationJig(Pack800("fail_at = " + std::to_string(at))));
  ExpectFailure(run, 65541, kInjected, kMsgGgCode);
  EXPECT_GT(run.Pack().Counters().rows_programmed, 0);
}

TEST(RunCodeTest, CalibrationFailingIs65543) {
  {
    SCOPED_TRACE("host-computed sense resistor out of tolerance");
    StationRun run(OneStationJig(Pack450()));
    run.config.NominalSenseResistor = 10;
    ExpectFailure(run, 65543, kStatusSenseResistorLow, kMsgCal);
  }
  {
    SCOPED_TRACE("sample counter that never advances");
    StationRun run(OneStationJig(Pack700("cal_counter_frozen = yes")));
    ExpectFailure(run, 65543, -1, kMsgCal);
    EXPECT_GE(run.reports.completions.at(0).nExtErrCode, kStatusCalFirst);
    EXPECT_LE(run.reports.completions.at(0).nExtErrCode, kStatusCalLast);
  }
  SCOPED_TRACE("gauge-assisted step reporting an error");
  StationRun run(OneStationJig(Pack800("cal_step_error = 0x0040")));
  ExpectFailure(run, 65543, kStatusCalCurrentZero, kMsgCal);
  EXPECT_FALSE(run.reports.Reported("Verifying Cal limits..."));
}

TEST(RunCodeTest, GaugeAssistedSenseResistorOutOfToleranceIs65544) {
  StationRun run(OneStationJig(Pack800("true_sense_mohm = 11.5")));
  run.config.NominalSenseResistor = 10;  // 15 % off, 10 % allowed
  ExpectFailure(run, 65544, kStatusSenseResistorHigh, kMsgLimits);
  ASSERT_TRUE(run.sequence->Record().checked.has_value());
  EXPECT_TRUE(run.sequence->Record().checked->sense_resistance.has_value());
}

TEST(RunCodeTest, SerialWriteFailingIs65545) {
  const int at = TransferNumberOf(Pack800(), "PutWord cmd=0x1C");
  StationRun run(OneStationJig(Pack800("fail_at = " + std::to_string(at))));
  uint8_t board_at_completion = 0xFF;
  run.reports.on_completed = [&] { board_at_completion = run.Port().Output(); };
  const CompletionReport report = run.InitAndRun();
  EXPECT_EQ(report.nErrCode, 65545);
  EXPECT_EQ(report.sSerial, "0") << "NoSerialOnFail = 1: the number is not reported";
  EXPECT_TRUE(run.reports.Reported(kMsgSerial));
  EXPECT_EQ(board_at_completion, 0x80);
}

TEST(RunCodeTest, DateWriteFailingIs65546AndMfrDataWriteFailingIs65558) {
  {
    const int at = TransferNumberOf(Pack800(), "PutWord cmd=0x77 word=0x0030");
    StationRun run(OneStationJig(Pack800("fail_at = " + std::to_string(at))));
    ExpectFailure(run, 65546, kInjected, kMsgMfr);
  }
  const int at = TransferNumberOf(Pack800(), "PutWord cmd=0x77 word=0x0038");
  StationRun run(OneStationJig(Pack800("fail_at = " + std::to_string(at))));
  ExpectFailure(run, 65558, kInjected, kMsgMfr);
  EXPECT_FALSE(run.sequence->Record().date_code.has_value()) << "no date after the failure";
}

// The register-style calibration class is the first gauge-mode write of the run.
TEST(RunCodeTest, RegisterStyleWriteReadBackDifferentFailsCalibrationWith65542) {
  StationRun run(OneStationJig(Pack100("readback_corrupt = yes")));
  ExpectFailure(run, 65543, kStatusDfWriteUnconfirmed, kMsgCal);
}

// The serial number went into the pack before the Monowire switch failed: the report
// names that number (NoSerialOnFail or not) and no second one is asked for or written.
TEST(RunCodeTest, RefusedMonowireIs65548AndReportsTheNumberThePackCarries) {
  for (const int16_t no_serial_on_fail : {1, 0}) {
    SCOPED_TRACE(no_serial_on_fail);
    StationRun run(OneStationJig(Pack100("monowire_refused = yes")));
    run.config.MonowireMode = 1;
    run.config.NoSerialOnFail = no_serial_on_fail;
    run.reports.answer = 4242;
    ExpectFailure(run, 65548, kStatusLoaderRejected, kMsgMonowire, "4242");
    EXPECT_FALSE(run.Pack().Monowire());
    EXPECT_TRUE(run.reports.Reported("Sending to Monowire Mode..."));
    EXPECT_EQ(run.reports.proposals.size(), 1u);
    EXPECT_FALSE(run.reports.Reported(kMsgSerial));
  }
}

TEST(RunCodeTest, UnresponsiveGaugeIs65559) {
  StationRun run(OneStationJig(Pack800("unresponsive = yes")));
  ExpectFailure(run, 65559, kAddressNack, kMsgComm);
  EXPECT_EQ(run.sequence->Record().version_text, "");
}

TEST(RunCodeTest, RowsThatDoNotProgramAre65560OnEveryLoader) {
  for (const std::string& pack :
       {Pack800("bad_rows = 3"), Pack100("bad_rows = 3"), Pack450("bad_rows = 3")}) {
    SCOPED_TRACE(pack.substr(0, 10));
    StationRun run(OneStationJig(pack));
    ExpectFailure(run, 65560, -1, kMsgRomWrite);
  }
}

TEST(RunCodeTest, WorkaroundFailingIs65614) {
  // Device 800, firmware 1.00: its manufacturer block is rewritten, but this gauge
  // answers block 0x23 with fewer than the 14 bytes the rewrite needs.
  StationRun run(OneStationJig(Pack800("firmware = 0x0100")));
  run.AllStepsOff();
  ExpectFailure(run, 65614, kStatusUnexpectedFailure, kMsgWorkaround);
}

// --- failure tail -------------------------------------------------------------------

TEST(FailureTailTest, CommandSet5GoesBackToBusMode0AndKeepsTheStepsCode) {
  StationRun run(OneStationJig(Pack450("bad_rows = 3")));
  const CompletionReport report = run.InitAndRun();
  EXPECT_EQ(report.nErrCode, 65560);
  EXPECT_NE(report.nExtErrCode, 0) << "the programming's status, not the switch's";
  EXPECT_EQ(run.Sim().BusMode(), 0);
  const std::vector<std::string> modes = run.RunTraceOf("SetBusMode");
  ASSERT_GE(modes.size(), 2u);
  EXPECT_EQ(modes[0], "SetBusMode mode=1 -> 0") << "programming";
  EXPECT_EQ(modes[1], "SetBusMode mode=0 -> 0") << "the tail";
  EXPECT_EQ(modes.back(), "SetBusMode mode=0 -> 0");
}

TEST(FailureTailTest, SerialIsWrittenOnFailureUnlessNoSerialOnFail) {
  StationRun run(OneStationJig(Pack800("true_sense_mohm = 11.5")));
  run.config.NominalSenseResistor = 10;
  run.config.NoSerialOnFail = 0;
  run.config.NextSerialNumber = 42;
  const CompletionReport report = run.InitAndRun();
  EXPECT_EQ(report.nErrCode, 65544);
  EXPECT_EQ(report.nExtErrCode, kStatusSenseResistorHigh);
  EXPECT_EQ(report.sSerial, "42");
  EXPECT_EQ(run.reports.proposals, std::vector<int32_t>{42});
  EXPECT_EQ(run.RunTraceOf("PutWord cmd=0x1C"),
            std::vector<std::string>{"PutWord cmd=0x1C word=0x002A addr=0x17 -> 0"});
  EXPECT_EQ(run.reports.statuses.back().text, "Error code = 65571");
}

TEST(FailureTailTest, FailedTailSerialSets65545AndKeepsTheFirstCode) {
  const int at = TransferNumberOf(Pack800(), "PutWord cmd=0x77 word=0x0038");
  StationRun run(OneStationJig(Pack800("fail_from = " + std::to_string(at))));
  run.config.NoSerialOnFail = 0;
  const CompletionReport report = run.InitAndRun();
  EXPECT_EQ(report.nErrCode, 65558);
  EXPECT_EQ(report.nExtErrCode, 65545);
  EXPECT_EQ(report.sSerial, "0") << "the number that could not be written is not reported";
  const std::vector<std::string> texts = run.reports.Texts();
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(texts.end() - 3, texts.end()),
            (std::vector<std::string>{kMsgMfr, "Error code = 261", kMsgSerial}));
  EXPECT_EQ(run.reports.statuses.back().status, vb_cbfail);
  EXPECT_FALSE(run.Port().SupplyOn());
}

}  // namespace
}  // namespace tester::runtest
