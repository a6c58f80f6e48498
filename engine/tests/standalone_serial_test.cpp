// The stand-alone serial state: seeding on the first request, the saved start with its
// 65535 cap, nothing saved before a number was handed out, the order of seeding around
// the global configuration dialog, and the automation case that touches no file.
#include "engine/standalone_serial.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "common/component_error.h"
#include "platform/profile.h"

namespace tester {
namespace {

// Counts up from the last start; records what it was asked.
class FakeCounter : public SerialCounter {
public:
  void SetStart(int32_t n) override {
    if (fail_set_start) throw ComponentError("counter store unavailable");
    starts.push_back(n);
    next = n;
  }
  void NextSerial(int32_t& n) override {
    if (fail_next) throw ComponentError("counter store unavailable");
    n = next++;
  }
  std::string SerialConfigError() override { return ""; }
  void SetRequester(const std::string&, const std::string&) override {}
  std::string RecordFate(int32_t, SerialFate) override { return ""; }

  std::vector<int32_t> starts;
  int32_t next = 500;
  bool fail_set_start = false;
  bool fail_next = false;
};

class StandaloneSerialTest : public ::testing::Test {
protected:
  StandaloneSerialTest() {
    dir = std::filesystem::temp_directory_path() /
          ("standalone_serial_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    file = (dir / "ardentis.ini").string();
  }
  ~StandaloneSerialTest() override { std::filesystem::remove_all(dir); }

  profile::RawValue Saved() const { return profile::ReadRaw(file, "Config", "DFSrNoStart"); }
  void SaveRaw(const std::string& text) {
    ASSERT_TRUE(profile::WriteString(file, "Config", "DFSrNoStart", text));
  }
  int32_t Request(StandaloneSerial& serial, int32_t proposed) {
    serial.ExposedClass_RequestSerialNo(proposed);
    return proposed;
  }

  std::filesystem::path dir;
  std::string file;
  FakeCounter counter;
};

TEST_F(StandaloneSerialTest, FirstRequestSeedsFromTheProposalLaterOnesOnlyDraw) {
  StandaloneSerial serial(counter, file, true);
  EXPECT_FALSE(serial.SerialSeeded());
  EXPECT_EQ(Request(serial, 1000), 1000);
  EXPECT_TRUE(serial.SerialSeeded());
  EXPECT_EQ(Request(serial, 1000), 1001);
  EXPECT_EQ(Request(serial, 7), 1002);
  EXPECT_EQ(counter.starts, std::vector<int32_t>{1000});
  EXPECT_EQ(serial.LastSerial(), 1002);
}

TEST_F(StandaloneSerialTest, ReadWithoutKeyAndNothingHandedOutGivesOne) {
  StandaloneSerial serial(counter, file, true);
  EXPECT_EQ(serial.ReadSerialStart(), 1);
  EXPECT_EQ(serial.LastSerial(), 0);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(StandaloneSerialTest, ReadTakesTheSavedStartAndIgnoresNonPositiveValues) {
  StandaloneSerial serial(counter, file, true);
  SaveRaw("4711");
  EXPECT_EQ(serial.ReadSerialStart(), 4711);
  EXPECT_EQ(serial.LastSerial(), 4710);
  // Not a start: the default (last + 1) is used, and nothing overflows.
  for (const char* bad : {"0", "-3", "abc", "-99999999999"}) {
    SaveRaw(bad);
    EXPECT_EQ(serial.ReadSerialStart(), 4711) << bad;
    EXPECT_EQ(serial.LastSerial(), 4710) << bad;
  }
  // The default is capped like a saved start.
  StandaloneSerial capped(counter, file, true);
  EXPECT_EQ(Request(capped, 70000), 70000);
  SaveRaw("");
  EXPECT_EQ(capped.ReadSerialStart(), 65535);
}

TEST_F(StandaloneSerialTest, SaveStoresTheNextStartCappedAt65535) {
  StandaloneSerial serial(counter, file, true);
  counter.next = 41;
  Request(serial, 41);
  EXPECT_TRUE(serial.SaveSerialStart());
  EXPECT_EQ(Saved().text, "42");
  EXPECT_EQ(serial.LastSerial(), 42);

  counter.starts.clear();
  StandaloneSerial top(counter, file, true);
  EXPECT_EQ(Request(top, 65535), 65535);
  EXPECT_TRUE(top.SaveSerialStart());
  EXPECT_EQ(Saved().text, "65535");
  EXPECT_EQ(top.LastSerial(), 65535);
}

TEST_F(StandaloneSerialTest, SaveBeforeAnyNumberWritesNothing) {
  StandaloneSerial serial(counter, file, true);
  EXPECT_TRUE(serial.SaveSerialStart());
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(StandaloneSerialTest, SaveIntoAnUnwritableFileReportsIt) {
  StandaloneSerial serial(counter, (dir / "missing" / "ardentis.ini").string(), true);
  Request(serial, 3);
  EXPECT_FALSE(serial.SaveSerialStart());
}

// Global configuration before the first test: the saved start reaches the counter, but
// the first request still seeds it from the run's proposal.
TEST_F(StandaloneSerialTest, DialogBeforeFirstTestIsOverriddenByTheFirstSeeding) {
  SaveRaw("300");
  StandaloneSerial serial(counter, file, true);
  EXPECT_TRUE(serial.SaveSerialStart());  // nothing handed out: nothing written
  serial.SetCounterFromSavedStart();
  EXPECT_EQ(counter.starts, std::vector<int32_t>{300});
  EXPECT_FALSE(serial.SerialSeeded());
  EXPECT_EQ(Request(serial, 9000), 9000);
  EXPECT_EQ(counter.starts, (std::vector<int32_t>{300, 9000}));
}

// Global configuration after the first test: the start saved before the dialog (or edited
// in it) holds for the following tests.
TEST_F(StandaloneSerialTest, DialogAfterFirstTestSetsTheStartForTheNextTests) {
  StandaloneSerial serial(counter, file, true);
  EXPECT_EQ(Request(serial, 9000), 9000);
  EXPECT_TRUE(serial.SaveSerialStart());
  EXPECT_EQ(Saved().text, "9001");
  SaveRaw("12000");  // the operator's edit while the dialog is open
  serial.SetCounterFromSavedStart();
  EXPECT_EQ(serial.LastSerial(), 11999);
  EXPECT_EQ(Request(serial, 9000), 12000);
  EXPECT_EQ(Request(serial, 9000), 12001);
  EXPECT_EQ(counter.starts, (std::vector<int32_t>{9000, 12000}));

  // Without an edit the round trip through the dialog changes nothing.
  EXPECT_TRUE(serial.SaveSerialStart());
  serial.SetCounterFromSavedStart();
  EXPECT_EQ(Request(serial, 9000), 12002);
}

TEST_F(StandaloneSerialTest, AutomationServerKeepsNoFile) {
  SaveRaw("300");
  StandaloneSerial serial(counter, file, false);
  EXPECT_EQ(serial.ReadSerialStart(), 1);
  Request(serial, 50);
  EXPECT_TRUE(serial.SaveSerialStart());
  EXPECT_EQ(Saved().text, "300");
  EXPECT_EQ(serial.LastSerial(), 50);
  EXPECT_EQ(serial.ReadSerialStart(), 51);
}

TEST_F(StandaloneSerialTest, FailingCounterLeavesNumberAndStateAsTheyWere) {
  StandaloneSerial serial(counter, file, true);
  counter.fail_set_start = true;
  int32_t n = 77;
  EXPECT_THROW(serial.ExposedClass_RequestSerialNo(n), ComponentError);
  EXPECT_EQ(n, 77);
  EXPECT_FALSE(serial.SerialSeeded());

  counter.fail_set_start = false;
  counter.fail_next = true;
  EXPECT_THROW(serial.ExposedClass_RequestSerialNo(n), ComponentError);
  EXPECT_EQ(n, 77);
  EXPECT_EQ(serial.LastSerial(), 0);
  EXPECT_TRUE(serial.SerialSeeded());  // the seeding itself went through

  counter.fail_next = false;
  EXPECT_EQ(Request(serial, 5), 77);
  EXPECT_EQ(counter.starts, std::vector<int32_t>{77});
}

}  // namespace
}  // namespace tester
