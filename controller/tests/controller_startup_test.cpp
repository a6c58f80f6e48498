// Start-up: engines, the adapters they claim, [BoardMapping] and the stations' sections,
// the engines' initialisation, and every way it fails.
#include <gtest/gtest.h>

#include "controller/controller_texts.h"
#include "controller/tests/controller_fixture.h"

namespace tester::test {
namespace {

using StartUp = ControllerTest;

TEST_F(StartUp, NoAdapterAndNoMappingQuitsAllTwelveAndClosesAfter300Ms) {
  EXPECT_FALSE(LoadWith(0, ""));
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{"Error: Expected 0 boards, Found 0"});
  ASSERT_EQ(factory.engines.size(), 12u);
  for (FakeEngine* engine : factory.engines) EXPECT_EQ(engine->quits, 1);
  EXPECT_EQ(view.failed, 1);
  clock.WaitMs(299);
  EXPECT_EQ(view.close_requests, 0);
  clock.WaitMs(1);
  EXPECT_EQ(view.close_requests, 1);
  controller->Shutdown();
  EXPECT_EQ(factory.released.size(), 12u);
}

TEST_F(StartUp, LinesAreCountedAgainstTheBoardsFoundCommentsIncluded) {
  EXPECT_FALSE(LoadWith(0, "[BoardMapping]\nA=One\nB=Two\n"));
  EXPECT_EQ(dialogs.Messages().back(), "Error: Expected 2 boards, Found 0");
  EXPECT_FALSE(LoadWith(2, "[BoardMapping]\n; bench 3\nADAPTER0=One\nADAPTER1=Two\n"));
  EXPECT_EQ(dialogs.Messages().back(), "Error: Expected 3 boards, Found 2");
  // As many lines as boards, but a comment among them leaves a board without a name.
  EXPECT_FALSE(LoadWith(3, "[BoardMapping]\n; bench 3\nADAPTER0=One\nADAPTER1=Two\n"));
  EXPECT_EQ(dialogs.Messages().back(), "No station name in [BoardMapping] for board ADAPTER2");
}

TEST_F(StartUp, EntriesNameStationsAndTheirSectionsGiveTheFlags) {
  ASSERT_TRUE(LoadWith(3,
                       "[BoardMapping]\nADAPTER0=\nADAPTER1= Bay 1\nADAPTER2=Bay2\n"
                       "[NoName]\nITS=1\nETS=2\nDoTesting=0\nProbe=IBay2\n"
                       "[Bay2]\nETS=1\n"));
  EXPECT_EQ(controller->NumBoards(), 3);
  const StationSlot& noname = controller->Slot(0);
  EXPECT_EQ(noname.sStationName, "NoName");
  EXPECT_TRUE(noname.bITS);
  EXPECT_FALSE(noname.bETS);
  EXPECT_FALSE(noname.bDoTesting);
  EXPECT_EQ(noname.sProbe, "IBay2");
  // The space after "=" stays in the name and in the station file's name.
  EXPECT_EQ(controller->Slot(1).sStationName, " Bay 1");
  EXPECT_EQ(Engine(1).ini_file, home.Path() + "\\ Bay 1");
  EXPECT_TRUE(controller->Slot(2).bDoTesting);  // missing DoTesting counts as on
  EXPECT_TRUE(controller->Slot(2).bETS);
  EXPECT_EQ(Engine(0).ini_file, home.Path() + "\\NoName");
  // Spare engines quit, the stations' engines initialised, the log told the names.
  for (int i = 3; i < 12; ++i) EXPECT_EQ(Engine(i).quits, 1) << i;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Engine(i).inits, 1) << i;
  EXPECT_EQ(log.stations, (std::vector<std::string>{"NoName", " Bay 1", "Bay2"}));
  EXPECT_EQ(controller->AboutVersion(), "2.2.7 Gangwright multi-station controller");
  EXPECT_FALSE(controller->StartupFailed());
  EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(StartUp, IdentifiersMatchExactly) {
  const std::string missing =
      "\r\nThis error may also be shown if more than 12 boards are connected.";
  EXPECT_FALSE(LoadWith(1, "[BoardMapping]\nadapter0=Bay0\n"));
  EXPECT_EQ(dialogs.Messages().back(), "Missing board:adapter0=Bay0" + missing);
  EXPECT_FALSE(LoadWith(1, "[BoardMapping]\nADAPTER0 =Bay0\n"));
  EXPECT_EQ(dialogs.Messages().back(), "Missing board:ADAPTER0 =Bay0" + missing);
  EXPECT_FALSE(LoadWith(1, "[BoardMapping]\nADAPTER0\n"));
  EXPECT_EQ(dialogs.Messages().back(),
            "Error in [BoardMapping] of JigSetup.ini: no \"=\" in the line: ADAPTER0");
}

TEST_F(StartUp, EveryEngineIsInitialisedAndTheLastFailureNamed) {
  factory.on_create = [](FakeEngine& engine, int i) {
    if (i == 0 || i == 2) engine.init_result = 65553;
    if (i == 2) engine.setup_message = "image unreadable";
  };
  EXPECT_FALSE(LoadWith(3));
  EXPECT_EQ(dialogs.Messages(),
            std::vector<std::string>{
                "Single site InitCacheFromSetup() failed for board Bay2.Error code =65553"});
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Engine(i).inits, 1) << i;
  EXPECT_EQ(view.notes.back(), "Bay2: image unreadable");
}

