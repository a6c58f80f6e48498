// Changing profile files: edits in place that keep every other line as it was.
#include <gtest/gtest.h>

#include "platform/profile.h"
#include "testing/scratch_folder.h"

namespace tester::profile {
namespace {

constexpr const char* kJig =
    "; jig setup\n[BoardMapping]\nLP0001=Station01\n; second board\nLP0002=Station02\n\n"
    "[Station01]\nITS=1\nETS=0\n\n[Station02]\nITS=0\n";

class ProfileWrite : public ::testing::Test {
protected:
  test::ScratchFolder folder_;
  std::string file_ = folder_.Write("JigSetup.ini", kJig);
  std::string Jig() { return folder_.Read("JigSetup.ini"); }
};

TEST_F(ProfileWrite, ReplacesInPlaceAndAppendsAfterTheSectionsLastLine) {
  ASSERT_TRUE(WriteString(file_, "station01", "ets", "1"));
  ASSERT_TRUE(WriteString(file_, "BoardMapping", "LP0003", "Station03"));
  ASSERT_TRUE(WriteString(file_, "Station02", "Probe", "2"));
  ASSERT_TRUE(WriteString(file_, "Station03", "ITS", "1"));
  EXPECT_EQ(Jig(),
            "; jig setup\n[BoardMapping]\nLP0001=Station01\n; second board\nLP0002=Station02\n"
            "LP0003=Station03\n\n[Station01]\nITS=1\nETS=1\n\n[Station02]\nITS=0\nProbe=2\n"
            "[Station03]\nITS=1\n");
}

TEST_F(ProfileWrite, CreatesTheFileAndEndsAnUnfinishedLastLine) {
  ASSERT_TRUE(WriteString(folder_.File("new.ini"), "Config", "DFSrNoStart", "101"));
  EXPECT_EQ(folder_.Read("new.ini"), "[Config]\nDFSrNoStart=101\n");
  const std::string file = folder_.Write("t.ini", "[A]\nX=1");
  ASSERT_TRUE(WriteString(file, "A", "Y", "2"));
  EXPECT_EQ(folder_.Read("t.ini"), "[A]\nX=1\nY=2\n");
}

TEST_F(ProfileWrite, CrLfFilesKeepTheirLineEnds) {
  const std::string file = folder_.Write("w.ini", "[A]\r\nX=1\r\n\r\n[B]\r\nY=2\r\n");
  ASSERT_TRUE(WriteString(file, "A", "X", "5"));
  ASSERT_TRUE(WriteString(file, "A", "New", "6"));
  ASSERT_TRUE(WriteString(file, "C", "Z", "7"));
  EXPECT_EQ(folder_.Read("w.ini"), "[A]\r\nX=5\r\nNew=6\r\n\r\n[B]\r\nY=2\r\n[C]\r\nZ=7\r\n");
}

TEST_F(ProfileWrite, DeleteKeyRemovesEveryCopyInTheSection) {
  const std::string file = folder_.Write("d.ini", "[A]\nK=1\n;c\nk=2\nL=3\n[B]\nK=9\n");
  ASSERT_TRUE(DeleteKey(file, "a", "K"));
  EXPECT_EQ(folder_.Read("d.ini"), "[A]\n;c\nL=3\n[B]\nK=9\n");
  EXPECT_TRUE(DeleteKey(file, "Absent", "K"));
  EXPECT_TRUE(DeleteKey(folder_.File("none.ini"), "A", "K"));
  EXPECT_EQ(folder_.EntryCount(), 2u);  // nothing created
}

TEST_F(ProfileWrite, ClearSectionRemovesItWithItsDuplicatesAndNothingElse) {
  const std::string file = folder_.Write("c.ini", "[S]\nA=1\n[T]\n;keep\nB=2\n[s]\nA=3\n");
  ASSERT_TRUE(ClearSection(file, "S"));
  EXPECT_EQ(folder_.Read("c.ini"), "[T]\n;keep\nB=2\n");
  EXPECT_TRUE(ClearSection(file, "S"));
}

TEST_F(ProfileWrite, RefusesTextThatWouldForgeOtherLines) {
  EXPECT_FALSE(WriteString(file_, "Station01", "ITS", "1\n[Evil]\nX=1"));
  EXPECT_FALSE(WriteString(file_, "Station01", "A=B", "1"));
  EXPECT_FALSE(WriteString(file_, "Station01", ";c", "1"));
  EXPECT_FALSE(WriteString(file_, "Bad]Name", "K", "1"));
  EXPECT_EQ(Jig(), kJig);
}

TEST_F(ProfileWrite, FailedWriteLeavesTheOldFile) {
  EXPECT_FALSE(WriteString(folder_.File("no/such/folder/x.ini"), "A", "K", "1"));
  // A name so long that no temporary file fits beside it.
  const std::string name(250, 'n');
  const std::string file = folder_.Write(name, kJig);
  EXPECT_FALSE(WriteString(file, "Station01", "ITS", "0"));
  EXPECT_FALSE(ClearSection(file, "Station01"));
  EXPECT_EQ(folder_.Read(name), kJig);
  EXPECT_EQ(folder_.EntryCount(), 2u);
}

TEST_F(ProfileWrite, ByteOrderMarkStaysAndItsSectionIsFound) {
  const std::string file = folder_.Write("m.ini", "\xEF\xBB\xBF[S]\r\nA=1\r\n");
  ASSERT_TRUE(WriteString(file, "s", "B", "2"));
  ASSERT_TRUE(WriteString(file, "S", "a", "3"));
  EXPECT_EQ(folder_.Read("m.ini"), "\xEF\xBB\xBF[S]\r\nA=3\r\nB=2\r\n");
}

}  // namespace
}  // namespace tester::profile
