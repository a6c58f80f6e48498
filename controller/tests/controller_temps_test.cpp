// Temperatures: probes, the drift stop against the last reference-value update, the
// watch timer, sensor read failures, and the reference-value operations.
#include <gtest/gtest.h>

#include "controller/controller_texts.h"
#include "controller/tests/controller_fixture.h"

namespace tester::test {
namespace {

class Temperatures : public ControllerTest {
protected:
  // Bay0 tracks Bay1's internal sensor, Bay2 its external one, Bay1 nothing.
  void Ready() {
    home.Tolerance(10);
    ASSERT_TRUE(LoadWith(3,
                         "[BoardMapping]\nADAPTER0=Bay0\nADAPTER1=Bay1\nADAPTER2=Bay2\n"
                         "[Bay0]\nITS=1\nProbe=IBay1\n[Bay1]\nITS=1\nETS=1\n"
                         "[Bay2]\nProbe=EBay1\n"));
    Engine(1).int_tenths = 251;
    Engine(1).ext_tenths = 233;
    UpdateAllVTI();
    ASSERT_TRUE(controller->StartEnabled());
  }
};

TEST_F(Temperatures, ProbesHandTheTrackedBoardsReadingsInTenths) {
  Ready();
  controller->Start();
  EXPECT_EQ(Engine(0).temperatures_set, std::vector<int16_t>{251});
  EXPECT_EQ(Engine(2).temperatures_set, std::vector<int16_t>{233});
  EXPECT_TRUE(Engine(1).temperatures_set.empty());
}

TEST_F(Temperatures, ADriftEqualToTheToleranceGoesOnAndATenthMoreStops) {
  Ready();
  Engine(0).int_tenths = 350;  // 25.0 at the update: 10.0 more
  controller->Start();
  EXPECT_EQ(controller->StationsBusy(), 3);
  for (int i = 0; i < 3; ++i) Engine(i).Complete();
  EXPECT_TRUE(controller->StartEnabled());

  Engine(0).int_tenths = 351;
  controller->Start();
  EXPECT_EQ(dialogs.Messages().back(), "Please try again!");
  EXPECT_EQ(Engine(0).executes, 1);
  EXPECT_TRUE(controller->TempBasedStop());
  EXPECT_EQ(controller->TempStopLabel(), kLabelTempBasedStop);
  EXPECT_FALSE(controller->StartEnabled());
  // Only a reference update clears the stop (any station's, even one of no station).
  EXPECT_EQ(controller->UpdateVTI(0, 0, 0, 0, 0, 0, 0, 0, "Nobody"), "");
  EXPECT_FALSE(controller->TempBasedStop());
  EXPECT_EQ(controller->TempStopLabel(), "");
  EXPECT_TRUE(controller->StartEnabled());
}

TEST_F(Temperatures, TheWatchReadsEvery65535MsAndStopsOnDrift) {
  Ready();
  EXPECT_TRUE(controller->TempCheckEnabled());
  Engine(1).int_tenths = 400;
  clock.WaitMs(65534);
  EXPECT_FALSE(controller->TempBasedStop());
  clock.WaitMs(1);
  EXPECT_TRUE(controller->TempBasedStop());
  EXPECT_FALSE(controller->StartEnabled());
}

TEST_F(Temperatures, SensorReadFailuresAreNamedAndAbortTheStart) {
  Ready();
  Engine(1).ext_read_result = 7;
  controller->Start();
  EXPECT_EQ(dialogs.Messages(), (std::vector<std::string>{
                                    "Error reading ext temperature from board Bay1",
                                    "Please try again!"}));
  EXPECT_TRUE(controller->StartEnabled());
  EXPECT_TRUE(controller->TempCheckEnabled());
  clock.WaitMs(65535);
  EXPECT_EQ(dialogs.Messages().back(),
            "Temperature check failed due to error reading temperature! Err code = 7");
}

TEST_F(Temperatures, AStationWhoseEngineEndedIsNoLongerRead) {
  Ready();
  Engine(1).End("engine process crashed");
  Engine(1).int_read_result = 5;  // would abort every start if it were still asked
  controller->Start();
  EXPECT_EQ(controller->StationsBusy(), 2);
  EXPECT_EQ(dialogs.Messages().back(), "The station's engine has ended : Station=Bay1");
}

TEST_F(Temperatures, AReferenceUpdateTakesTheBoardsTemperatureAsItsReference) {
  Ready();
  EXPECT_EQ(Engine(1).vti_calls.back(),
            (std::vector<double>{3700, 0, 0, 0, 25.0, 0, 0, 2000}));
  EXPECT_FLOAT_EQ(controller->RefIntTemp(1), 25.1f);
  Engine(0).int_read_result = 3;
  EXPECT_EQ(controller->UpdateVTI(1, 2, 3, 4, 20, 0, 0, 5, "Bay0"), kMsgOnBoardTempRead);
  Engine(2).vti_result = "cannot save";
  EXPECT_EQ(controller->UpdateVTI(1, 2, 3, 4, 20, 0, 0, 5, "Bay2"), "cannot save");
  EXPECT_EQ(controller->ShowBoard("Bay2", true), 0);
  EXPECT_EQ(Engine(2).flashes, std::vector<bool>{true});
  EXPECT_EQ(controller->ShowBoard("Nobody", true), std::nullopt);
  std::array<int16_t, kStationSlots> internal{}, external{};
  controller->ReadTempValues(internal, external, 3);
  EXPECT_EQ(internal[1], 251);
  EXPECT_EQ(external[1], 233);
}

}  // namespace
}  // namespace tester::test
