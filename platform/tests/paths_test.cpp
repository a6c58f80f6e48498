// The program folder and paths built the programs' way (folder & "\" & name).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/paths.h"

namespace tester {
namespace {

// Sets TESTER_HOME (null: unsets it) for one test and puts the old value back afterwards.
class TesterHomeGuard {
public:
  explicit TesterHomeGuard(const char* value) {
    if (const char* old = std::getenv("TESTER_HOME")) old_ = old;
    Set(value);
  }
  ~TesterHomeGuard() { Set(old_ ? old_->c_str() : nullptr); }

private:
  static void Set(const char* value) {
    value != nullptr ? setenv("TESTER_HOME", value, 1) : unsetenv("TESTER_HOME");
  }
  std::optional<std::string> old_;
};

TEST(Paths, ProgramFolderIsTesterHomeElseTheExecutablesFolder) {
  {
    TesterHomeGuard home("/opt/jig/");
    EXPECT_EQ(ProgramFolder("/usr/bin/ardentis"), "/opt/jig");
  }
  TesterHomeGuard empty("");
  const std::string exe_folder = ProgramFolder("/nowhere/prog");
  EXPECT_NE(exe_folder, "/nowhere");  // the running executable, not what argv0 claims
  EXPECT_TRUE(std::filesystem::exists(exe_folder + "/platform_tests"));
}

TEST(Paths, BackslashesBecomeSlashes) {
  EXPECT_EQ(NativePath("C:\\jig\\Config.ini"), "C:/jig/Config.ini");
  EXPECT_EQ(JoinProgramPath("/opt/jig", "Station01"), "/opt/jig/Station01");
  EXPECT_EQ(JoinProgramPath("/opt/jig/", "sub\\Config.ini"), "/opt/jig/sub/Config.ini");
  EXPECT_EQ(JoinProgramPath("/opt/jig", "\\Targets"), "/opt/jig/Targets");
  EXPECT_EQ(JoinProgramPath("", "Targets"), "Targets");
}

}  // namespace
}  // namespace tester
