// Operator dialogs: scripted answers for tests, default answers headless, Qt filters.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/headless_dialogs.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/scripted_dialogs.h"

namespace tester {
namespace {

TEST(ScriptedDialogs, AnswersInOrderAndRecordsEveryBox) {
  ScriptedDialogs dialogs;
  dialogs.QueueYesNo(true);
  dialogs.QueueText("Tester_800.1.02.rom");
  dialogs.QueueChoice(DialogChoice::kNo);
  dialogs.QueueSaveFile(std::nullopt);
  dialogs.ShowMessage("Unable to enter calibration mode.");
  EXPECT_TRUE(dialogs.AskYesNo("Overwrite?"));
  EXPECT_EQ(dialogs.AskText("Image file?", "Reader", "Tester_X.rom"), "Tester_800.1.02.rom");
  EXPECT_EQ(dialogs.AskYesNoCancel("Save?", "Quit Confirmation"), DialogChoice::kNo);
  EXPECT_EQ(dialogs.AskSaveFile("Destination", "Images|*.rom", ".rom", "a.rom"), std::nullopt);
  EXPECT_TRUE(dialogs.script_errors().empty());
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{"Unable to enter calibration mode."});
  ASSERT_EQ(dialogs.shown().size(), 5u);
  EXPECT_EQ(dialogs.shown()[2].preset, "Tester_X.rom");
  EXPECT_EQ(dialogs.shown()[4].title, "Destination");
}

TEST(ScriptedDialogs, UnexpectedQuestionsGetCautiousAnswersAndAreReported) {
  ScriptedDialogs dialogs;
  EXPECT_FALSE(dialogs.AskYesNo("Proceed?"));
  dialogs.QueueText("text");
  EXPECT_EQ(dialogs.AskYesNoCancel("Save?", "Quit"), DialogChoice::kCancel);
  EXPECT_EQ(dialogs.AskSaveFile("t", "", "", ""), std::nullopt);
  EXPECT_EQ(dialogs.script_errors().size(), 3u);
  EXPECT_EQ(dialogs.unused_answers(), 1u);  // kept for the question it was meant for
  EXPECT_EQ(dialogs.AskText("p", "t", ""), "text");
}

TEST(HeadlessDialogs, PrintsEachBoxOnOneLineAndTakesDefaults) {
  std::ostringstream out;
  HeadlessDialogs dialogs(out, "Gangwright", true);
  dialogs.ShowMessage("first line\r\nsecond line");
  EXPECT_TRUE(dialogs.AskYesNo("Proceed?"));
  EXPECT_EQ(dialogs.AskText("Name?", "", "Station01"), "Station01");
  EXPECT_EQ(dialogs.AskSaveFile("Destination", "x|*.x", ".x", "/tmp/a.x"), "/tmp/a.x");
  EXPECT_EQ(out.str(),
            "Gangwright: first line / second line\nGangwright: Proceed? -> Yes\n"
            "Gangwright: Name? -> \"Station01\"\nDestination: save to -> \"/tmp/a.x\"\n");
  HeadlessDialogs cautious(out, "Rigwright");
  EXPECT_EQ(cautious.AskYesNoCancel("Save?", ""), DialogChoice::kNo);
}

TEST(QtFileFilter, TurnsPipeSeparatedPairsIntoQtFilters) {
  EXPECT_EQ(QtFileFilter("Data Flash image files(*.rom)|*.rom|All files(*.*)|*.*"),
            "Data Flash image files(*.rom) (*.rom);;All files(*.*) (*.*)");
  EXPECT_EQ(QtFileFilter("Images|*.rom;*.bin"), "Images (*.rom *.bin)");
  EXPECT_EQ(QtFileFilter("Lonely"), "Lonely");
}

}  // namespace
}  // namespace tester
