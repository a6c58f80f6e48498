// The console run: exit status, the JSON line, the station file's next serial number, and
// the three ways a run cannot start (no adapter, unreadable station file, bad image).
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/run_cli.h"
#include "engine/tests/station_run_fixture.h"
#include "platform/profile.h"

namespace tester::runtest {
namespace {

class RunVerbTest : public ::testing::Test {
protected:
  RunVerbTest() {
    std::filesystem::copy_file(DemoFolder() + "/Station1.ini", station_file());
    Jig(DefaultJig());
  }
  void Jig(const JigDescription& jig) {
    std::string error;
    control = MakeSimControl(jig, locks.Path(), clock, error);
    ASSERT_TRUE(control) << error;
  }
  std::string station_file() const { return dir.File("Station1.ini"); }
  int Run(const std::string& ini) {
    out.str("");
    err.str("");
    RunVerbArgs args{ini, "ardentis"};
    return RunRunVerb(clock, *control, DemoFolder(), args, out, err);
  }
  std::string NextSerial() {
    return profile::ReadRaw(station_file(), "Serial", "NextSerialNumber").text;
  }
  std::string JsonLine() const {
    std::string text = out.str();
    const std::size_t start = text.rfind("\n{");
    return start == std::string::npos ? text : text.substr(start + 1);
  }

  TempDir dir;
  TempDir locks;
  VirtualClock clock;
  std::unique_ptr<SimControl> control;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(RunVerbTest, PassingRunsPrintTheirReportAndMoveTheNextSerial) {
  ASSERT_EQ(Run(station_file()), 0) << err.str();
  EXPECT_NE(out.str().find("Power Up...\n"), std::string::npos);
  std::string json = JsonLine();
  EXPECT_NE(json.find("\"serial\":\"1\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"errCode\":0,\"extErrCode\":0"), std::string::npos) << json;
  EXPECT_NE(json.find("\"station\":\"3F2A9C41D07B4E8895A1C6E2B0F47D01\""), std::string::npos);
  EXPECT_NE(json.find("\"version\":\"800.1.02\""), std::string::npos);
  EXPECT_NE(json.find("\"process\":\"main\""), std::string::npos);
  EXPECT_EQ(NextSerial(), "2");

  // The next pack of the queue on the same station takes the next number.
  control->CloseLink();
  ASSERT_EQ(Run(station_file()), 0) << err.str();
  EXPECT_NE(JsonLine().find("\"serial\":\"2\""), std::string::npos) << JsonLine();
  EXPECT_EQ(NextSerial(), "3");
}

TEST_F(RunVerbTest, FailingRunExitsOneAndKeepsTheSerial) {
  Jig(JigOf(OneStationJig(Pack800("unresponsive = yes"))));
  EXPECT_EQ(Run(station_file()), 1);
  const std::string json = JsonLine();
  EXPECT_NE(json.find("\"serial\":\"0\",\"errCode\":65559,\"extErrCode\":258"),
            std::string::npos)
      << json;
  EXPECT_EQ(NextSerial(), "1");
}

TEST_F(RunVerbTest, MissingAdapterCannotStart) {
  Jig(JigOf(OneStationJig(Pack800())));
  // Another station's engine holds the jig's only adapter.
  SimControl holder(control->Jig(), locks.Path(), clock);
  ASSERT_EQ(holder.OpenAdapter(control->Jig().adapters.at(0).identifier), 0);
  EXPECT_EQ(Run(station_file()), 2);
  EXPECT_NE(err.str().find("Linkpod not found!"), std::string::npos) << err.str();
  EXPECT_EQ(NextSerial(), "1");
}

TEST_F(RunVerbTest, UnreadableStationFileCannotStart) {
  std::filesystem::create_directory(dir.File("folder.ini"));
  EXPECT_EQ(Run(dir.File("folder.ini")), 2);
  EXPECT_NE(err.str().find("ardentis: "), std::string::npos);
  EXPECT_EQ(JsonLine().find("\"errCode\""), std::string::npos) << "no run, no report";
}

TEST_F(RunVerbTest, MissingStationFileRunsNothingWithDefaults) {
  EXPECT_EQ(Run(dir.File("Statoin1.ini")), 2);
  EXPECT_NE(err.str().find("Statoin1.ini not found"), std::string::npos) << err.str();
  EXPECT_EQ(out.str().find("Power Up..."), std::string::npos) << "no pack was touched";
  // Without --ini the program's own file is the station file; the demo folder has none.
  EXPECT_EQ(Run(""), 2);
  EXPECT_NE(err.str().find("ardentis.ini not found"), std::string::npos) << err.str();
}

TEST_F(RunVerbTest, BadGoldenImageCannotStart) {
  std::ofstream(dir.File("bad.rom")) << "NOT AN IMAGE";
  ASSERT_TRUE(profile::WriteString(station_file(), "Files", "DataFlashImageFile",
                                   dir.File("bad.rom")));
  EXPECT_EQ(Run(station_file()), 2);
  EXPECT_NE(err.str().find("InitCacheFromSetup() returned error code = 6555"),
            std::string::npos)
      << err.str();
  EXPECT_EQ(NextSerial(), "1");
}

}  // namespace
}  // namespace tester::runtest
