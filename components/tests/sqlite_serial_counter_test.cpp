// The serial counter on disk: numbers survive the object, are never handed out twice, keep
// their fate, stay inside a range whose 16-bit words all differ, and a store that cannot
// be used says so instead of failing a run later.
#include "components/sqlite_serial_counter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "common/component_error.h"
#include "platform/virtual_clock.h"
#include "testing/qt_app.h"
#include "testing/scratch_folder.h"

namespace tester {
namespace {

class SerialCounterTest : public ::testing::Test {
protected:
  void SetUp() override { EnsureQtApp(); }
  std::unique_ptr<SqliteSerialCounter> Open() {
    return std::make_unique<SqliteSerialCounter>(dir_.Path(), clock_);
  }
  static int32_t Next(SerialCounter& counter) {
    int32_t n = 0;
    counter.NextSerial(n);
    return n;
  }
  test::ScratchFolder dir_{"serial-counter"};
  VirtualClock clock_;
};

TEST(SerialRange, RefusesRangesWhoseNumbersWouldWriteTheSameWord) {
  EXPECT_EQ(SerialRangeProblem(kDefaultSerialRange), "");
  EXPECT_EQ(SerialRangeProblem({60000, 70000}), "") << "70000 writes 0x9170, below 60000";
  EXPECT_EQ(SerialRangeProblem({65536, 98303}), "") << "0x8000 to 0xFFFF once each";
  EXPECT_NE(SerialRangeProblem({5, 4}).find("empty or reversed"), std::string::npos);
  EXPECT_NE(SerialRangeProblem({0, 10}).find("below 1"), std::string::npos);
  EXPECT_NE(SerialRangeProblem({1, 2147483648LL}).find("beyond 2147483647"), std::string::npos);
  const std::string clash = SerialRangeProblem({32769, 65537});
  EXPECT_NE(clash.find("32769 and 65537 would both be written as 0x8001"), std::string::npos)
      << clash;
  EXPECT_NE(SerialRangeProblem({65536, 98304}).find("65536 and 98304"), std::string::npos);
  EXPECT_NE(SerialRangeProblem({1, 2147483647}), "");
  // Numbers an earlier range handed out count too.
  EXPECT_NE(SerialRangeClash({65536, 70000}, {40000, 32769}).find("32769"), std::string::npos);
  EXPECT_EQ(SerialRangeClash({65536, 70000}, {1, 2, 65536}), "");
}

TEST_F(SerialCounterTest, NumbersAreCommittedAndNeverHandedOutAgain) {
  {
    auto counter = Open();
    ASSERT_EQ(counter->SerialConfigError(), "");
    EXPECT_EQ(counter->SeedIfFresh(40), "");
    EXPECT_EQ(counter->SeedIfFresh(7), "") << "seeds a fresh counter only";
    counter->SetRequester("Station1", "2026-01-05T08:00:00.000+00:00");
    EXPECT_EQ(Next(*counter), 40);
    EXPECT_EQ(Next(*counter), 41);
  }
  // Another object (another process, a restart) continues; a start below the numbers
  // handed out goes to the first unused number at or above it.
  auto counter = Open();
  EXPECT_EQ(Next(*counter), 42);
  counter->SetStart(10);
  EXPECT_EQ(Next(*counter), 10);
  counter->SetStart(41);
  EXPECT_EQ(Next(*counter), 43);
  counter->SetStart(0);
  EXPECT_EQ(Next(*counter), 1) << "0 is no serial: the range's first";

  EXPECT_EQ(counter->RecordFate(40, SerialFate::kWritten), "");
  EXPECT_EQ(counter->RecordFate(41, SerialFate::kVoid), "");
  EXPECT_EQ(counter->RecordFate(41, SerialFate::kVoid), "") << "said twice is the same";
  EXPECT_NE(counter->RecordFate(41, SerialFate::kWritten), "") << "a void number stays void";
  EXPECT_NE(counter->RecordFate(9999, SerialFate::kWritten), "");
  std::string error;
  const std::optional<SerialSummary> summary = counter->Summary(6, error);
  ASSERT_TRUE(summary) << error;
  EXPECT_EQ(summary->range, kDefaultSerialRange);
  EXPECT_EQ(summary->next, 2);
  EXPECT_EQ(summary->written, 1);
  EXPECT_EQ(summary->voided, 1);
  EXPECT_EQ(summary->issued, 4);
  ASSERT_EQ(summary->latest.size(), 6u);
  EXPECT_EQ(summary->latest[0].serial, 1) << "newest first";
  EXPECT_EQ(summary->latest[1].serial, 43);
  EXPECT_EQ(summary->latest[5].serial, 40);
  EXPECT_EQ(summary->latest[5].station, "Station1");
  EXPECT_EQ(summary->latest[5].run, "2026-01-05T08:00:00.000+00:00");
  EXPECT_EQ(summary->latest[5].fate, SerialFate::kWritten);
  EXPECT_FALSE(summary->latest[5].issued_at.empty());
}

TEST_F(SerialCounterTest, RangeEndsTheCounterWithoutWrappingRound) {
  auto counter = Open();
  EXPECT_NE(counter->SetRange({32769, 65537}), "");
  ASSERT_EQ(counter->SetRange({65530, 65531}), "");
  EXPECT_EQ(Next(*counter), 65530);
  EXPECT_EQ(Next(*counter), 65531);
  int32_t n = 77;
  EXPECT_THROW(counter->NextSerial(n), ComponentError);
  EXPECT_EQ(n, 77) << "left as it was";
  EXPECT_NE(counter->SerialConfigError().find("65532 is beyond the last of the range 65530 to 65531"), std::string::npos);
  // 65530 is in a pack as 0xFFFA; 98298 would write that word again.
  EXPECT_NE(counter->SetRange({65536, 98303}).find("65530"), std::string::npos);
  ASSERT_EQ(counter->SetRange({100, 200}), "");
  EXPECT_EQ(Next(*counter), 100) << "a range below the numbers handed out starts at its first";
}

TEST_F(SerialCounterTest, DamagedOrUnopenableDatabaseIsAConfigurationError) {
  dir_.Write(kSerialDatabaseFile, std::string(4096, 'x'));
  auto counter = Open();
  const std::string error = counter->SerialConfigError();
  EXPECT_NE(error.find("damaged or is not a database"), std::string::npos) << error;
  int32_t n = 5;
  EXPECT_THROW(counter->NextSerial(n), ComponentError);
  EXPECT_EQ(n, 5);
  EXPECT_NE(counter->RecordFate(5, SerialFate::kVoid), "");

  SqliteSerialCounter nowhere(dir_.File("missing/folder"), clock_);
  EXPECT_NE(nowhere.SerialConfigError(), "");
  EXPECT_THROW(nowhere.SetStart(1), ComponentError);
}

// A folder the process may not write into (run as an unprivileged user: root writes
// everywhere). The check runs in a child process that gives up root.
TEST_F(SerialCounterTest, ReadOnlyDatabaseIsAConfigurationError) {
  { Open(); }  // the database exists, with its numbers
  ASSERT_EQ(chmod(dir_.Path().c_str(), 0555), 0);
  const std::string db = dir_.File(kSerialDatabaseFile);
  chmod(db.c_str(), 0444);
  chmod((db + "-wal").c_str(), 0444);
  chmod((db + "-shm").c_str(), 0444);
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) std::_Exit(3);
        auto counter = Open();
        const std::string error = counter->SerialConfigError();
        int32_t n = 0;
        bool threw = false;
        try {
          counter->NextSerial(n);
        } catch (const ComponentError&) {
          threw = true;
        }
        std::_Exit(!error.empty() && threw && n == 0 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  chmod(dir_.Path().c_str(), 0755);
}

}  // namespace
}  // namespace tester
