// What "Save && Proceed >>", the probe page and "&Save Configuration  && Close" write: the
// name checks, [BoardMapping] and the station sections, the probes, global.ini and the
// station files, and the files left alone when a step is refused.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/profile.h"
#include "setup/custom_names.h"
#include "setup/probe_page.h"
#include "setup/tests/setup_rig.h"

namespace tester::test {
namespace {

std::string Read(SetupRig& rig, const std::string& section, const std::string& key) {
  return profile::ReadString(rig.home.File("JigSetup.ini"), section, key, "<none>", 255);
}

TEST(CustomNames, SpacesGoCaseIsIgnoredAndUnsafeNamesAreRefused) {
  SetupRig rig(PlainJig(2));
  rig.wizard->Search();
  rig.wizard->SetCustomName(0, "line1");
  rig.wizard->SetCustomName(1, "LINE1");
  EXPECT_FALSE(rig.wizard->Next());
  EXPECT_EQ(rig.dialogs.Messages().back(),
            "The custom name line1 appears twice.\nPlease select a unique custom name for each "
            "board and mark it on the board.\nThe custom name is the identifier for the board "
            "in the Gangwright program.\nYour changes were not saved!");
  const std::vector<std::string> unsafe_names = {"..", "a/b", "Bay[1]", "x\ty", "\"q\""};
  for (const std::string& unsafe : unsafe_names) {
    rig.wizard->SetCustomName(1, unsafe);
    EXPECT_FALSE(rig.wizard->CheckCustomNameUniqueness()) << unsafe;
    EXPECT_NE(rig.dialogs.Messages().back().find("cannot be used"), std::string::npos);
  }
  rig.wizard->SetCustomName(1, "   ");
  EXPECT_FALSE(rig.wizard->CheckCustomNameUniqueness());
  EXPECT_EQ(rig.dialogs.Messages().back(), "Custom name cannot be blank!");
  rig.wizard->SetCustomName(0, "line 1");
  rig.wizard->SetCustomName(1, "line2");
  EXPECT_TRUE(rig.wizard->Next());
  EXPECT_EQ(Read(rig, "BoardMapping", AdapterName(0)), "line1");
  EXPECT_EQ(rig.wizard->Page(), SetupPage::kProbes);
}

TEST(SaveBoardMapping, TheSectionIsClearedAndEveryStationGetsItsKeys) {
  SetupRig rig(SetupAdapter(AdapterName(0)) + SetupAdapter(AdapterName(1), "sensors = 0x94\n"));
  rig.home.Write("JigSetup.ini", "; kept\n[BoardMapping]\nOLDID=Gone\n[Other]\nx=1\n");
  rig.wizard->Search();
  rig.Name(2);
  rig.wizard->SetTest(1, false);
  rig.wizard->FlashClicked(0, true);
  ASSERT_TRUE(rig.wizard->Next());
  EXPECT_EQ(rig.home.Read("JigSetup.ini"),
            "; kept\n[Other]\nx=1\n\n[BoardMapping]\n" + AdapterName(0) + "=Line0\n" +
                AdapterName(1) +
                "=Line1\n[Line0]\nITS=1\nETS=1\nDoTesting=1\nAdvancedBd=False\n[Line1]\nITS=1\n"
                "ETS=0\nDoTesting=0\nAdvancedBd=False\n");
  EXPECT_FALSE(rig.wizard->Rows()[0].flash);
  EXPECT_EQ(rig.Lamps(0), 0x00);
  EXPECT_FALSE(rig.wizard->Rows()[0].name_enabled);
}

TEST(SaveBoardMapping, AJigSetupThatCannotBeReadIsNeverOverwritten) {
  SetupRig rig(PlainJig(1));
  rig.wizard->Search();
  rig.Name(1);
  std::filesystem::remove(rig.home.File("JigSetup.ini"));
  std::filesystem::create_directory(rig.home.File("JigSetup.ini"));
  EXPECT_FALSE(rig.wizard->Next());
  EXPECT_EQ(rig.dialogs.Messages().back(), "Error saving Board mapping!");
  EXPECT_TRUE(std::filesystem::is_directory(rig.home.File("JigSetup.ini")));
  EXPECT_EQ(rig.wizard->Page(), SetupPage::kBoards);
}

BoardRows Boards(std::vector<std::tuple<std::string, bool, bool, bool>> rows) {
  BoardRows boards;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    auto [name, its, ets, test] = rows[i];
    boards[i].custom_name = name;
    boards[i].its = its;
    boards[i].ets = ets;
    boards[i].test = test;
  }
  return boards;
}

TEST(ProbePage, InitialChoicesAreMadeWhileOnlyTheEarlierRowsAreListed) {
  const BoardRows boards = Boards({{"A", true, false, true}, {"B", true, true, false}});
  const ProbeRows rows = FillProbeRows(boards, 2, [](const std::string&) { return ""; });
  const std::vector<std::string> list = {"No tracking - Use entered value", "Internal probe:A",
                                         "Internal probe:B", "External probe:B"};
  EXPECT_EQ(rows[0].entries, list);
  EXPECT_EQ(rows[11].entries, list);
  EXPECT_TRUE(rows[0].visible);
  EXPECT_EQ(ProbeValueOf(rows[0]), "");
  EXPECT_FALSE(rows[1].visible);
  EXPECT_EQ(ProbeValueOf(rows[1]), "IA");
  EXPECT_FALSE(rows[2].listed);

  // A first station without sensors that does not test has nothing to choose yet.
  const ProbeRows bare = FillProbeRows(Boards({{"A", false, false, false}, {"B", true, false, true}}),
                                       2, [](const std::string&) { return ""; });
  EXPECT_EQ(bare[0].choice, -1);
  EXPECT_EQ(ProbeValueOf(bare[0]), "");
}

TEST(ProbePage, StoredProbesMatchIgnoringCaseAndUnknownOnesKeepTheInitialChoice) {
  const BoardRows boards =
      Boards({{"Bay01", true, true, true}, {"Bay02", true, false, false}, {"Bay03", true, false, true}});
  const ProbeRows rows = FillProbeRows(boards, 3, [](const std::string& station) {
    if (station == "Bay01") return std::string("EBAY01");
    if (station == "Bay02") return std::string("IGone");  // a station no longer on the jig
    return std::string("iBay01");                          // "i": no probe
  });
  EXPECT_EQ(ProbeValueOf(rows[0]), "EBay01");
  EXPECT_EQ(ProbeValueOf(rows[1]), "IBay01");
  EXPECT_EQ(ProbeValueOf(rows[2]), "");
}

TEST(ProbePage, TheWizardWritesEachStationsProbe) {
  SetupRig rig(PlainJig(2));
  rig.wizard->Search();
  rig.Name(2);
  rig.wizard->SetTest(1, false);
  ASSERT_TRUE(rig.wizard->Next());
  EXPECT_TRUE(rig.wizard->Probes()[0].visible);
  rig.wizard->ChooseProbe(0, 3);  // "Internal probe:Line1"
  ASSERT_TRUE(rig.wizard->ProbeNext(nullptr));
  EXPECT_EQ(Read(rig, "Line0", "Probe"), "ILine1");
  EXPECT_EQ(Read(rig, "Line1", "Probe"), "ILine0");
  EXPECT_EQ(rig.wizard->Page(), SetupPage::kGlobal);
}

struct FinishRig : SetupRig {
  explicit FinishRig(const std::string& jig) : SetupRig(jig) {
    wizard->Search();
    Name(2, "Bay0");  // Bay00 and Bay01: Bay01 exists in the demo folder
    EXPECT_TRUE(wizard->Next());
    EXPECT_TRUE(wizard->ProbeNext(nullptr));
  }
  std::string Station(const std::string& section, const std::string& key, const char* file) {
    return profile::ReadString(home.File(file), section, key, "<none>", 255);
  }
};

TEST(Finish, EveryStationGetsTheGlobalSettingsAndKeepsItsOwnValues) {
  FinishRig rig(PlainJig(2));
  const std::string ref = rig.Station("References", "RefVoltage1", "Bay01");
  ASSERT_NE(ref, "<none>");
  rig.home.Write("global.ini", rig.home.Read("global.ini") + "\n[Limits]\n");
  profile::WriteString(rig.home.File("global.ini"), "Limits", "CellGainTolerance", "7");
  ASSERT_TRUE(rig.wizard->Finish(nullptr));
  EXPECT_EQ(rig.wizard->Page(), SetupPage::kClosed);
  EXPECT_EQ(rig.Station("Limits", "CellGainTolerance", "Bay01"), "7");
  EXPECT_EQ(rig.Station("Limits", "CellGainTolerance", "Bay00"), "7");
  EXPECT_EQ(rig.Station("References", "RefVoltage1", "Bay01"), ref);
  EXPECT_EQ(rig.Station("Station", "IntSensorAddress", "Bay00"), "148");
  EXPECT_TRUE(rig.dialogs.Messages().empty());
}

TEST(Finish, AdvancedBoardsGetTheirSensorAddress) {
  FinishRig rig(SetupAdapter(AdapterName(0), "advanced = yes\nsensors = 0x92\n") +
                SetupAdapter(AdapterName(1), "advanced = yes\nsensors = 0x92\n"));
  ASSERT_TRUE(rig.wizard->Finish(nullptr));
  EXPECT_EQ(rig.Station("Station", "IntSensorAddress", "Bay01"), "146");
  EXPECT_EQ(rig.Station("Bay00", "AdvancedBd", "JigSetup.ini"), "True");
}

TEST(Finish, ARefusedGlobalFileStopsBeforeAnyStationFile) {
  FinishRig rig(PlainJig(2));
  const std::string station = rig.home.Read("Bay01");
  profile::WriteString(rig.home.File("global.ini"), "Target", "CellCount", "9");
  EXPECT_FALSE(rig.wizard->Finish(nullptr));
  EXPECT_EQ(rig.dialogs.Messages().back().rfind("The global settings cannot be used: ", 0), 0u);
  EXPECT_EQ(rig.home.Read("Bay01"), station);
  EXPECT_EQ(rig.home.Read("Bay00"), "<missing>");
  EXPECT_EQ(rig.wizard->Page(), SetupPage::kGlobal);
}

TEST(Finish, ASaveThatFailsIsShownAndTheWizardStaysOpen) {
  FinishRig rig(PlainJig(2));
  std::filesystem::create_directory(rig.home.File("Bay00"));  // cannot be read or written
  EXPECT_FALSE(rig.wizard->Finish(nullptr));
  EXPECT_EQ(rig.dialogs.Messages().back().rfind("Station file ", 0), 0u);
  EXPECT_EQ(rig.wizard->Page(), SetupPage::kGlobal);
}

}  // namespace
}  // namespace tester::test
