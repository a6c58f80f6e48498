// The console run: exit status, the JSON line, the station file's next serial number, and
// the three ways a run cannot start (no adapter, unreadable station file, bad image).
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "components/image_digest.h"
#include "components/sqlite_serial_counter.h"
#include "components/sqlite_tester_log.h"
#include "engine/cli/run_cli.h"
#include "engine/tests/station_run_fixture.h"
#include "platform/profile.h"
#include "platform/replay_control.h"

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
  int Run(const std::string& ini) { return RunOn(clock, *control, ini); }
  int RunOn(EventPump& pump, GaugeControl& backend, const std::string& ini) {
    out.str("");
    err.str("");
    RunVerbArgs args{ini, "ardentis"};
    // The stores live in a scratch folder: the demo folder is only read.
    SqliteSerialCounter serials(stores->Path(), clock);
    SqliteTesterLog log(stores->Path(), clock);
    return RunRunVerb(pump, backend, DemoFolder(), args, {serials, log}, out, err);
  }
  // A run of a fresh copy of the demo station file answered from `trace`, on a fresh
  // application folder's stores (the recorded run wrote serial 1).
  int Replay(const std::string& trace) {
    stores = std::make_unique<TempDir>();
    std::filesystem::copy_file(DemoFolder() + "/Station1.ini", station_file(),
                               std::filesystem::copy_options::overwrite_existing);
    VirtualClock replay_clock;
    std::string error;
    std::ostringstream divergence;
    auto replay = ReplayControl::FromText(trace, replay_clock, error, &divergence);
    EXPECT_TRUE(replay) << error;
    return replay ? RunOn(replay_clock, *replay, station_file()) : -1;
  }
  std::string NextSerial() {
    return profile::ReadRaw(station_file(), "Serial", "NextSerialNumber").text;
  }
  QJsonObject JsonObject() const {
    return QJsonDocument::fromJson(QByteArray::fromStdString(JsonLine())).object();
  }
  std::string JsonLine() const {
    std::string text = out.str();
    const std::size_t start = text.rfind("\n{");
    return start == std::string::npos ? text : text.substr(start + 1);
  }

  TempDir dir;
  std::unique_ptr<TempDir> stores = std::make_unique<TempDir>();
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

  // The record of the run: who, when, what with, and every measurement with its limits.
  const QJsonObject record = JsonObject();
  EXPECT_EQ(record.value("outcome").toString(), "PASS");
  EXPECT_EQ(record.value("stationName").toString(), "Station1");
  EXPECT_EQ(record.value("target").toString(), "800.1.02");
  EXPECT_EQ(record.value("software").toString(), "1.1.0");
  EXPECT_TRUE(QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$)")
                  .match(record.value("startedAt").toString())
                  .hasMatch())
      << record.value("startedAt").toString().toStdString();
  std::string error;
  const std::string image = record.value("imageFile").toString().toStdString();
  EXPECT_EQ(record.value("imageSha256").toString().toStdString(),
            FileSha256(image, error).value_or("unreadable"));
  const QJsonArray measurements = record.value("measurements").toArray();
  std::set<std::string> checked;  // the values a check compared with its limits
  for (const QJsonValue& m : measurements) {
    const QJsonObject item = m.toObject();
    EXPECT_FALSE(item.value("unit").toString().isEmpty());
    if (!item.contains("low")) continue;  // that check is switched off at this station
    checked.insert(item.value("name").toString().toStdString());
    EXPECT_GE(item.value("value").toDouble(), item.value("low").toDouble());
    EXPECT_LE(item.value("value").toDouble(), item.value("high").toDouble());
  }
  EXPECT_EQ(checked, (std::set<std::string>{"cellGain", "senseResistance", "tempOffsetTS1"}));

  // The next pack of the queue on the same station takes the next number.
  control->CloseLink();
  ASSERT_EQ(Run(station_file()), 0) << err.str();
  EXPECT_NE(JsonLine().find("\"serial\":\"2\""), std::string::npos) << JsonLine();
  EXPECT_EQ(NextSerial(), "3");
}

