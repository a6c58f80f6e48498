#include "components/cli/password_cli.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "components/password_file.h"
#include "testing/scratch_folder.h"

namespace tester {
namespace {

using ::testing::HasSubstr;

struct Verb {
  test::ScratchFolder folder{"password-verb"};
  std::ostringstream out, err;
  int Run(const std::string& input) {
    std::istringstream in(input);
    return RunPasswordVerb(folder.Path(), in, false, out, err);
  }
  PasswordFileState File() const { return ReadPasswordFile(PasswordFilePath(folder.Path())); }
};

TEST(PasswordVerb, SetsThePasswordFromTheFirstLineWithoutItsLineEnd) {
  Verb verb;
  ASSERT_EQ(verb.Run("Line 3 admin\r\n"), 0) << verb.err.str();
  EXPECT_THAT(verb.out.str(), HasSubstr("password.ini"));
  const PasswordFileState file = verb.File();
  ASSERT_EQ(file.kind, PasswordFileState::Kind::kSet);
  EXPECT_TRUE(PasswordMatches(file.hash, "Line 3 admin"));
  EXPECT_FALSE(PasswordMatches(file.hash, "Line 3 admin\r"));
  EXPECT_THAT(verb.folder.Read("password.ini"), ::testing::Not(HasSubstr("admin")));
}

TEST(PasswordVerb, RefusesNoPasswordAndARepeatThatDiffers) {
  Verb verb;
  EXPECT_EQ(verb.Run(""), 2);
  EXPECT_EQ(verb.Run("\n"), 2);
  EXPECT_EQ(verb.Run("first\nsecond\n"), 2);
  EXPECT_THAT(verb.err.str(), HasSubstr("differ"));
  EXPECT_EQ(verb.File().kind, PasswordFileState::Kind::kNone);
  EXPECT_EQ(verb.Run("same\nsame\n"), 0);
}

}  // namespace
}  // namespace tester
