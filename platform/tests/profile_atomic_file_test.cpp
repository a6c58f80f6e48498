// Whole-file writes that replace a file in one step.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/atomic_file.h"
#include "testing/scratch_folder.h"

namespace tester {
namespace {

TEST(AtomicFile, ReplacesKeepingPermissionsAndWritingThroughLinks) {
  test::ScratchFolder folder;
  const std::string target = folder.Write("target.bin", "old");
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  const std::string link = folder.File("link.bin");
  std::filesystem::create_symlink(target, link);
  const std::string bytes("a\0b\r\n\xFF", 6);
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(link, bytes, &error)) << error;
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadWholeFile(target, nullptr), bytes);
  struct stat state {};
  ASSERT_EQ(stat(target.c_str(), &state), 0);
  EXPECT_EQ(state.st_mode & 0777, 0640u);
  EXPECT_EQ(folder.EntryCount(), 2u);
}

TEST(AtomicFile, FailuresSayWhatAndLeaveNoTemporaryFile) {
  test::ScratchFolder folder;
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(folder.File("missing/x"), "x", &error));
  EXPECT_NE(error.find("missing/x"), std::string::npos) << error;
  EXPECT_FALSE(ReadWholeFile(folder.File("absent"), &error).has_value());
  EXPECT_FALSE(ReadWholeFile(folder.Path(), &error).has_value());
  const std::string eleven = folder.Write("eleven.txt", "0123456789\n");
  EXPECT_EQ(ReadWholeFile(eleven, &error, 11), "0123456789\n");
  EXPECT_FALSE(ReadWholeFile(eleven, &error, 10).has_value());
  EXPECT_EQ(error, "cannot read " + eleven + ": larger than 10 bytes");
  std::filesystem::create_directory(folder.File("sub"));
  EXPECT_FALSE(WriteFileAtomically(folder.File("sub"), "x", &error));
  EXPECT_EQ(folder.EntryCount(), 2u);
}

}  // namespace
}  // namespace tester
