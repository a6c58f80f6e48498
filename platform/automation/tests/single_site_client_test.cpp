// The controller's client against a stand-in engine process (fake_engine/): every member
// with its by-reference values, the events of a run, re-entrant calls during a run, and an
// engine that fails, dies, hangs or breaks the protocol.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <string>
#include <vector>

#include "common/component_error.h"
#include "platform/automation/rpc_message.h"
#include "platform/automation/single_site_client.h"
#include "testing/qt_app.h"

namespace tester {
namespace {

// What the controller heard, in order.
class RecordedEvents : public SingleSiteClientEvents {
public:
  void CurrentStatus(const std::string& sStatus, int32_t) override {
    log.push_back("status " + sStatus);
  }
  void RequestSerialNo(int32_t& nSerial) override {
    log.push_back("serial? " + std::to_string(nSerial));
    if (during_serial) during_serial();
    if (serial_fails) throw ComponentError("serial counter store failed");
    nSerial = 4711;
  }
  void Completed(const CompletionReport& r, const RunRecord& record) override {
    log.push_back("completed " + r.sSerial + " " + std::to_string(r.nErrCode) + " " +
                  std::to_string(r.nExtErrCode) + " " + r.sLogFile + " " + r.sCustomLogStr);
    records.push_back(record);
  }
  void SetWindowTitle(const std::string& sTitle) override { log.push_back("title " + sTitle); }
  void EngineEnded(const std::string& reason) override { ended.push_back(reason); }

  bool Completes() const { return !log.empty() && log.back().rfind("completed", 0) == 0; }

  std::vector<std::string> log;
  std::vector<std::string> ended;
  std::vector<RunRecord> records;
  std::function<void()> during_serial;
  bool serial_fails = false;
};

class FakeEngine : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureQtApp();
    EngineStart start;
    start.executable = FAKE_ENGINE_PATH;
    client_ = std::make_unique<SingleSiteClient>(start, &events_);
  }
  // Serves events until the run has completed (or the engine is gone).
  void WaitForCompletion() {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!events_.Completes() && events_.ended.empty() && elapsed.elapsed() < 5000) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
  }
  // Calls `call`, which must throw AutomationError; returns its code.
  template <typename Call>
  int ErrorCodeOf(Call call) {
    try {
      call();
    } catch (const AutomationError& error) {
      last_error_ = error.what();
      return error.code();
    }
    ADD_FAILURE() << "no AutomationError";
    return 0;
  }

  RecordedEvents events_;
  std::unique_ptr<SingleSiteClient> client_;
  std::string last_error_;
};

TEST_F(FakeEngine, EveryMemberCarriesItsValuesBothWays) {
  std::string id;
  EXPECT_EQ(client_->AttachLinkpod(id), 0);
  EXPECT_EQ(id, "3F2A0001");
  client_->SetIniFile("/jig/Station1.ini");
  EXPECT_EQ(client_->InitCacheFromSetup(), 0);
  EXPECT_EQ(events_.log, std::vector<std::string>{"title Tester_800.1.02.rom (/jig/Station1.ini)"});
  EXPECT_EQ(client_->UpdateVTIConfig(4200, -1, 2147483647, 0, 23.5F, -0.25F, 1e-3F, -5000),
            "4200,-1,2147483647,0,23.500000,-0.250000,0.001000,-5000");
  EXPECT_EQ(client_->CBFlashLEDs(true), 1);
  int16_t tenths = 231;
  EXPECT_EQ(client_->CBReadTemperature(true, tenths), 0);
  EXPECT_EQ(tenths, 236);
  tenths = -32768 + 5;
  EXPECT_EQ(client_->CBReadTemperature(false, tenths), 0);
  EXPECT_EQ(tenths, -32768);
  EXPECT_EQ(client_->SetTemperatureForCalibration(250), 0);
  EXPECT_EQ(client_->VersionSS(), "1.1.0");
  EXPECT_FALSE(client_->m_bCalEnabled());
  client_->set_m_bCalEnabled(true);
  EXPECT_TRUE(client_->m_bCalEnabled());
  EXPECT_EQ(client_->SetToMonowireMode(1), 52);
  EXPECT_EQ(client_->SetToMonowireMode(7), 0);  // the engine's stray stdout text is harmless
  EXPECT_EQ(client_->DetachLinkpod("Station1"), 0);
  client_->Quit();
  EXPECT_FALSE(client_->EngineRunning());
  EXPECT_TRUE(events_.ended.empty());  // quitting is not an engine failure
  client_->Quit();                     // nothing left to quit: no error
  EXPECT_EQ(ErrorCodeOf([&] { client_->VersionSS(); }), kRpcConnectionLost);
}

