// The VTI grid over fake engines: filling from the station files, sending the rows,
// calibration mode with the board's lights, the sensor read and the lock.
#include <gtest/gtest.h>

#include "controller/tests/vti_fakes.h"
#include "controller/vti_texts.h"

namespace tester::test {
namespace {

using Messages = std::vector<std::string>;

class VtiGridTest : public ::testing::Test {
protected:
  VtiGridTest() { world.Global(1, 1, 2, 1, 1); }
  VtiGrid& Open(clsPassword* lock = nullptr) {
    grid = std::make_unique<VtiGrid>(world.Parts(lock));
    grid->Open();
    return *grid;
  }
  VtiWorld world;
  std::unique_ptr<VtiGrid> grid;
};

TEST_F(VtiGridTest, FillsFromTheStationFilesAndSendsEveryRow) {
  VtiFakeEngine& a = world.Station("Bay0", 3700, 24.1f);
  VtiFakeEngine& b = world.Station("Bay1", 3650);
  VtiGrid& g = Open();
  ASSERT_EQ(g.NumStations(), 2);
  EXPECT_EQ(g.Row(0).text[kBoxV2], "7400");
  EXPECT_EQ(g.Row(0).text[kBoxT], "24.1");
  g.SetText(1, kBoxV, " 3701.5 ");  // ties to even
  g.SetText(1, kBoxI, "-2.5");
  EXPECT_TRUE(g.UpdateClose());
  EXPECT_TRUE(g.Closed());
  ASSERT_EQ(a.updates.size(), 1u);
  EXPECT_EQ(a.updates[0].nV3, 11100);  // hidden boxes are sent with what they hold
  EXPECT_EQ(a.updates[0].nT, 24.1f);
  // A row without a probe sends its temperature for both sensors.
  EXPECT_EQ(a.updates[0].nIT, 24.1f);
  EXPECT_EQ(a.updates[0].nET, 24.1f);
  ASSERT_EQ(b.updates.size(), 1u);
  EXPECT_EQ(b.updates[0].nV, 3702);
  EXPECT_EQ(b.updates[0].nI, -2);
  EXPECT_EQ(world.host.updated, 2);
  EXPECT_EQ(world.dialogs.Messages(), Messages{});
}

TEST_F(VtiGridTest, ABadBoxStopsTheRowsAfterItAndARefusalDoesNot) {
  VtiFakeEngine& a = world.Station("Bay0", 3700);
  VtiFakeEngine& b = world.Station("Bay1", 3700);
  VtiFakeEngine& c = world.Station("Bay2", 3700);
  VtiGrid& g = Open();
  a.refuse = "disk full";
  g.SetText(1, kBoxV, "37a0");
  EXPECT_FALSE(g.UpdateClose());
  EXPECT_FALSE(g.Closed());
  EXPECT_EQ(a.updates.size(), 1u);
  EXPECT_TRUE(b.updates.empty());
  EXPECT_TRUE(c.updates.empty());
  EXPECT_EQ(world.dialogs.Messages(),
            (Messages{"Error updating VTI: disk full",
                      "Please enter valid values! Error updating VTI: Bay1, V1: \"37a0\" is "
                      "not a number"}));
  g.SetText(1, kBoxV, "32767.5");  // rounds beyond the 16-bit range
  EXPECT_FALSE(g.ApplyVTI());
  EXPECT_EQ(world.dialogs.Messages().back(),
            "Please enter valid values! Error updating VTI: Bay1, V1: \"32767.5\" is outside "
            "-32768 to 32767");
  g.SetText(1, kBoxV, "3700");
  EXPECT_FALSE(g.ApplyVTI());  // the refusal still fails the whole apply ...
  EXPECT_EQ(b.updates.size(), 1u);  // ... but the rows after it were sent
  EXPECT_EQ(c.updates.size(), 1u);
}

TEST_F(VtiGridTest, UpdateTakesTheBoardTemperatureAndLiftsTheStopEvenForNoStation) {
  VtiFakeEngine& own = world.Station("Bay0", 3700, 25.0f, true, "IBay0");
  VtiValues v;
  EXPECT_EQ(UpdateVTI(world.host, v, "Nobody"), "");
  EXPECT_TRUE(own.updates.empty());
  EXPECT_EQ(world.host.updated, 1);
  own.internal = 237;
  EXPECT_EQ(UpdateVTI(world.host, v, "Bay0"), "");
  ASSERT_EQ(world.host.references.size(), 1u);
  EXPECT_EQ(world.host.references[0], (std::pair<int, float>{0, 23.7f}));
  own.read_status = 5;
  EXPECT_EQ(UpdateVTI(world.host, v, "Bay0"), kMsgVtiOnBoardTemp);
  EXPECT_EQ(world.host.updated, 2);  // not lifted by a failed read
  world.host.stations[0].engine = nullptr;
  EXPECT_EQ(UpdateVTI(world.host, v, "Bay0"), kMsgVtiEngineEnded);
}

TEST_F(VtiGridTest, ARowTrackingItsOwnProbeShowsAndSendsItsReading) {
  world.Station("Bay0", 3700, 25.0f, true, "IBay0");
  world.host.internal[0] = 241;
  VtiGrid& g = Open();
  EXPECT_EQ(g.Row(0).text[kBoxIT], "24.1");
  EXPECT_TRUE(g.Row(0).boxes.visible[kBoxIT]);
  g.FocusBox(0);
  EXPECT_EQ(g.AlertText(), std::string(kVtiAlertIntro) +
                               "\n    Voltage Source.\n    Current Source.\n    Temperature "
                               "Sensors");
  EXPECT_EQ(g.AlertHeight(), 1200 + 400 + 200);
  EXPECT_TRUE(g.ApplyVTI());
  EXPECT_EQ(world.host.engines[0]->updates[0].nIT, 24.1f);
  EXPECT_EQ(world.host.engines[0]->updates[0].nET, 25.0f);  // no external box: nT
}

TEST_F(VtiGridTest, CalibrationModeFollowsTheFocusedRow) {
  for (int i = 0; i < 6; ++i) world.Station("Bay" + std::to_string(i), 3700);
  VtiGrid& g = Open();
  // The first focus selects its row, also row 5, and switches nobody else's lights off.
  g.FocusBox(5);
  EXPECT_EQ(world.host.shown, (std::vector<std::pair<int, bool>>{{5, true}}));
  g.FocusBox(5);  // the same row again: no second command
  EXPECT_EQ(world.host.shown.size(), 1u);
  EXPECT_EQ(g.StationIdText(), "Bay5");
  EXPECT_TRUE(g.CalModeVisible());

  world.clock.WaitMs(410);
  EXPECT_TRUE(g.StationIdRed());
  EXPECT_TRUE(g.Row(5).name_red);
  world.clock.WaitMs(410);
  EXPECT_FALSE(g.StationIdRed());
  world.clock.WaitMs(410);

  world.host.show_result = -1;
  g.FocusBox(2);
  EXPECT_EQ(world.host.shown,
            (std::vector<std::pair<int, bool>>{{5, true}, {5, false}, {2, true}}));
  EXPECT_FALSE(g.Row(5).name_red);  // the row left stops blinking black
  EXPECT_EQ(g.CurStation(), 2);     // the selection changes though the lights failed
  EXPECT_EQ(world.dialogs.Messages(), (Messages{kMsgFlashLeds, kMsgFlashLeds}));
  world.host.show_result = 0;

  g.Close();
  EXPECT_EQ(world.host.shown.back(), (std::pair<int, bool>{2, false}));
  EXPECT_FALSE(g.BlinkRunning());
  EXPECT_FALSE(g.CalModeVisible());
  world.clock.WaitMs(2000);
  EXPECT_FALSE(g.Row(2).name_red);
}

TEST_F(VtiGridTest, ReadingTheSensorsWaitsOnThePumpAndFillsEveryRow) {
  world.Station("Bay0", 3700);
  world.Station("Bay1", 3700, 25.0f, true, "IBay0");
  VtiGrid& g = Open();
  EXPECT_EQ(g.Row(0).text[kBoxIT], "0");  // no probe: no reading shown at opening
  world.host.internal = {215, -5};
  world.host.external = {300, 12};
  bool busy_while_waiting = false;
  world.clock.StartTimer(100, [&] { busy_while_waiting = g.Busy() && !g.ReadTempEnabled(); },
                         TimerKind::kOneShot);
  const int64_t before = world.clock.Now();
  g.ReadTemp();
  EXPECT_EQ(world.clock.Now() - before, 650'000);
  EXPECT_TRUE(busy_while_waiting);
  EXPECT_TRUE(g.ReadTempEnabled());
  EXPECT_EQ(g.Row(0).text[kBoxIT], "21.5");
  EXPECT_EQ(g.Row(0).text[kBoxET], "30");
  EXPECT_EQ(g.Row(1).text[kBoxIT], "-0.5");
  EXPECT_EQ(g.Row(1).text[kBoxET], "1.2");
}

class FakeLock final : public clsPassword {
public:
  bool locked = false;
  bool allowed = false;
  void SetListener(LockStateListener*) override {}
  bool IsLocked() override { return locked; }
  void Lock() override { locked = true; }
  bool VTIAlwaysAllowed() override { return allowed; }
};

TEST_F(VtiGridTest, TheLockMakesTheGridReadOnlyUnlessReferenceValuesAreAllowed) {
  world.Station("Bay0", 3700);
  FakeLock lock;
  EXPECT_TRUE(Open(&lock).FrameEnabled());  // opened unlocked: editable at once
  lock.locked = true;
  VtiGrid& g = Open(&lock);
  EXPECT_FALSE(g.FrameEnabled());
  EXPECT_EQ(g.LockText(), kVtiLocked);
  g.LockState(false);
  EXPECT_TRUE(g.FrameEnabled());
  lock.allowed = true;
  g.LockState(true);
  EXPECT_TRUE(g.FrameEnabled());
}

TEST_F(VtiGridTest, AnUnreadableStationFileLeavesItsRowToBeEntered) {
  world.Station("Bay0", 3700);
  world.home.Write("Bay0", "[References]\nRefVoltage1=lots\n");
  VtiGrid& g = Open();
  ASSERT_EQ(world.dialogs.Messages().size(), 1u);
  EXPECT_EQ(world.dialogs.Messages()[0].rfind(
                std::string(kMsgVtiUnreadable) + "Bay0" + kMsgVtiUnreadableTail, 0),
            0u);
  EXPECT_EQ(g.Row(0).text[kBoxV], "");
  EXPECT_FALSE(g.ApplyVTI());
  EXPECT_TRUE(world.host.engines[0]->updates.empty());
}

}  // namespace
}  // namespace tester::test
