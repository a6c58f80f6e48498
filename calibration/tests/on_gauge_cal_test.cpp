// Gauge-assisted calibration against hand-written bus conversations: the reference record
// and step masks the gauge receives, the order of steps and the load switch in
// simultaneous mode, the busy and ready polls with their limits, and the gauge's status
// word turned into calibration results.
#include "calibration/on_gauge_cal.h"

#include "common/status_codes.h"
#include "platform/scripted_dialogs.h"
#include "testing/replay_fixtures.h"
#include "testing/trace_lines.h"

namespace tester {
namespace {

using namespace trace;

// Send-byte with its bus check.
std::string SendByte(unsigned cmd) {
  return "PutCommand cmd=" + Hex2(cmd) + " addr=0x17 -> 0\nBusStatus -> 0\n";
}
// The calibration board's output byte written with the load switched off.
std::string LoadOff() { return RegWriteByte(0xC0, 0x44, 0x00) + BusStatus(); }
std::string Ready() { return ReadWord(0x50, 0x4C7A); }
std::string NotReady() { return ReadWord(0x50, 0x0000); }
// A step the gauge finishes at once and reports clean.
std::string CleanStep(unsigned mask) {
  return WriteWord(0x51, 0xC000 | mask) + ReadWord(0x52, 0x0000) + ReadWord(0x53, 0x0000);
}
std::string Finish() { return SendByte(0x72) + Ready(); }

class OnGaugeCalTest : public ReplayLinkTest {
protected:
  OnGaugeCalTest() { settings.maCommand = 0x00; }

  static CalOptions Current(int16_t ref_ma) {
    CalOptions options;
    options.CurrentCalEnabled = -1;
    options.RefCurrentNeg = ref_ma;
    return options;
  }