// A trace of a passing run replays to the same pass. Changed by one byte (the PASS lamp
// the run lights last), or with a recorded operation the run never reaches, the replay
// fails the run and names the operations left.
TEST_F(RunVerbTest, ReplayThatLeavesItsTraceFailsTheRun) {
  const std::string recorded_at = dir.File("run.trace");
  {
    TracingControl tracing(std::move(control), clock, recorded_at);
    ASSERT_EQ(RunOn(clock, tracing, station_file()), 0) << err.str();
  }
  std::ifstream file(recorded_at);
  const std::string trace((std::istreambuf_iterator<char>(file)), {});
  ASSERT_EQ(Replay(trace), 0) << err.str();
  EXPECT_EQ(err.str().find("replay"), std::string::npos) << err.str();

  std::string altered = trace;
  const std::size_t lamp = altered.rfind("reg=0x44 val=0x40");
  ASSERT_NE(lamp, std::string::npos);
  altered[lamp + 16] = '1';
  EXPECT_EQ(Replay(altered), 1);
  EXPECT_NE(JsonLine().find("\"errCode\":0,"), std::string::npos) << "the engine saw a pass";
  const std::string report = err.str();
  const std::size_t left = report.find("ardentis: replay: 3 recorded operations never reached:\n");
  ASSERT_NE(left, std::string::npos) << report;
  EXPECT_NE(report.find(" RegByteOp mode=1 dev=0xC0 reg=0x44 val=0x41 -> 0\n", left),
            std::string::npos)
      << report;

  EXPECT_EQ(Replay(trace + "8770 BusStatus -> 0\n"), 1);
  EXPECT_NE(err.str().find("ardentis: replay: 1 recorded operation never reached:\n"
                           "ardentis: replay:   8770 BusStatus -> 0\n"),
            std::string::npos)
      << err.str();
}

TEST_F(RunVerbTest, FailingRunExitsOneAndKeepsTheSerial) {
  Jig(JigOf(OneStationJig(Pack800("unresponsive = yes"))));
  EXPECT_EQ(Run(station_file()), 1);
  const QJsonObject json = JsonObject();
  EXPECT_EQ(json.value("serial").toString(), "0");
  EXPECT_EQ(json.value("errCode").toInt(), 65559);
  EXPECT_EQ(json.value("extErrCode").toInt(), 258);
  // A gauge that does not answer is a fault of the station or the bus, not a bad pack.
  EXPECT_EQ(json.value("outcome").toString(), "ERROR");
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

// The largest number is written once; the run after it does not start rather than write a
// number that wrapped round onto an earlier pack's, and neither does a run whose counter's
// database is damaged.
TEST_F(RunVerbTest, LargestSerialIsWrittenOnceAndNothingWrapsRound) {
  ASSERT_TRUE(profile::WriteString(station_file(), "Serial", "NextSerialNumber", "2147483647"));
  {
    SqliteSerialCounter counter(stores->Path(), clock);
    ASSERT_EQ(counter.SetRange({2147483600, 2147483647}), "");
  }
  ASSERT_EQ(Run(station_file()), 0) << err.str();
  EXPECT_EQ(JsonObject().value("serial").toString(), "2147483647");
  EXPECT_EQ(NextSerial(), "2147483647") << "no next number past the largest";
  control->CloseLink();
  EXPECT_EQ(Run(station_file()), 2);
  EXPECT_NE(err.str().find("Error in configuration for serial number: the next serial number "
                           "2147483648 is beyond the last of the range"),
            std::string::npos)
      << err.str();

  std::ofstream(stores->File("serials.db"), std::ios::trunc) << std::string(4096, 'x');
  std::filesystem::remove(stores->File("serials.db-wal"));
  std::filesystem::remove(stores->File("serials.db-shm"));
  control->CloseLink();
  EXPECT_EQ(Run(station_file()), 2);
  EXPECT_NE(err.str().find("damaged or is not a database"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace tester::runtest
