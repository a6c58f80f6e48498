// The search on virtual jigs: rows as the adapters answer, identifiers that need a new one,
// boards with old firmware, boards another program holds, too many boards, the advanced
// mark, and the lights of "Flash LEDs".
#include <gtest/gtest.h>

#include <set>

#include "common/gauge_control.h"
#include "platform/atomic_file.h"
#include "setup/tests/setup_rig.h"

namespace tester::test {
namespace {

constexpr const char* kStoredId = "0123456789ABCDEF0123456789ABCDEF";

TEST(BoardSearch, NoAdapterLeavesEveryRowNotFoundAndNextAsksForASearch) {
  SetupRig rig("");
  const std::string before = rig.home.Read("JigSetup.ini");
  EXPECT_FALSE(rig.wizard->Next());
  rig.wizard->Search();
  for (const BoardRow& row : rig.wizard->Rows()) {
    EXPECT_EQ(row.caption, "Not found");
    EXPECT_FALSE(row.visible);
  }
  EXPECT_TRUE(rig.wizard->NextEnabled());
  EXPECT_TRUE(rig.wizard->SearchEnabled());
  EXPECT_FALSE(rig.wizard->Next());
  EXPECT_EQ(rig.dialogs.Messages(), (std::vector<std::string>{"You must first search for boards!",
                                                              "You must first search for boards!"}));
  EXPECT_EQ(rig.home.Read("JigSetup.ini"), before);
}

TEST(BoardSearch, ThirteenAdaptersStopTheSearchWithBothButtonsOff) {
  SetupRig rig(PlainJig(13));
  rig.wizard->Search();
  EXPECT_EQ(rig.dialogs.Messages(),
            std::vector<std::string>{"Aborting operation. A maximum of 12 boards may be "
                                     "connected. Please disconnect any extra boards!"});
  EXPECT_FALSE(rig.wizard->SearchEnabled());
  EXPECT_FALSE(rig.wizard->NextEnabled());
  EXPECT_EQ(rig.wizard->BoardCount(), 0);
  EXPECT_FALSE(rig.wizard->Rows()[0].visible);
}

TEST(BoardSearch, FoundRowsCarryIdentifierNameAndSensors) {
  SetupRig rig(SetupAdapter(AdapterName(0)) +
               SetupAdapter(AdapterName(1), "sensors = 0x94\n") +
               SetupAdapter(AdapterName(2), "cal_board = no\n"));
  rig.home.Write("JigSetup.ini", "[BoardMapping]\n" + AdapterName(1) + "=Bay07\n");
  rig.wizard->Search();
  ASSERT_TRUE(rig.dialogs.Messages().empty()) << rig.dialogs.Messages().front();
  const BoardRows& rows = rig.wizard->Rows();
  EXPECT_EQ(rows[0].caption, "0.  Found");
  EXPECT_EQ(rows[1].identifier, AdapterName(1));
  EXPECT_EQ(rows[1].custom_name, "Bay07");
  EXPECT_TRUE(rows[0].visible && rows[0].cal_present && rows[0].its && rows[0].ets);
  EXPECT_TRUE(rows[1].its && !rows[1].ets);
  EXPECT_TRUE(!rows[2].cal_present && !rows[2].its && !rows[2].ets && !rows[2].advanced);
  EXPECT_TRUE(rows[2].test);
  EXPECT_EQ(rows[3].caption, "Not found");
  EXPECT_FALSE(rig.wizard->AdvancedLegend());
  EXPECT_EQ(rig.control->OpenStation(), nullptr);  // every adapter closed again
}

TEST(BoardSearch, FactoryAndDuplicateIdentifiersAreOfferedANewOne) {
  const std::string factory = "adapter_id = " + std::string(kFactoryAdapterId) + "\n";
  const std::string stored = "adapter_id = " + std::string(kStoredId) + "\n";
  SetupRig rig(SetupAdapter(AdapterName(0), factory) + SetupAdapter(AdapterName(1), stored) +
               SetupAdapter(AdapterName(2), stored) + SetupAdapter(AdapterName(3), factory));
  rig.dialogs.QueueYesNo(true);   // the factory identifier of board 0
  rig.dialogs.QueueYesNo(true);   // board 2 repeats board 1's identifier
  rig.dialogs.QueueYesNo(false);  // board 3: No
  rig.wizard->Search();
  EXPECT_TRUE(rig.dialogs.script_errors().empty());
  EXPECT_EQ(rig.dialogs.unused_answers(), 0u);
  ASSERT_EQ(rig.dialogs.shown().size(), 4u);
  EXPECT_EQ(rig.dialogs.shown()[0].text,
            "Found unnamed/duplicate board. Do you want to proceed by assigning it a unique "
            "name?\nIf you select NO then you must close the program to avoid corruption of "
            "setup data.");
  EXPECT_EQ(rig.dialogs.Messages(),
            std::vector<std::string>{"Do not change/save anything as duplicate board names will "
                                     "corrupt your data. You may only view the data."});
  const BoardRows& rows = rig.wizard->Rows();
  EXPECT_NE(rows[0].identifier, kFactoryAdapterId);
  EXPECT_EQ(rows[0].identifier.size(), 32u);
  EXPECT_EQ(rows[1].identifier, kStoredId);
  EXPECT_NE(rows[2].identifier, kStoredId);
  EXPECT_EQ(rows[3].identifier, kFactoryAdapterId);
  // The new identifiers are the adapters' own now: a later search reads them.
  rig.dialogs.QueueYesNo(false);
  rig.wizard->Search();
  EXPECT_EQ(rig.wizard->Rows()[2].identifier, rows[2].identifier);
  // The board that kept its factory identifier cannot be saved.
  rig.Name(4);
  EXPECT_FALSE(rig.wizard->Next());
  EXPECT_EQ(rig.dialogs.Messages().back(),
            "The board names are not unique! Please search all boards again and assign a "
            "unique name when prompted.\nYour changes were not saved!");
}

TEST(BoardSearch, ReadErrorsOldFirmwareAndABoardInUse) {
  SetupRig rig(SetupAdapter(AdapterName(0)) +
               SetupAdapter(AdapterName(1), "adapter_firmware = 3111\n") +
               SetupAdapter(AdapterName(2)));
  std::unique_ptr<SimControl> other = rig.OtherProgram();
  ASSERT_EQ(other->OpenAdapter(AdapterName(2)), 0);
  // Board 0's stored identifier is damaged: its read fails.
  rig.home.Scratch().Folder("locks/ids");
  rig.home.Scratch().Write("locks/ids/" + AdapterName(0), "junk");
  rig.wizard->Search();
  ASSERT_EQ(rig.dialogs.Messages().size(), 3u);
  EXPECT_EQ(rig.dialogs.Messages()[0],
            "Communication error 259 trying to read ID for board number  0");
  EXPECT_EQ(rig.dialogs.Messages()[1].find("Detected LinkpodX with an old firmware version. "
                                           "Please update to version 3.1l or above for "
                                           "Linkpod/version 0.7.97 or above for Dockpod\nThe "
                                           "LEDs connected to I2C Vout(on LinkpodX)"),
            0u);
  EXPECT_EQ(rig.Lamps(1), 0x0F);
  EXPECT_EQ(rig.dialogs.Messages()[2],
            "Board 2 was either disconnected or is in use by another program. Please make "
            "corrections and try again.");
  const BoardRows& rows = rig.wizard->Rows();
  EXPECT_FALSE(rows[0].visible);
  EXPECT_EQ(rows[0].identifier, "");
  EXPECT_TRUE(rows[1].visible);
  EXPECT_EQ(rows[1].identifier, AdapterName(1));  // the old-firmware board is still read
  EXPECT_FALSE(rows[2].visible);
  EXPECT_EQ(rows[2].caption, "...");
  EXPECT_EQ(rig.wizard->BoardCount(), 3);
  // Its row has no name, so nothing can be saved until a search reads every board.
  rig.Name(3);
  EXPECT_EQ(rows[2].custom_name, "");
  EXPECT_FALSE(rig.wizard->Next());
  EXPECT_EQ(rig.dialogs.Messages().back(), "Custom name cannot be blank!");
}

TEST(BoardSearch, AdvancedBoardsAreMarkedAndAMixedJigIsNamed) {
  SetupRig rig(SetupAdapter(AdapterName(0), "advanced = yes\nsensors = 0x90 0x92\n") +
               SetupAdapter(AdapterName(1)) +
               SetupAdapter(AdapterName(2), "advanced = yes\nsensors = 0x92\n"));
  rig.wizard->Search();
  const BoardRows& rows = rig.wizard->Rows();
  EXPECT_TRUE(rows[0].advanced && rows[0].its);
  EXPECT_TRUE(rows[2].advanced && rows[2].its && !rows[2].ets);
  EXPECT_FALSE(rows[1].advanced);
  EXPECT_FALSE(rows[1].its);
  EXPECT_FALSE(rows[1].its_enabled);
  EXPECT_TRUE(rig.wizard->AdvancedLegend());
  EXPECT_TRUE(rig.wizard->AdvancedBoards());
  EXPECT_EQ(rig.dialogs.Messages(),
            std::vector<std::string>{"Detected inconsistant board type for board number 1"});
  rig.wizard->SetITS(1, true);  // disabled: stays cleared
  EXPECT_FALSE(rows[1].its);
}

TEST(BoardSearch, FlashLedsLightsOneBoardAtATime) {
  SetupRig rig(PlainJig(4));
  rig.wizard->Search();
  rig.wizard->FlashClicked(1, true);
  EXPECT_EQ(rig.Lamps(1), 0x0F);
  rig.wizard->FlashClicked(3, true);
  EXPECT_EQ(rig.Lamps(1), 0x00);  // turned off first
  EXPECT_EQ(rig.Lamps(3), 0x0F);
  EXPECT_FALSE(rig.wizard->Rows()[1].flash);
  EXPECT_TRUE(rig.wizard->Rows()[3].flash);
  rig.wizard->FlashClicked(3, false);
  EXPECT_EQ(rig.Lamps(3), 0x00);
  EXPECT_EQ(rig.control->OpenStation(), nullptr);

  std::unique_ptr<SimControl> other = rig.OtherProgram();
  ASSERT_EQ(other->OpenAdapter(AdapterName(0)), 0);  // the list now ends with it
  rig.wizard->FlashClicked(3, true);
  EXPECT_EQ(rig.dialogs.Messages().back(),
            "This board was either disconnected or is in use by another program. Please make "
            "corrections and try again.");
  EXPECT_FALSE(rig.wizard->Rows()[3].flash);
}

TEST(BoardSearch, TheLockDisablesTheBoardPage) {
  SetupRig rig(PlainJig(1));
  rig.wizard->Search();
  rig.wizard->LockState(true);
  EXPECT_FALSE(rig.wizard->SearchEnabled());
  EXPECT_FALSE(rig.wizard->NextEnabled());
  EXPECT_FALSE(rig.wizard->BoardsEnabled());
  rig.wizard->SetCustomName(0, "Bay01");
  EXPECT_EQ(rig.wizard->Rows()[0].custom_name, "");
  rig.wizard->LockState(false);
  EXPECT_TRUE(rig.wizard->SearchEnabled());
  EXPECT_FALSE(rig.wizard->NextEnabled());  // stays as it was
}

std::string DemoJig(const char* name) {
  return ReadWholeFile(std::string(TESTER_SOURCE_DIR) + "/demo/" + name, nullptr).value_or("");
}

TEST(BoardSearch, TheDemoJigsForSettingUp) {
  SetupRig rig(DemoJig("setup.jig"));
  for (int i = 0; i < 3; ++i) rig.dialogs.QueueYesNo(true);
  rig.wizard->Search();
  EXPECT_EQ(rig.dialogs.unused_answers(), 0u);
  ASSERT_EQ(rig.dialogs.Messages().size(), 1u);
  EXPECT_EQ(rig.dialogs.Messages()[0].rfind("Detected LinkpodX with an old firmware", 0), 0u);
  std::set<std::string> ids;
  for (int i = 0; i < 5; ++i) ids.insert(rig.wizard->Rows()[i].identifier);
  EXPECT_EQ(ids.size(), 5u);
  rig.Name(5);
  EXPECT_TRUE(rig.wizard->Next());

  SetupRig thirteen(DemoJig("thirteen.jig"));
  thirteen.wizard->Search();
  EXPECT_EQ(thirteen.dialogs.Messages().size(), 1u);
  EXPECT_EQ(thirteen.wizard->BoardCount(), 0);
}

}  // namespace
}  // namespace tester::test