  CalBoard board{link, "/nonexistent/Config.ini"};  // board in use (the default)
  ScriptedDialogs dialogs;
  CalContext ctx{link, board, dialogs};
};

TEST_F(OnGaugeCalTest, CCOffsetAloneSendsNoRecordAndStartsMask01) {
  CalOptions options;
  options.CalCCOffset = -1;
  Replay(CleanStep(0x01) + LoadOff() + Finish());
  EXPECT_EQ(RunOnGaugeCal(ctx, options, 0x17), 0);
  ExpectTraceDone();
}

TEST_F(OnGaugeCalTest, ReferenceRecordCarriesCurrentVoltageTemperatureAndCells) {
  CalOptions options = Current(-1000);  // 0xFC18
  options.CalVoltage = -1;
  options.RefVoltage1 = 3700;  // 0x0E74
  options.CalTemperature = -1;
  options.IntTSCalEnabled = -1;
  options.RefTemperature = 25.0f;  // 250 + 2732 = 2982 = 0x0BA6
  options.CellCount = 3;
  Replay(WriteBlock(0x58, {0x18, 0xFC, 0x74, 0x0E, 0xA6, 0x0B, 0x03}) + CleanStep(0xCC) +
         LoadOff() + Finish());
  EXPECT_EQ(RunOnGaugeCal(ctx, options, 0x17), 0);
  ExpectTraceDone();
}

TEST_F(OnGaugeCalTest, RecordLeavesUncalibratedQuantitiesZeroAndRoundsTiesToEven) {
  CalOptions options;
  options.CalTemperature = -1;
  options.TS1CalEnabled = -1;
  options.TS2CalEnabled = -1;
  options.RefTemperature = 0.25f;  // 2734.5 -> 2734 = 0x0AAE
  options.RefVoltage1 = 3700;      // not calibrated: not sent
  options.RefCurrentNeg = -500;
  options.CellCount = 2;
  CalReferenceRecord record{};
  ASSERT_EQ(BuildCalReferenceRecord(options, record), 0);
  EXPECT_EQ(record, (CalReferenceRecord{0, 0, 0, 0, 0xAE, 0x0A, 2}));
  EXPECT_EQ(CalStepMask(options), 0x34);

  options.RefTemperature = 0.75f;  // 2739.5 -> 2740 = 0x0AB4
  ASSERT_EQ(BuildCalReferenceRecord(options, record), 0);
  EXPECT_EQ(record[4], 0xB4);
  EXPECT_EQ(record[5], 0x0A);
}

TEST_F(OnGaugeCalTest, SimultaneousTakesCurrentAloneThenLoadOffThenTheRest) {
  CalOptions options = Current(-2000);  // 0xF830
  options.CalSimultaneous = -1;
  options.CalVoltage = -1;
  options.RefVoltage1 = 4000;  // 0x0FA0
  options.CalCCOffset = -1;
  options.CellCount = 1;
  Replay(WriteBlock(0x58, {0x30, 0xF8, 0xA0, 0x0F, 0x00, 0x00, 0x01}) + CleanStep(0x40) +
         LoadOff() + CleanStep(0x81) + Finish());
  EXPECT_EQ(RunOnGaugeCal(ctx, options, 0x17), 0);
  ExpectTraceDone();
}

TEST_F(OnGaugeCalTest, SimultaneousNeedsBothCurrentAndVoltage) {
  CalOptions options = Current(-2000);
  options.CalSimultaneous = -1;
  Replay(WriteBlock(0x58, {0x30, 0xF8, 0, 0, 0, 0, 0}) + CleanStep(0x40) + LoadOff() + Finish());
  EXPECT_EQ(RunOnGaugeCal(ctx, options, 0x17), 0);
  ExpectTraceDone();
}

TEST_F(OnGaugeCalTest, FailedCurrentStepStillSwitchesTheLoadOffAndStops) {
  CalOptions options = Current(-2000);
  options.CalSimultaneous = -1;
  options.CalVoltage = -1;
  options.RefVoltage1 = 4000;
  Replay(WriteBlock(0x58, {0x30, 0xF8, 0xA0, 0x0F, 0, 0, 0}) + WriteWord(0x51, 0xC040) +
         ReadWord(0x52, 0) + ReadWord(0x53, 0x0001) + LoadOff());
  EXPECT_EQ(RunOnGaugeCal(ctx, options, 0x17), kStatusCalCurrentFailed);
  ExpectTraceDone();
}

TEST_F(OnGaugeCalTest, MissingReferencesAndEmptyRequestsSendNothing) {
  Replay("");
  CalOptions nothing;
  nothing.CalBoardOffset = -1;  // not a gauge-assisted step
  EXPECT_EQ(RunOnGaugeCal(ctx, nothing, 0x17), kStatusCalNothingRequested);

  CalOptions voltage;
  voltage.CalVoltage = -1;
  voltage.RefVoltage1 = 1;
  voltage.CalTemperature = -1;  // also missing: voltage is checked first
  EXPECT_EQ(RunOnGaugeCal(ctx, voltage, 0x17), kStatusCalNoVoltageRef);
  voltage.RefVoltage1 = 70000;  // beyond the record's 16-bit field
  EXPECT_EQ(RunOnGaugeCal(ctx, voltage, 0x17), kStatusCalNoVoltageRef);

  CalOptions temperature;
  temperature.CalTemperature = -1;
  temperature.RefTemperature = 0.0f;
  EXPECT_EQ(RunOnGaugeCal(ctx, temperature, 0x17), kStatusCalNoTemperatureRef);

  EXPECT_EQ(RunOnGaugeCal(ctx, Current(0), 0x17), kStatusCalNoCurrentRef);
  ExpectTraceDone();

  CalReferenceRecord record{};
  voltage.RefVoltage1 = 2;  // just above the least usable reference
  voltage.CalTemperature = 0;
  EXPECT_EQ(BuildCalReferenceRecord(voltage, record), 0);
}

TEST_F(OnGaugeCalTest, FailedRecordWriteEndsTheRun) {
  Replay("PutBlock cmd=0x58 addr=0x17 len=7 data=18FC0000000000 -> 5\n");
  EXPECT_EQ(RunOnGaugeCal(ctx, Current(-1000), 0x17), 5);
  ExpectTraceDone();
}

TEST_F(OnGaugeCalTest, BusyWordIgnoresBitsSixAndSevenOfTheHighByte) {
  Replay(WriteWord(0x51, 0xC001) + ReadWord(0x52, 0x0100) + ReadWord(0x52, 0x0001) +
         ReadWord(0x52, 0xC000) + ReadWord(0x53, 0x0000));
  EXPECT_EQ(StartCalStep(ctx, 0x01, 0x17), 0);
  ExpectTraceDone();
  // 1 ms bus check, 300 ms settle, three polls of 200 ms.
  EXPECT_EQ(ElapsedMs(), 901);
  EXPECT_TRUE(CalStepBusy(0x3F, 0x00));
  EXPECT_FALSE(CalStepBusy(0x80, 0x00));
}

TEST_F(OnGaugeCalTest, StepThatNeverGoesIdleGivesUpAfterThirtySeconds) {
  Replay(WriteWord(0x51, 0xC080) + Repeat(ReadWord(0x52, 0x0001), 150));
  EXPECT_EQ(StartCalStep(ctx, 0x80, 0x17), kStatusCalDoneTimeout);
  ExpectTraceDone();
  EXPECT_EQ(ElapsedMs(), 1 + 300 + 30000);
}

TEST_F(OnGaugeCalTest, UnreadableBusyWordEndsTheStepWithTheReadStatus) {
  Replay(WriteWord(0x51, 0xC080) + ReadWord(0x52, 0x0001) + ReadWord(0x52, 0, 7));
  EXPECT_EQ(StartCalStep(ctx, 0x80, 0x17), 7);
  ExpectTraceDone();
}

TEST_F(OnGaugeCalTest, GaugeStatusWordBecomesTheStepResult) {
  Replay(WriteWord(0x51, 0xC080) + ReadWord(0x52, 0) + ReadWord(0x53, 0x2000));
  EXPECT_EQ(StartCalStep(ctx, 0x80, 0x17), kStatusCalGaugeHigh5);
  ExpectTraceDone();
}

TEST(CalStatusToError, EveryBitInTableOrder) {
  EXPECT_EQ(CalStatusToError(0x00, 0x02), 5030);
  EXPECT_EQ(CalStatusToError(0x00, 0x04), 5029);
  EXPECT_EQ(CalStatusToError(0x00, 0x08), 5028);
  EXPECT_EQ(CalStatusToError(0x00, 0x10), 5027);
  EXPECT_EQ(CalStatusToError(0x00, 0x20), 5026);
  EXPECT_EQ(CalStatusToError(0x00, 0x40), 5025);
  EXPECT_EQ(CalStatusToError(0x00, 0x80), 5024);
  EXPECT_EQ(CalStatusToError(0x01, 0x00), 5023);
  EXPECT_EQ(CalStatusToError(0x20, 0x00), 5022);
  EXPECT_EQ(CalStatusToError(0x40, 0x00), 5021);
  EXPECT_EQ(CalStatusToError(0x80, 0x00), 5020);
}

TEST(CalStatusToError, LowBitZeroWinsThenTheFirstRowThenUnknown) {
  EXPECT_EQ(CalStatusToError(0xFF, 0xFF), 5031);
  EXPECT_EQ(CalStatusToError(0x80, 0x03), 5031);
  EXPECT_EQ(CalStatusToError(0x80, 0x02), 5030);
  EXPECT_EQ(CalStatusToError(0xE1, 0x80), 5024);
  EXPECT_EQ(CalStatusToError(0x61, 0x00), 5023);
  EXPECT_EQ(CalStatusToError(0x1E, 0x00), 5039);  // only bits without a row
}

TEST_F(OnGaugeCalTest, WaitCalDoneGivesUpAfterFourSeconds) {
  // Reads every 50 ms from the finish command on: 0 .. 4000 ms, 81 reads.
  Replay(SendByte(0x72) + Repeat(NotReady(), 81));
  EXPECT_EQ(WaitCalDone(ctx, 0x17), kStatusCalDoneTimeout);
  ExpectTraceDone();
  EXPECT_EQ(ElapsedMs(), 1 + 4000);
}

TEST_F(OnGaugeCalTest, WaitCalDoneKeepsPollingThroughReadsTheGaugeDoesNotAnswer) {
  Replay(SendByte(0x72) + ReadWord(0x50, 0, 3) + NotReady() + Ready());
  EXPECT_EQ(WaitCalDone(ctx, 0x17), 0);
  ExpectTraceDone();

  Replay("PutCommand cmd=0x72 addr=0x17 -> 9\n");
  EXPECT_EQ(WaitCalDone(ctx, 0x17), 9);
  ExpectTraceDone();
}

TEST_F(OnGaugeCalTest, EnteringWritesTheEntryWordOnlyWhenNotReady) {
  Replay(Ready());
  EXPECT_EQ(EnterOnGaugeCalMode(ctx, 0x17), 0);
  ExpectTraceDone();

  settings.maCommand = 0x44;
  Replay(NotReady() + WriteWord(0x44, 0x0040) + Ready());
  EXPECT_EQ(EnterOnGaugeCalMode(ctx, 0x17), 0);
  ExpectTraceDone();

  Replay(NotReady() + WriteWord(0x44, 0x0040) + ReadWord(0x50, 0x7A4C));
  EXPECT_EQ(EnterOnGaugeCalMode(ctx, 0x17), kStatusCalModeFailed);
  ExpectTraceDone();
}

TEST_F(OnGaugeCalTest, LeavingSendsTheLeaveCommandOnlyWhenReady) {
  Replay(Ready() + SendByte(0x73));
  EXPECT_EQ(ExitOnGaugeCalMode(ctx, 0x17), 0);
  ExpectTraceDone();

  Replay(NotReady());
  EXPECT_EQ(ExitOnGaugeCalMode(ctx, 0x17), 0);
  ExpectTraceDone();

  Replay(ReadWord(0x50, 0, 4));
  EXPECT_EQ(ExitOnGaugeCalMode(ctx, 0x17), 4);
  ExpectTraceDone();
}

TEST_F(OnGaugeCalTest, RunCalibrationLeavesAfterAFailedRunButNotAfterAFailedEntry) {
  CalOptions options;
  options.CalCCOffset = -1;
  Replay(NotReady() + WriteWord(0x00, 0x0040) + NotReady());
  EXPECT_EQ(RunCalibration(ctx, options, 0x17), kStatusCalModeFailed);
  ExpectTraceDone();

  Replay(Ready() + WriteWord(0x51, 0xC001) + ReadWord(0x52, 0) + ReadWord(0x53, 0x0004) +
         LoadOff() + Ready() + SendByte(0x73));
  EXPECT_EQ(RunCalibration(ctx, options, 0x17), kStatusCalGaugeLow2);
  ExpectTraceDone();

  Replay(Ready() + CleanStep(0x01) + LoadOff() + Finish() + Ready() +
         "PutCommand cmd=0x73 addr=0x17 -> 6\n");
  EXPECT_EQ(RunCalibration(ctx, options, 0x17), 6);
  ExpectTraceDone();
}

}  // namespace
}  // namespace tester
