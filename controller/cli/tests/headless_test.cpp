// The headless controller over fake engines that run by themselves on a virtual clock.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "controller/cli/headless.h"
#include "controller/tests/controller_fakes.h"

namespace tester::test {
namespace {

class Headless : public ::testing::Test {
protected:
  int Run(const std::vector<std::string>& words) {
    std::string error;
    const std::optional<HeadlessArgs> args = ParseHeadlessArgs(words, error);
    EXPECT_TRUE(args) << error;
    HeadlessWorld world{clock, factory, serials, log, reminder, home.Path(), {}, true, {}};
    return RunHeadless(world, *args, out, err);
  }
  void SetUp() override {
    factory.adapters = Adapters(3);
    factory.on_create = [this](FakeEngine& engine, int i) {
      engine.clock = &clock;
      if (i == 1) engine.auto_err = 65538;
    };
    home.Jig("[BoardMapping]\nADAPTER0=Bay0\nADAPTER1=Bay1\nADAPTER2=Bay2\n[Bay2]\nDoTesting=0\n");
  }

  VirtualClock clock;
  FakeEngineFactory factory;
  MemorySerialCounter serials;
  MemoryTesterLog log;
  MemoryReminder reminder;
  ControllerHome home;
  std::ostringstream out, err;
};

TEST_F(Headless, RunsEveryStartAndPrintsTheResultsAndYield) {
  ASSERT_EQ(Run({"--runs", "2", "--vti-from-files"}), 0) << err.str();
  const std::string text = out.str();
  EXPECT_NE(text.find("3 station(s): Bay0 Bay1 Bay2 (not testing)"), std::string::npos) << text;
  EXPECT_NE(text.find("[Bay0] Power Up..."), std::string::npos);
  EXPECT_NE(text.find("[Bay1] FAIL, codes 65538/0"), std::string::npos) << text;
  EXPECT_NE(text.find("virtual clock"), std::string::npos);
  EXPECT_NE(text.find("\n2    Bay0     3       PASS     0/0      0.0 s\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("\n2    Bay1     -       FAIL     65538/0  0.0 s     pack failed\n"),
            std::string::npos);
  EXPECT_NE(text.find("\nBay0     2       0       100.0 %\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nall      2       2       50.0 %\n"), std::string::npos) << text;
  EXPECT_EQ(log.entries.size(), 4u);
  EXPECT_EQ(factory.At(0).vti_calls.size(), 1u);
  EXPECT_EQ(factory.At(0).quits, 1);
}

TEST_F(Headless, ReferenceValuesFromAFile) {
  const std::string file = home.Path() + "/vti.ini";
  std::ofstream(file) << "[Bay0]\nRefVoltage1=3712\n";
  ASSERT_EQ(Run({"--vti", file}), 0) << err.str();
  ASSERT_EQ(factory.At(0).vti_calls.size(), 1u);
  EXPECT_EQ(factory.At(0).vti_calls[0][0], 3712);
  EXPECT_EQ(Run({"--vti", home.Path() + "/missing.ini"}), 2);
}

TEST_F(Headless, WithoutReferenceValuesItSaysWhyItCannotStart) {
  EXPECT_EQ(Run({}), 2);
  EXPECT_NE(err.str().find("--vti-from-files"), std::string::npos) << err.str();
  EXPECT_EQ(factory.At(0).executes, 0);
}

TEST_F(Headless, AFailedStartUpCannotStart) {
  home.Jig("[BoardMapping]\n");
  EXPECT_EQ(Run({"--vti-from-files"}), 2);
  EXPECT_NE(err.str().find("Gangwright: Error: Expected 0 boards, Found 3"), std::string::npos)
      << err.str();
}

TEST(HeadlessArgs, RunsMustBeAWholeNumberInRange) {
  std::string error;
  EXPECT_FALSE(ParseHeadlessArgs({"--runs", "0"}, error));
  EXPECT_FALSE(ParseHeadlessArgs({"--runs", "2x"}, error));
  EXPECT_FALSE(ParseHeadlessArgs({"--fast"}, error));
  EXPECT_FALSE(ParseHeadlessArgs({"--vti", "x.ini", "--vti-from-files"}, error));
  EXPECT_EQ(ParseHeadlessArgs({"--runs", "12"}, error)->runs, 12);
}

}  // namespace
}  // namespace tester::test