TEST_F(FakeEngine, AsynchronousRunReportsStatusAsksForTheSerialAndCompletes) {
  EXPECT_EQ(client_->Execute(false), 0);
  WaitForCompletion();
  EXPECT_EQ(events_.log, (std::vector<std::string>{"status Programming data flash",
                                                   "serial? 100", "status PASS",
                                                   "completed 4711 0 0 fake.log "}));
  // The run's record travels with the completion.
  ASSERT_EQ(events_.records.size(), 1u);
  EXPECT_EQ(events_.records[0].serial, "4711");
  EXPECT_EQ(events_.records[0].outcome, RunOutcome::kPass);
  events_.log.clear();
  EXPECT_EQ(client_->Execute(std::nullopt), 0);  // Null behaves as False
  WaitForCompletion();
  EXPECT_TRUE(events_.Completes());
}

TEST_F(FakeEngine, CallsDuringASynchronousRunAreServedAtTheEnginesWaits) {
  // The engine waits for the serial number; meanwhile the controller calls it again.
  std::string version;
  events_.during_serial = [&] { version = client_->VersionSS(); };
  EXPECT_EQ(client_->Execute(true), 0);
  EXPECT_EQ(version, "1.1.0");
  EXPECT_TRUE(events_.Completes());  // the verdict came before Execute returned
  EXPECT_EQ(events_.log.back(), "completed 4711 0 0 fake.log ");
}

TEST_F(FakeEngine, SerialNumberThatCannotBeGivenFailsTheEnginesRequest) {
  events_.serial_fails = true;
  EXPECT_EQ(client_->Execute(true), 0);
  EXPECT_EQ(events_.log.back(),
            "completed 0 99 0 fake.log RequestSerialNo failed: serial counter store failed");
}

TEST_F(FakeEngine, MemberFailingInsideTheEngineThrowsAndTheEngineGoesOn) {
  int16_t tenths = 32767;
  EXPECT_EQ(ErrorCodeOf([&] { client_->CBReadTemperature(true, tenths); }), kRpcCallFailed);
  EXPECT_EQ(last_error_,
            "CBReadTemperature: Overflow: internal temperature does not fit a 16-bit value");
  EXPECT_EQ(tenths, 32767);  // not written back
  EXPECT_EQ(ErrorCodeOf([&] { client_->UpdateVTIConfig(0, 0, 0, 0, NAN, 0, 0, 0); }),
            kRpcInvalidParams);
  EXPECT_EQ(client_->VersionSS(), "1.1.0");
  EXPECT_TRUE(events_.ended.empty());
}

TEST_F(FakeEngine, EngineKilledInTheMiddleOfACallFailsItWithinASecond) {
  QElapsedTimer elapsed;
  elapsed.start();
  EXPECT_EQ(ErrorCodeOf([&] { client_->SetTemperatureForCalibration(-999); }),
            kRpcConnectionLost);
  EXPECT_LT(elapsed.elapsed(), 1000);
  EXPECT_EQ(last_error_, "SetTemperatureForCalibration: engine crashed");
  ASSERT_EQ(events_.ended.size(), 1U);
  EXPECT_EQ(events_.ended[0], "engine crashed");
  EXPECT_EQ(ErrorCodeOf([&] { client_->Execute(false); }), kRpcConnectionLost);
  EXPECT_EQ(events_.ended.size(), 1U);  // reported once
}

TEST_F(FakeEngine, EngineThatStopsAnsweringTimesOutAndIsEnded) {
  client_->SetTimeouts({200, 200, 200});
  EXPECT_EQ(ErrorCodeOf([&] { client_->SetTemperatureForCalibration(-998); }), kRpcTimedOut);
  EXPECT_FALSE(client_->EngineRunning());
  ASSERT_EQ(events_.ended.size(), 1U);
  EXPECT_EQ(events_.ended[0].rfind("engine stopped answering", 0), 0U) << events_.ended[0];
}

