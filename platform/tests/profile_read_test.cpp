// Reading profile files: name matching, the integer rule, caps and raw sections.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/profile.h"
#include "testing/scratch_folder.h"

namespace tester::profile {
namespace {

constexpr const char* kConfig =
    "; station settings\n[Delay]\nUSB_RESP_TIME = 25\nSettle=12abc\nWord=abc\n"
    "Negative= -27031 \nHuge=99999999999999999999\nHugeNeg=-99999999999999999999\nEmpty=\n"
    "Quoted=\"  padded  \"\nSingle='x'\nOdd=\"x'\nDup=first\ndup=second\nNoEquals\n"
    "Inline=5 ; not a comment\n\n[delay]\nLater=1\n[  Spaced Name  ]\n  Key  =  a  b  \n";

class ProfileRead : public ::testing::Test {
protected:
  test::ScratchFolder folder_;
  std::string file_ = folder_.Write("Config.ini", kConfig);
  int32_t Int(const char* key, int32_t def = -1) { return ReadInt(file_, "delay", key, def); }
  std::string Text(const char* key) { return ReadString(file_, "DELAY", key, "?", 100); }
};

TEST_F(ProfileRead, NamesIgnoreCaseAndTheFirstOccurrenceWins) {
  EXPECT_EQ(Int("usb_resp_time"), 25);
  EXPECT_EQ(Text("DUP"), "first");
  EXPECT_EQ(Int("Later"), -1);  // hidden behind the first [Delay]
  EXPECT_EQ(ReadString(file_, "spaced name", "KEY", "", 100), "a  b");
  EXPECT_EQ(SectionNames(file_), (std::vector<std::string>{"Delay", "Spaced Name"}));
}

// The one-reading index answers as the per-call reads do, with the line of each key.
TEST_F(ProfileRead, SnapshotAnswersAsTheReadsDo) {
  const Snapshot snapshot = Snapshot::Load(file_);
  for (const char* key : {"usb_resp_time", "Dup", "Later", "Empty", "Quoted", "NoEquals"}) {
    const RawValue raw = ReadRaw(file_, "delay", key);
    const Snapshot::Entry entry = snapshot.Find(" DELAY ", key);
    EXPECT_EQ(entry.found, raw.found) << key;
    EXPECT_EQ(entry.text, raw.text) << key;
  }
  EXPECT_EQ(snapshot.Find("Delay", "dup").line, 13u);
  EXPECT_EQ(snapshot.Find("spaced name", "key").text, "a  b");
}

TEST_F(ProfileRead, IntegersTakeTheLeadingDigitsAndSaturate) {
  EXPECT_EQ(Int("Settle"), 12);
  EXPECT_EQ(Int("Word"), 0);
  EXPECT_EQ(Int("Negative"), -27031);
  EXPECT_EQ(Int("Inline"), 5);
  EXPECT_EQ(Int("Huge"), INT32_MAX);
  EXPECT_EQ(Int("HugeNeg"), INT32_MIN);
  EXPECT_FALSE(ParseInt("12abc").clean);
  EXPECT_TRUE(ParseInt(" -27031 ").clean);
  EXPECT_TRUE(ParseInt("2147483648").saturated);
  EXPECT_FALSE(ParseInt("-2147483648").saturated);
}

TEST_F(ProfileRead, MissingOrEmptyGivesTheDefault) {
  EXPECT_EQ(Int("Empty", 42), 42);
  EXPECT_EQ(Int("Absent", 42), 42);
  EXPECT_EQ(Int("NoEquals", 42), 42);  // a line without '=' is no key
  EXPECT_EQ(ReadInt(file_, "Nowhere", "USB_RESP_TIME", 42), 42);
  EXPECT_EQ(ReadInt(folder_.File("missing.ini"), "Delay", "USB_RESP_TIME", 42), 42);
  EXPECT_EQ(Text("Absent"), "?");
  EXPECT_TRUE(ReadRaw(file_, "Delay", "Empty").found);
}

TEST_F(ProfileRead, OnlyMatchingQuotesAreStripped) {
  EXPECT_EQ(Text("Quoted"), "  padded  ");
  EXPECT_EQ(Text("Single"), "x");
  EXPECT_EQ(Text("Odd"), "\"x'");
}

TEST_F(ProfileRead, StringsAreCappedWithoutSplittingCharacters) {
  EXPECT_EQ(ReadString(file_, "Delay", "Dup", "", 3), "fir");
  EXPECT_EQ(ReadString(file_, "Delay", "Absent", "defaultvalue", 7), "default");
  const std::string utf8 = folder_.Write("u.ini", "[S]\nK=a\xC3\xA9z\n");
  EXPECT_EQ(ReadString(utf8, "S", "K", "", 2), "a");
  EXPECT_EQ(ReadString(utf8, "S", "K", "", 3), "a\xC3\xA9");
}

TEST_F(ProfileRead, SectionListsRawLinesWithComments) {
  const std::string file = folder_.Write(
      "Targets", "[Targets]\r\n; golden\r\n  800.1.02=Pack A  \r\n\r\njunk\r\n[B]\r\nX=1\r\n");
  EXPECT_EQ(ReadSection(file, "targets"),
            (std::vector<std::string>{"; golden", "800.1.02=Pack A", "junk"}));
  EXPECT_TRUE(ReadSection(file, "Missing").empty());
  EXPECT_EQ(ReadString(file, "B", "X", "", 100), "1");
}

TEST_F(ProfileRead, BinaryJunkAndHugeLinesDoNotUpsetReads) {
  std::string junk = "[J]\nK=1\n";
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 37) % 256);
  junk += std::string(2'000'000, 'x') + "\n[J2]\nBig=" + std::string(100'000, '7') + "\n";
  const std::string file = folder_.Write("junk.ini", junk);
  EXPECT_EQ(ReadInt(file, "J", "K", 0), 1);
  EXPECT_EQ(ReadInt(file, "J2", "Big", 0), INT32_MAX);
  EXPECT_EQ(ReadString(file, "J2", "Big", "", 5), "77777");
}

// A byte-order mark from an editor must not hide the first section: the station would
// otherwise run on defaults without a word.
TEST(ProfileReadMarked, ByteOrderMarkDoesNotHideTheFirstSection) {
  test::ScratchFolder folder;
  const std::string file = folder.Write("marked.ini", "\xEF\xBB\xBF[Delay]\r\nSettle=40\r\n");
  EXPECT_EQ(ReadInt(file, "Delay", "Settle", -1), 40);
  EXPECT_EQ(SectionNames(file), (std::vector<std::string>{"Delay"}));
  EXPECT_EQ(ReadSection(file, "delay"), (std::vector<std::string>{"Settle=40"}));
}

// A pipe in the file's place reads as a missing file and refuses changes, without
// blocking on an open that waits for a writer.
TEST(ProfileReadPipe, PipeReadsAsMissingWithoutBlocking) {
  test::ScratchFolder folder;
  const std::string file = folder.File("pipe.ini");
  ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
  EXPECT_EQ(ReadInt(file, "Delay", "Settle", -1), -1);
  EXPECT_TRUE(SectionNames(file).empty());
  EXPECT_FALSE(WriteString(file, "Delay", "Settle", "1"));
}

}  // namespace
}  // namespace tester::profile
