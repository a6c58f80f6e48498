// Runs: the start button, status rows, serial numbers and their fates, completions,
// lamps, and the stations the controller completes itself.
#include <gtest/gtest.h>

#include "common/status_codes.h"
#include "controller/controller_texts.h"
#include "controller/tests/controller_fixture.h"

namespace tester::test {
namespace {

class Runs : public ControllerTest {
protected:
  // `boards` stations without calibration: start is enabled at once.
  void Ready(int boards, const std::string& keys = "") {
    home.Calibration(false);
    ASSERT_TRUE(LoadWith(boards, JigFor(boards, keys)));
    ASSERT_TRUE(controller->StartEnabled());
  }
};

TEST_F(Runs, ARunIsShownSerialisedLoggedAndLit) {
  Ready(2);
  serials.next = 7001;
  controller->Start();
  EXPECT_EQ(Engine(0).executes, 1);
  EXPECT_EQ(controller->StationsBusy(), 2);
  EXPECT_FALSE(controller->StartEnabled());

  Engine(1).Status("Power Up...");
  EXPECT_EQ(controller->StatusRows(), (std::vector<std::string>{"", "Bay1:Power Up..."}));
  EXPECT_EQ(controller->Row(1).step, "Power Up...");
  EXPECT_EQ(Engine(0).AskSerial(), 7001);  // the engine's proposal is ignored
  EXPECT_EQ(serials.requesters.back().first, "Bay0");
  EXPECT_EQ(Engine(1).AskSerial(), 7002);
  EXPECT_EQ(Engine(1).AskSerial(), 7003);  // a second write of the same run

  Engine(0).Complete(0, 0, "7001");
  EXPECT_EQ(controller->Lamp(0), LampColour::kGreen);
  EXPECT_FALSE(controller->StartEnabled());  // Bay1 still runs
  Engine(1).Complete(65544, 7, "0");
  EXPECT_EQ(controller->Lamp(1), LampColour::kRed);
  EXPECT_TRUE(controller->StartEnabled());
  EXPECT_EQ(controller->StationsBusy(), 0);

  ASSERT_EQ(log.entries.size(), 2u);
  EXPECT_EQ(log.entries[0].station, "Bay0");
  EXPECT_EQ(log.entries[1].err, 65544);
  EXPECT_TRUE(log.entries[1].had_record);
  EXPECT_EQ(serials.fates[7001], SerialFate::kWritten);
  EXPECT_EQ(serials.fates[7002], SerialFate::kVoid);
  EXPECT_EQ(serials.fates[7003], SerialFate::kVoid);
  EXPECT_EQ(controller->Row(0).verdict, "PASS");
  EXPECT_EQ(controller->Row(0).serial, "7001");
  EXPECT_EQ(controller->Row(1).verdict, "FAIL");
  EXPECT_EQ(controller->Row(1).message, "pack failed");
  EXPECT_EQ(YieldText(controller->Row(1)), "0.0 %");

  // The next start clears the lamps and the verdicts, the status list at its end.
  controller->Start();
  EXPECT_EQ(controller->Lamp(0), LampColour::kBackground);
  EXPECT_EQ(controller->Row(1).verdict, "");
  EXPECT_TRUE(controller->StatusRows().empty());
}

TEST_F(Runs, AFailedSerialWriteLeavesItsNumberVoid) {
  Ready(1);
  controller->Start();
  const int32_t n = Engine(0).AskSerial();
  Engine(0).Complete(65545, kStatusSerialWriteFailed, std::to_string(n));
  EXPECT_EQ(serials.fates[n], SerialFate::kVoid);
  EXPECT_EQ(controller->Row(0).serial, "");
}

TEST_F(Runs, AnExtendedCodeAloneLightsGreen) {
  Ready(1);
  controller->Start();
  Engine(0).Complete(0, 12, "5");
  EXPECT_EQ(controller->Lamp(0), LampColour::kGreen);
}

TEST_F(Runs, NoStationTestingStartsNothing) {
  Ready(2, "DoTesting=0\n");
  controller->Start();
  EXPECT_EQ(Engine(0).executes + Engine(1).executes, 0);
  EXPECT_EQ(controller->StationsBusy(), 0);
  EXPECT_TRUE(controller->StartEnabled());
  EXPECT_FALSE(controller->TempCheckEnabled());
}

TEST_F(Runs, ARefusingEngineIsNamedAndTheOthersRun) {
  factory.on_create = [](FakeEngine& engine, int i) {
    if (i == 1) engine.execute_result = 5;
    if (i == 2) engine.execute_throws = true;
  };
  Ready(4);
  controller->Start();
  EXPECT_EQ(dialogs.Messages(),
            (std::vector<std::string>{"Tester returned error for board Bay1",
                                      "engine gone : Station=Bay2"}));
  EXPECT_EQ(controller->StationsBusy(), 2);
  Engine(0).Complete();
  EXPECT_FALSE(controller->StartEnabled());
  Engine(3).Complete();
  EXPECT_TRUE(controller->StartEnabled());
}

TEST_F(Runs, ASecondStartWhileStationsRunIsRefused) {
  Ready(2);
  controller->Start();
  Engine(0).Complete();
  reminder.listener->ReminderFired();  // would enable the button by the reminder alone
  EXPECT_FALSE(controller->StartEnabled());
  controller->Start();
  EXPECT_EQ(Engine(0).executes, 1);
  EXPECT_EQ(dialogs.Messages().back(), kMsgStillRunning);
}

TEST_F(Runs, AStatusOfStation3OnAOneRowListLandsInRow3) {
  Ready(4);
  controller->Start();
  Engine(0).Status("Power Up...");
  Engine(3).Status("Calibrating...");
  EXPECT_EQ(controller->StatusRows(),
            (std::vector<std::string>{"Bay0:Power Up...", "", "", "Bay3:Calibrating..."}));
}

TEST_F(Runs, OnlyTheFirstEngineTitlesTheWindow) {
  Ready(2);
  EXPECT_EQ(controller->Caption(), "Gangwright Software");
  Engine(1).Title("other.rom (x)");
  EXPECT_EQ(controller->Caption(), "Gangwright Software");
  Engine(0).Title("Tester_800.1.02.rom (demo)");
  EXPECT_EQ(controller->Caption(), "Gangwright Software - Tester_800.1.02.rom (demo)");
}

TEST_F(Runs, ClosingWaitsForTheRunningStationsThenQuits) {
  Ready(3);
  controller->Start();
  int quits_at_completion = -1;
  clock.StartTimer(2000, [&] { Engine(0).Complete(); }, TimerKind::kOneShot);
  clock.StartTimer(5000, [&] {
    quits_at_completion = Engine(0).quits + Engine(1).quits;
    Engine(1).Complete();
    Engine(2).Complete();
  }, TimerKind::kOneShot);
  const int64_t before = clock.Now();
  controller->Shutdown();
  EXPECT_EQ(quits_at_completion, 0);
  EXPECT_EQ(controller->Caption(), "Please wait...");
  EXPECT_GE(clock.Now() - before, 5'500'000);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Engine(i).quits, 1) << i;
  EXPECT_EQ(factory.released.size(), 12u);
}

TEST_F(Runs, AnEngineThatEndsMidRunCompletesItsStationAsError) {
  Ready(3);
  controller->Start();
  Engine(1).End("engine process crashed");
  EXPECT_EQ(controller->Row(1).verdict, "ERROR");
  EXPECT_EQ(controller->Lamp(1), LampColour::kRed);
  ASSERT_EQ(log.entries.size(), 1u);
  EXPECT_EQ(log.entries[0].err, kStatusUnexpectedFailure);
  EXPECT_EQ(log.entries[0].ext, kExtEngineEnded);
  EXPECT_EQ(controller->StatusRows().at(1),
            "Bay1:Engine ended during the run: engine process crashed");
  Engine(0).Complete();
  Engine(2).Complete();
  EXPECT_TRUE(controller->StartEnabled());
  // The next start leaves the station out and says so; the others start.
  controller->Start();
  EXPECT_EQ(Engine(1).executes, 1);
  EXPECT_EQ(dialogs.Messages().back(), "The station's engine has ended : Station=Bay1");
  EXPECT_EQ(controller->StationsBusy(), 2);
}

TEST_F(Runs, ARunBeyondTheTimeLimitIsEndedAndItsLateCompletionDropped) {
  Ready(2);
  controller->Start();
  Engine(0).Complete();
  clock.WaitMs(59'999);
  EXPECT_EQ(controller->StationsBusy(), 1);
  clock.WaitMs(1);
  EXPECT_EQ(controller->StationsBusy(), 0);
  EXPECT_EQ(Engine(1).quits, 1);
  EXPECT_EQ(controller->Row(1).verdict, "ERROR");
  EXPECT_EQ(controller->Row(1).message, "No completion within 60 s: station stopped");
  EXPECT_EQ(log.entries.back().ext, kExtRunTimedOut);
  EXPECT_TRUE(controller->StartEnabled());
  Engine(1).Complete();
  EXPECT_EQ(log.entries.size(), 2u);
  EXPECT_EQ(controller->Row(1).failed, 1);
}

TEST_F(Runs, AResultTheLogRefusesIsReported) {
  Ready(1);
  log.add_error = "disk full";
  controller->Start();
  Engine(0).Complete();
  EXPECT_EQ(dialogs.Messages().back(), "The result log did not take the result of Bay0: disk full");
}

}  // namespace
}  // namespace tester::test
