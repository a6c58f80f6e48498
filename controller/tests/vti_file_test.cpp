// `--vti FILE`: the file's values replace the station files' in the grid, which is sent as
// the window's "Update VTI & Close" sends it.
#include <gtest/gtest.h>

#include "controller/tests/vti_fakes.h"
#include "controller/vti_file.h"

namespace tester::test {
namespace {

using Messages = std::vector<std::string>;

TEST(VtiFile, EveryStationGetsTheFilesValuesOrKeepsItsOwn) {
  VtiWorld world;
  world.Global(1, 1, 4, 1, 1);
  VtiFakeEngine& a = world.Station("Bay0", 3700);
  VtiFakeEngine& b = world.Station("Bay1", 3600, 22.5f);
  VtiFakeEngine& c = world.Station("Bay2", 3500, 25.0f, true, "IBay2");
  world.host.internal[2] = 233;
  const std::string file = world.home.Write(
      "refs.ini",
      "; measured by the line script\n"
      "[bay0]\nRefVoltage1=3712.5\nRefVoltage2=7421\nRefCurrent=1999\nRefTemperature=24.6\n"
      "IntTemperature=24.0\nRefVoltag3=1\n"
      "[Bay2]\nRefTemperature=26\n"
      "[Bay9]\nRefVoltage1=1\n");
  const VtiFileOutcome outcome = ApplyVtiFile(world.Parts(), file);
  EXPECT_TRUE(outcome.read);
  EXPECT_TRUE(outcome.applied);
  EXPECT_EQ(outcome.notes, (Messages{"[Bay0] RefVoltag3: no such key, not used",
                                     "[Bay9] names no station, not used"}));
  ASSERT_EQ(a.updates.size(), 1u);
  EXPECT_EQ(a.updates[0].nV, 3712);  // ties to even, as typed into a box
  EXPECT_EQ(a.updates[0].nV2, 7421);
  EXPECT_EQ(a.updates[0].nV3, 11100);  // from its station file
  EXPECT_EQ(a.updates[0].nI, 1999);
  EXPECT_EQ(a.updates[0].nT, 24.6f);
  EXPECT_EQ(a.updates[0].nIT, 24.0f);  // given: sent though the window shows no box
  EXPECT_EQ(a.updates[0].nET, 24.6f);
  ASSERT_EQ(b.updates.size(), 1u);  // no section: its stored values
  EXPECT_EQ(b.updates[0].nV4, 14400);
  EXPECT_EQ(b.updates[0].nT, 22.5f);
  ASSERT_EQ(c.updates.size(), 1u);
  EXPECT_EQ(c.updates[0].nT, 26.0f);
  EXPECT_EQ(c.updates[0].nIT, 23.3f);  // the reading the window would show
  EXPECT_EQ(world.host.updated, 3);
}

TEST(VtiFile, ABadValueStopsAndAMissingFileSendsNothing) {
  VtiWorld world;
  world.Global(1, 0, 1, 1, 1);
  VtiFakeEngine& a = world.Station("Bay0", 3700);
  VtiFakeEngine& b = world.Station("Bay1", 3700);
  const std::string file = world.home.Write("refs.ini", "[Bay0]\nRefCurrent=2k\n");
  VtiFileOutcome outcome = ApplyVtiFile(world.Parts(), file);
  EXPECT_TRUE(outcome.read);
  EXPECT_FALSE(outcome.applied);
  EXPECT_EQ(world.dialogs.Messages(),
            (Messages{"Please enter valid values! Error updating VTI: Bay0, Current: \"2k\" is "
                      "not a number"}));
  EXPECT_TRUE(a.updates.empty());
  EXPECT_TRUE(b.updates.empty());

  outcome = ApplyVtiFile(world.Parts(), world.home.File("missing.ini"));
  EXPECT_FALSE(outcome.read);
  EXPECT_EQ(outcome.notes.size(), 1u);
  EXPECT_EQ(world.host.reads, 1);  // the missing file never opened the grid
}

}  // namespace
}  // namespace tester::test