TEST_F(FakeEngine, EngineDyingDuringARunIsReportedWithoutAnyCallPending) {
  client_->SetIniFile("die-in-run");
  EXPECT_EQ(client_->Execute(false), 0);
  WaitForCompletion();
  EXPECT_EQ(events_.log, std::vector<std::string>{"status Programming data flash"});
  ASSERT_EQ(events_.ended.size(), 1U);
  EXPECT_EQ(events_.ended[0], "engine ended with exit code 3");
}

TEST_F(FakeEngine, MalformedCompletionEndsTheEngineInsteadOfBeingLost) {
  client_->SetIniFile("bad-completed");
  EXPECT_EQ(client_->Execute(false), 0);
  WaitForCompletion();
  ASSERT_EQ(events_.ended.size(), 1U);
  EXPECT_EQ(events_.ended[0].rfind("engine sent a malformed Completed event", 0), 0U);
  EXPECT_FALSE(client_->EngineRunning());
}

TEST(SingleSiteClientStart, UnknownProgIdOrMissingProgramThrows) {
  EnsureQtApp();
  EXPECT_EQ(SingleSiteClient::ExecutableForProgId("polytraks.singlesite"),
            (QCoreApplication::applicationDirPath() + "/ardentis").toStdString());
  EXPECT_TRUE(SingleSiteClient::ExecutableForProgId("Other.Thing").empty());
  EngineStart unknown;
  unknown.prog_id = "Other.Thing";
  EXPECT_THROW(SingleSiteClient(unknown, nullptr), AutomationError);
  EngineStart missing;
  missing.executable = "/nonexistent/ardentis";
  EXPECT_THROW(SingleSiteClient(missing, nullptr), AutomationError);
}

// The engine's side of the wire, driven by hand: whatever arrives, the answer is a
// JSON-RPC error and the engine keeps serving.
TEST(FakeEngineWire, RubbishAndHugeLinesAreAnsweredAndServingGoesOn) {
  EnsureQtApp();
  QProcess engine;
  engine.start(FAKE_ENGINE_PATH, {"--automation"});
  ASSERT_TRUE(engine.waitForStarted(5000));
  QByteArray input;
  input += "{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"CBReadTemperature\","
           "\"params\":{\"bInternal\":true,\"nTempx10\":40000}}\n";
  input += "{\"jsonrpc\":\"2.0\",\"id\":2,\"method\":\"CBFlashLEDs\",\"params\":{\"bFlash\":1}}\n";
  input += "{\"jsonrpc\":\"2.0\",\"id\":3,\"method\":\"UpdateVTIConfig\",\"params\":{}}\n";
  input += "{\"jsonrpc\":\"2.0\",\"id\":4,\"method\":\"Execute\","
           "\"params\":{\"bWaitTillComplete\":\"x\"}}\n";
  input += "{\"jsonrpc\":\"2.0\",\"id\":5,\"method\":\"NoSuchMember\"}\n";
  input += QByteArray(10 * 1024 * 1024, '{') + "\n";  // 10 MB without an end
  input += "{\"jsonrpc\":\"2.0\",\"id\":6,\"method\":\"VersionSS\"}\n";
  engine.write(input);
  engine.closeWriteChannel();  // the engine answers, then ends: its client is gone
  ASSERT_TRUE(engine.waitForFinished(20000));
  EXPECT_EQ(engine.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(engine.exitCode(), 0);

  std::vector<int> codes;
  QString version;
  for (const QByteArray& line : engine.readAllStandardOutput().split('\n')) {
    if (line.isEmpty()) continue;
    const RpcParsed parsed = ParseRpcLine(line);
    ASSERT_TRUE(parsed.ok) << line.toStdString();
    if (parsed.message.response.ok) {
      version = parsed.message.response.value["value"].toString();
    } else {
      codes.push_back(parsed.message.response.error.code);
    }
  }
  EXPECT_EQ(codes, (std::vector<int>{kRpcInvalidParams, kRpcInvalidParams, kRpcInvalidParams,
                                     kRpcInvalidParams, kRpcMethodNotFound, kRpcParseError}));
  EXPECT_EQ(version, "1.1.0");
}

}  // namespace
}  // namespace tester
