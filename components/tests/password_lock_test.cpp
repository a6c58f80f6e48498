#include "components/password_lock.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <deque>
#include <filesystem>

#include "common/messages.h"
#include "components/password_file.h"
#include "platform/scripted_dialogs.h"
#include "testing/scratch_folder.h"

namespace tester {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

// Rounds that keep the tests fast; the stored record carries them.
constexpr int32_t kTestRounds = kMinPasswordIterations;

class ScriptedPrompt final : public PasswordPrompt {
public:
  std::optional<std::string> AskPassword(const std::string& prompt, const std::string&) override {
    asked.push_back(prompt);
    if (answers.empty()) return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<std::optional<std::string>> answers;
  std::vector<std::string> asked;
};

class Window final : public LockStateListener {
public:
  void LockState(bool locked) override { states.push_back(locked); }
  std::vector<bool> states;
};

struct LockFixture : ::testing::Test {
  test::ScratchFolder folder{"password-lock"};
  ScriptedDialogs dialogs;
  ScriptedPrompt prompt;
  Window window;
  PasswordLock lock{folder.Path(), dialogs, prompt, kTestRounds};
  std::string path = PasswordFilePath(folder.Path());

  LockFixture() { lock.SetListener(&window); }
  void SetPassword(const std::string& password) {
    ASSERT_EQ(SavePassword(path, password, kTestRounds), "");
  }
};

TEST_F(LockFixture, AFreshFolderStaysLockedAndSaysHowToSetAPassword) {
  EXPECT_TRUE(lock.IsLocked());
  EXPECT_FALSE(lock.Unlock());
  EXPECT_FALSE(lock.ChangePassword());  // no first password from a window
  EXPECT_THAT(prompt.asked, IsEmpty());
  EXPECT_THAT(dialogs.Messages(), ElementsAre(kNoPasswordText, kNoPasswordText));
  EXPECT_TRUE(lock.IsLocked());
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(LockFixture, TheFileHoldsASaltedHashOnlyItsOwnerCanRead) {
  SetPassword("Secret-4711");
  const std::string first = folder.Read("password.ini");
  EXPECT_THAT(first, Not(HasSubstr("Secret-4711")));
  struct stat state {};
  ASSERT_EQ(stat(path.c_str(), &state), 0);
  EXPECT_EQ(state.st_mode & 0777, 0600u);
  SetPassword("Secret-4711");
  EXPECT_NE(folder.Read("password.ini"), first) << "the same password twice gets a new salt";
  EXPECT_EQ(folder.EntryCount(), 1u) << "no temporary file left behind";
}

TEST_F(LockFixture, WrongPasswordGives105RightOneOpensAndEveryChangeIsReported) {
  SetPassword("Secret-4711");
  prompt.answers = {"secret-4711", "Secret-4711"};
  EXPECT_FALSE(lock.Unlock());
  EXPECT_THAT(dialogs.Messages(), ElementsAre(LoadMessage(kMsgPasswordIncorrect)));
  EXPECT_TRUE(lock.IsLocked());
  EXPECT_TRUE(lock.Unlock());
  EXPECT_FALSE(lock.IsLocked());
  lock.Lock();
  lock.Lock();  // no change, no call
  EXPECT_THAT(window.states, ElementsAre(false, true));
  EXPECT_TRUE(lock.IsLocked());
}

TEST_F(LockFixture, ChangePasswordNeedsTheOldOneAndTwoEqualNewOnes) {
  SetPassword("old");
  prompt.answers = {"old", "new", "neW"};
  EXPECT_FALSE(lock.ChangePassword());
  EXPECT_THAT(dialogs.Messages(), ElementsAre(kPasswordsDifferText));
  prompt.answers = {"new", "new"};  // open now: not asked for the old one again
  EXPECT_TRUE(lock.ChangePassword());
  lock.Lock();
  prompt.answers = {"old", "new"};
  EXPECT_FALSE(lock.Unlock());
  EXPECT_TRUE(lock.Unlock());
}

TEST_F(LockFixture, AFailedSaveGives106AndTheReason) {
  SetPassword("old");
  prompt.answers = {"old"};
  ASSERT_TRUE(lock.Unlock());
  std::filesystem::remove(path);
  std::filesystem::create_directory(path);  // nothing can be renamed over a folder
  prompt.answers = {"new", "new"};
  EXPECT_FALSE(lock.ChangePassword());
  ASSERT_EQ(dialogs.Messages().size(), 2u);
  EXPECT_EQ(dialogs.Messages()[0], LoadMessage(kMsgSavePasswordFailed));
  EXPECT_THAT(dialogs.Messages()[1], HasSubstr(path));
}

TEST_F(LockFixture, ADamagedFileNeverOpensTheLock) {
  folder.Write("password.ini", "[Password]\nAlgorithm=PBKDF2-HMAC-SHA256\nIterations=1\n");
  prompt.answers = {""};
  EXPECT_FALSE(lock.Unlock());
  EXPECT_THAT(prompt.asked, IsEmpty());
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_THAT(dialogs.Messages()[0], HasSubstr("iteration count"));
}

TEST_F(LockFixture, VTIAlwaysAllowedFollowsTheGlobalConfiguration) {
  EXPECT_FALSE(lock.VTIAlwaysAllowed());
  folder.Write("global.ini", "[Operator]\nVTIAlwaysAllowed=1\n");
  EXPECT_TRUE(lock.VTIAlwaysAllowed());
  folder.Write("global.ini", "[Operator]\nVTIAlwaysAllowed=yes\n");  // refused: off
  EXPECT_FALSE(lock.VTIAlwaysAllowed());
}

}  // namespace
}  // namespace tester
