// The engineers' verbs over real stores: the CSV export a spreadsheet reads, the options
// they refuse, and the serial account with a range the counter refuses.
#include <gtest/gtest.h>

#include <sstream>

#include "components/cli/results_cli.h"
#include "components/cli/serials_cli.h"
#include "components/sqlite_serial_counter.h"
#include "components/sqlite_tester_log.h"
#include "platform/virtual_clock.h"
#include "testing/qt_app.h"
#include "testing/scratch_folder.h"

namespace tester {
namespace {

class EngineerVerbs : public ::testing::Test {
protected:
  void SetUp() override { EnsureQtApp(); }
  test::ScratchFolder dir_{"engineer-verbs"};
  VirtualClock clock_;
  std::ostringstream out_, err_;
};

TEST_F(EngineerVerbs, ResultsExportAsCsvWithQuotedFieldsAndFilters) {
  SqliteTesterLog log(dir_.Path(), clock_);
  ASSERT_EQ(log.AddToLog("Station1", "7", 0, 0, "", "", nullptr), "");
  ASSERT_EQ(log.AddToLog("Station2", "0", 65538, 65538, "", "say \"no\", twice", nullptr), "");
  std::string error;
  auto args = MakeResultsArgs("", "", "fail", "csv", false, error);
  ASSERT_TRUE(args) << error;
  EXPECT_EQ(RunResultsVerb(log, *args, out_, err_), 0) << err_.str();
  const std::string csv = out_.str();
  EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
            "Started,Station,Serial,Outcome,Code,Ext. code,Message,Target,Version,Duration (s),"
            "Adapter,Socket,Log file,Custom");
  EXPECT_NE(csv.find(",Station2,0,FAIL,65538,65538,"), std::string::npos) << csv;
  EXPECT_NE(csv.find(",\"say \"\"no\"\", twice\"\r\n"), std::string::npos) << csv;
  EXPECT_EQ(csv.find("Station1"), std::string::npos) << "the PASS run is filtered out";

  EXPECT_FALSE(MakeResultsArgs("", "", "maybe", "", false, error));
  EXPECT_FALSE(MakeResultsArgs("", "", "", "xml", false, error));
  EXPECT_NE(error.find("csv or json"), std::string::npos);
}

TEST_F(EngineerVerbs, SerialsShowTheCounterAndRefuseARangeThatWritesOneWordTwice) {
  SqliteSerialCounter counter(dir_.Path(), clock_);
  counter.SetRequester("Station1", "run-1");
  int32_t n = 0;
  counter.NextSerial(n);
  ASSERT_EQ(counter.RecordFate(n, SerialFate::kVoid), "");
  std::string error;
  auto args = MakeSerialsArgs("32769", "65537", "", error);
  ASSERT_TRUE(args) << error;
  EXPECT_EQ(RunSerialsVerb(counter, dir_.Path(), *args, out_, err_), 2);
  EXPECT_NE(err_.str().find("0x8001"), std::string::npos) << err_.str();
  args = MakeSerialsArgs("", "", "5", error);
  ASSERT_TRUE(args);
  EXPECT_EQ(RunSerialsVerb(counter, dir_.Path(), *args, out_, err_), 0);
  const std::string text = out_.str();
  EXPECT_NE(text.find("Range: 1 to 65535\nNext: 2\n"), std::string::npos) << text;
  EXPECT_NE(text.find("0 without a fate yet, 0 written, 1 void"), std::string::npos) << text;
  EXPECT_NE(text.find("1           void     Station1"), std::string::npos) << text;
  EXPECT_FALSE(MakeSerialsArgs("1x", "", "", error));
  EXPECT_FALSE(MakeSerialsArgs("", "", "-1", error));
}

}  // namespace
}  // namespace tester
