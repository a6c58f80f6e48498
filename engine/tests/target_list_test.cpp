// The Targets file and the lookups of the target list: bad and missing files, the field
// rules, the 101-target table, letter case, duplicates and what OK gives back.
#include "engine/target_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "testing/scratch_folder.h"

namespace tester {
namespace {

using Lines = std::vector<std::string>;

class TargetListTest : public ::testing::Test {
protected:
  bool LoadText(const std::string& text) {
    folder.Write("Targets", text);
    return list.Load(folder.Path());
  }
  std::string Numbered(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
      text += "Pack " + std::to_string(i) + ",K" + std::to_string(i) + "\n";
    }
    return text;
  }

  test::ScratchFolder folder;
  TargetList list;
};

TEST_F(TargetListTest, MissingFileShowsOneLineAndSupportsNothing) {
  EXPECT_FALSE(list.Load(folder.Path()));
  EXPECT_EQ(list.Lines(), Lines{"File not found!"});
  EXPECT_TRUE(list.Keys().empty());
  EXPECT_TRUE(list.LoadFailed());
  EXPECT_FALSE(list.IsSupportedTarget("800.1.02"));
  EXPECT_EQ(list.TargetNameDesc("800.1.02"), "");
  EXPECT_EQ(list.Selected(), TargetList::kNoLine);
  // OK with nothing selected gives no choice.
  list.Accept();
  EXPECT_FALSE(list.Cancelled());
  EXPECT_EQ(list.ChosenKey(), "");
  // The "File not found!" line can be selected, but has no key.
  list.SetCurrentTarget("800.1.02");
  EXPECT_EQ(list.Selected(), 0);
  list.Accept();
  EXPECT_EQ(list.ChosenKey(), "");
}

TEST_F(TargetListTest, FieldRulesOfTheFile) {
  ASSERT_TRUE(LoadText("\xEF\xBB\xBF\"Pack, big\",800.1.02\r\n"
                       "  Plain pack  ,  450.2.01  \r\n"
                       "\r\n"
                       "\"  kept blanks \" , \"100.1.09\"\r\n"
                       "Last,700.1.05"));
  EXPECT_EQ(list.Lines(), (Lines{"Pack, big", "Plain pack", "  kept blanks ", "Last"}));
  EXPECT_EQ(list.Keys(), (Lines{"800.1.02", "450.2.01", "100.1.09", "700.1.05"}));
  EXPECT_EQ(list.Selected(), 0);
  EXPECT_TRUE(list.Cancelled());
}

TEST_F(TargetListTest, UnreadableLineKeepsWhatCameBeforeAndAddsTheFailureLine) {
  const char* bad_lines[] = {"Only a description", "\"Unclosed,800.1.02", "A,B,C",
                             "\"Quoted\" tail,800.1.02", "No key,", "No key,\"\""};
  for (const char* bad : bad_lines) {
    EXPECT_FALSE(LoadText(std::string("First,450.2.01\n") + bad + "\nAfter,100.1.09\n")) << bad;
    EXPECT_EQ(list.Lines(), (Lines{"First", "File not found!"})) << bad;
    EXPECT_EQ(list.Keys(), Lines{"450.2.01"}) << bad;
    EXPECT_EQ(list.Selected(), TargetList::kNoLine) << bad;
    EXPECT_TRUE(list.IsSupportedTarget("450.2.01")) << bad;
    EXPECT_FALSE(list.IsSupportedTarget("100.1.09")) << bad;
  }
  EXPECT_FALSE(LoadText("\n  \n"));  // no target at all
  EXPECT_EQ(list.Lines(), Lines{"File not found!"});
}

// A FIFO would block the run for good and /dev/zero would fill its memory: both are
// refused at once, as a missing file is, with the reason kept.
TEST_F(TargetListTest, PipeOrDeviceIsRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo(folder.File("Targets").c_str(), 0600), 0);
  EXPECT_FALSE(list.Load(folder.Path()));
  EXPECT_EQ(list.Lines(), Lines{"File not found!"});
  EXPECT_EQ(list.LoadError(), "cannot read " + folder.File("Targets") + ": not a regular file");

  std::filesystem::remove(folder.File("Targets"));
  std::filesystem::create_symlink("/dev/zero", folder.File("Targets"));
  EXPECT_FALSE(list.Load(folder.Path()));
  EXPECT_EQ(list.Lines(), Lines{"File not found!"});
  EXPECT_NE(list.LoadError().find("not a regular file"), std::string::npos) << list.LoadError();
}

TEST_F(TargetListTest, AtMost101Targets) {
  ASSERT_TRUE(LoadText(Numbered(101)));
  EXPECT_EQ(list.Keys().size(), 101u);
  EXPECT_EQ(list.TargetNameDesc("K100"), "Pack 100");

  EXPECT_FALSE(LoadText(Numbered(102)));
  EXPECT_EQ(list.Keys().size(), 101u);
  ASSERT_EQ(list.Lines().size(), 102u);
  EXPECT_EQ(list.Lines().back(), "File not found!");
  EXPECT_FALSE(list.IsSupportedTarget("K101"));
}

TEST_F(TargetListTest, KeysMatchWithoutRegardToLetterCase) {
  ASSERT_TRUE(LoadText("Hex pack,a00.1.0b\n"));
  EXPECT_TRUE(list.IsSupportedTarget("A00.1.0B"));
  EXPECT_EQ(list.TargetNameDesc("A00.1.0b"), "Hex pack");
  EXPECT_FALSE(list.IsSupportedTarget("a00.1.0"));
  EXPECT_FALSE(list.IsSupportedTarget(""));
}

TEST_F(TargetListTest, DuplicatesDescribeByTheFirstAndSelectTheLast) {
  ASSERT_TRUE(LoadText("Old,800.1.02\nOther,450.2.01\nNew,800.1.02\nTail,100.1.09\n"));
  EXPECT_EQ(list.TargetNameDesc("800.1.02"), "Old");
  list.SetCurrentTarget("800.1.02");
  EXPECT_EQ(list.Selected(), 2);
  // No match leaves the selection as it was.
  list.SetCurrentTarget("999.9.99");
  EXPECT_EQ(list.Selected(), 2);
  list.Select(TargetList::kNoLine);
  list.SetCurrentTarget("999.9.99");
  EXPECT_EQ(list.Selected(), 0);
}

TEST_F(TargetListTest, ChoiceAfterOkAndCancel) {
  ASSERT_TRUE(LoadText("A,800.1.02\nB,450.2.01\n"));
  list.BeginChoice();
  list.Select(1);
  list.Select(7);  // beyond the list: ignored
  list.Cancel();
  EXPECT_EQ(list.ChosenKey(), "");
  list.BeginChoice();
  list.Accept();
  EXPECT_EQ(list.ChosenKey(), "450.2.01");
  list.BeginChoice();
  list.Select(TargetList::kNoLine);
  list.Accept();
  EXPECT_EQ(list.ChosenKey(), "");
}

TEST(TargetListDemo, DemoFileListsTheFourDemoTargets) {
  TargetList list;
  ASSERT_TRUE(list.Load(std::string(TESTER_SOURCE_DIR) + "/demo"));
  EXPECT_EQ(list.Keys(), (Lines{"800.1.02", "450.2.01", "100.1.09", "700.1.05"}));
  for (const std::string& line : list.Lines()) EXPECT_FALSE(line.empty());
}

}  // namespace
}  // namespace tester