TEST_F(StartUp, TwelveBoardsUseEverySlot) {
  ASSERT_TRUE(LoadWith(12));
  EXPECT_EQ(controller->NumBoards(), 12);
  for (FakeEngine* engine : factory.engines) EXPECT_EQ(engine->quits, 0);
}

TEST_F(StartUp, SerialConfigurationAndEngineCreationFailuresEndStartUp) {
  serials.config_error = "range exhausted";
  EXPECT_FALSE(LoadWith(2));
  EXPECT_EQ(dialogs.Messages().back(), "Error in configuration for serial number: range exhausted");
  EXPECT_TRUE(factory.engines.empty());

  serials.config_error.clear();
  factory.fail_at = 5;
  EXPECT_FALSE(LoadWith(2));
  EXPECT_EQ(dialogs.Messages().back(), "Error creating instances of Single station tester");
  EXPECT_EQ(factory.engines.size(), 5u);
  controller->Shutdown();  // the five engines made are released
  EXPECT_EQ(factory.released.size(), 5u);
}

TEST_F(StartUp, WithoutCalibrationNoReferenceValuesAreNeeded) {
  home.Calibration(false);
  reminder.due = true;  // never reset in this folder
  ASSERT_TRUE(LoadWith(2));
  EXPECT_FALSE(controller->VTIRequired());
  EXPECT_FALSE(controller->VTIButtonVisible());
  EXPECT_TRUE(controller->StartEnabled());
  EXPECT_FALSE(reminder.enabled);
  EXPECT_FALSE(controller->TempCheckEnabled());
}

TEST_F(StartUp, WithCalibrationStartWaitsForTheReferenceValues) {
  ASSERT_TRUE(LoadWith(2));
  EXPECT_TRUE(controller->VTIButtonVisible());
  EXPECT_FALSE(controller->StartEnabled());
  UpdateAllVTI();
  EXPECT_TRUE(controller->StartEnabled());
}

}  // namespace
}  // namespace tester::test

namespace tester::test {
namespace {

TEST(ControllerSettings, TheRunTimeLimitComesFromGangwrightIni) {
  ScratchFolder home("controller-settings");
  EXPECT_EQ(LoadControllerSettings(home.Path()).run_time_limit_ms, 300'000);
  home.Write("gangwright.ini", "[Runs]\nTimeLimitSeconds=45\n");
  EXPECT_EQ(LoadControllerSettings(home.Path()).run_time_limit_ms, 45'000);
  home.Write("gangwright.ini", "[Runs]\nTimeLimitSeconds=0\n");
  EXPECT_EQ(LoadControllerSettings(home.Path()).run_time_limit_ms, 300'000);
}

}  // namespace
}  // namespace tester::test
