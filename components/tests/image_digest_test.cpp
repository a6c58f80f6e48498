// Digest files beside the golden images: the form sha256sum writes and checks.
#include "components/image_digest.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "testing/scratch_folder.h"

namespace tester {
namespace {

TEST(ImageDigest, WrittenInTheStandardFormAndCheckedAgainstTheImage) {
  test::ScratchFolder dir;
  const std::string image = dir.Write("Tester_1.rom", "abc");
  std::string error;
  ASSERT_TRUE(WriteImageDigest(image, error)) << error;
  EXPECT_EQ(dir.Read("Tester_1.rom.sha256"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad  Tester_1.rom\n");
  EXPECT_EQ(CheckImageDigest(image).verdict, DigestVerdict::kMatch);

  // The binary-mode marker and upper-case digits are the same digest.
  dir.Write("Tester_1.rom.sha256",
            "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD *Tester_1.rom\r\n");
  EXPECT_EQ(CheckImageDigest(image).verdict, DigestVerdict::kMatch);

  dir.Write("Tester_1.rom", "abd");
  EXPECT_EQ(CheckImageDigest(image).verdict, DigestVerdict::kMismatch);
  dir.Write("Tester_1.rom", "abc");
  dir.Write("Tester_1.rom.sha256",
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad  Tester_2.rom\n");
  EXPECT_EQ(CheckImageDigest(image).verdict, DigestVerdict::kMismatch) << "another file's digest";
  dir.Write("Tester_1.rom.sha256", "not a digest\n");
  EXPECT_EQ(CheckImageDigest(image).verdict, DigestVerdict::kInvalid);
  std::filesystem::remove(dir.File("Tester_1.rom.sha256"));
  EXPECT_EQ(CheckImageDigest(image).verdict, DigestVerdict::kMissing);
}

}  // namespace
}  // namespace tester
