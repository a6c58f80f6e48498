// Real `ardentis --automation` engine processes on one virtual jig, driven the way the
// controller drives them: twelve stations claimed and run side by side with serial numbers
// from one counter, calls served in the middle of a run, an engine killed mid-run, broken
// protocol lines, and the end of an engine. Engines run on the virtual clock; only the
// waits for the other processes are real time, and bounded.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/types.h>

#include <QElapsedTimer>
#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "apps/tests/engine_jig.h"
#include "apps/tests/raw_engine.h"
#include "common/status_codes.h"
#include "engine/single_site.h"
#include "platform/automation/rpc_message.h"
#include "platform/automation/single_site_client.h"
#include "testing/qt_app.h"

namespace tester {
namespace {

constexpr int kJigStations = 12;        // a full jig
constexpr int kRunsLimitMs = 20000;     // every run of a test has completed by then
constexpr int kDeathNoticeMs = 1000;    // a dead engine is noticed within this
constexpr int32_t kFirstSerial = 7001;  // the controller's counter starts here
constexpr int16_t kRoomTenths = 250;    // the jig's 25.0 degC as a sensor reads it
constexpr const char* kStatusPowerUp = "Power Up...";
constexpr const char* kStatusWritingImage = "Writing Data Image...";
constexpr const char* kStatusCalibrating = "Calibrating...";

struct Completion {
  std::string serial;
  int32_t err = 0;
  int32_t ext = 0;
};

// The controller's serial-number counter, shared by every engine.
struct SharedSerials {
  int32_t next = kFirstSerial;
};

// What the controller heard from one engine.
class EngineEvents : public SingleSiteClientEvents {
public:
  explicit EngineEvents(SharedSerials& serials) : serials_(serials) {}

  void CurrentStatus(const std::string& sStatus, int32_t) override {
    log.push_back(sStatus);
    if (on_status) on_status(sStatus);
  }
  void RequestSerialNo(int32_t& nSerial) override {
    if (on_serial) on_serial();  // the engine waits for the answer meanwhile, mid-run
    nSerial = serials_.next++;
    handed.push_back(nSerial);
  }
  void Completed(const CompletionReport& r, const RunRecord& record) override {
    completions.push_back({r.sSerial, r.nErrCode, r.nExtErrCode});
    records.push_back(record);
    log.push_back("Completed");
  }
  void SetWindowTitle(const std::string& sTitle) override { titles.push_back(sTitle); }
  void EngineEnded(const std::string& reason) override {
    ended.push_back(reason);
    ended_after_ms = since_kill.isValid() ? since_kill.elapsed() : -1;
  }

  std::function<void(const std::string&)> on_status;
  std::function<void()> on_serial;
  std::vector<std::string> titles, ended;
  std::vector<std::string> log;  // status texts and "Completed", in order
  std::vector<int32_t> handed;
  std::vector<Completion> completions;
  std::vector<RunRecord> records;
  QElapsedTimer since_kill;  // started by a test that kills the engine
  qint64 ended_after_ms = -1;

private:
  SharedSerials& serials_;
};

// The AutomationError code `call` throws (0 when it returns).
template <typename Call>
int ErrorCodeOf(Call call) {
  try {
    call();
  } catch (const AutomationError& error) {
    return error.code();
  }
  return 0;
}

class EnginesOnOneJig : public ::testing::Test {
protected:
  void SetUp() override { EnsureQtApp(); }

  void MakeJig(int stations) { jig_ = std::make_unique<ScratchJig>(stations); }

  // Starts one more engine on the jig; its index.
  int StartEngine() {
    events_.push_back(std::make_unique<EngineEvents>(serials_));
    EngineStart start;
    start.executable = ARDENTIS_PATH;
    start.environment = jig_->Environment();
    engines_.push_back(std::make_unique<SingleSiteClient>(start, events_.back().get()));
    return static_cast<int>(engines_.size()) - 1;
  }

  // The controller's start-up of one station: claim an adapter, point the engine at its
  // own station file, load the cache. The adapter's identifier.
  std::string AttachAndConfigure(int engine) {
    std::string id;
    EXPECT_EQ(engines_[engine]->AttachLinkpod(id), 0);
    engines_[engine]->SetIniFile(jig_->StationFile(engine));
    EXPECT_EQ(engines_[engine]->InitCacheFromSetup(), 0);
    return id;
  }

  int StartConfiguredEngine() {
    const int engine = StartEngine();
    AttachAndConfigure(engine);
    return engine;
  }

  void KillEngine(int engine) {
    events_[engine]->since_kill.start();
    ASSERT_EQ(::kill(static_cast<pid_t>(engines_[engine]->ProcessId()), SIGKILL), 0);
  }

  EngineEvents& Events(int engine) { return *events_[engine]; }
  SingleSiteClient& Engine(int engine) { return *engines_[engine]; }

  std::unique_ptr<ScratchJig> jig_;
  SharedSerials serials_;
  std::vector<std::unique_ptr<EngineEvents>> events_;       // outlive the clients
  std::vector<std::unique_ptr<SingleSiteClient>> engines_;  // ended first
};

// --- A full jig -------------------------------------------------------------------------

TEST_F(EnginesOnOneJig, TwelveEnginesClaimTwelveAdaptersAndRunSideBySide) {
  MakeJig(kJigStations);
  std::set<std::string> claimed;
  for (int i = 0; i < kJigStations; ++i) {
    StartEngine();
    const std::string id = AttachAndConfigure(i);
    EXPECT_TRUE(claimed.insert(id).second) << "adapter " << id << " claimed twice";
    ASSERT_EQ(Events(i).titles.size(), 1u) << "engine " << i;
    EXPECT_EQ(Events(i).titles[0].rfind("Tester_800.1.02.rom (", 0), 0u) << Events(i).titles[0];
  }
  const std::vector<std::string>& jig_ids = jig_->Identifiers();
  EXPECT_EQ(claimed, std::set<std::string>(jig_ids.begin(), jig_ids.end()));

  // Every adapter is held now: one more engine finds none and is not started up.
  const int spare = StartEngine();
  std::string spare_id;
  EXPECT_EQ(Engine(spare).AttachLinkpod(spare_id), -1);
  EXPECT_EQ(spare_id, "");
  Engine(spare).Quit();

  // Start all: each Execute returns before its run has reported anything.
  for (int i = 0; i < kJigStations; ++i) {
    EXPECT_EQ(Engine(i).Execute(false), 0);
    EXPECT_TRUE(Events(i).completions.empty()) << "engine " << i << " ran inside Execute";
  }
  const bool all_done = PumpUntil(
      [&] {
        for (int i = 0; i < kJigStations; ++i) {
          if (Events(i).completions.empty() && Events(i).ended.empty()) return false;
        }
        return true;
      },
      kRunsLimitMs);
  ASSERT_TRUE(all_done) << "not every run completed";

  std::set<std::string> serials;
  for (int i = 0; i < kJigStations; ++i) {
    const EngineEvents& events = Events(i);
    EXPECT_TRUE(events.ended.empty()) << "engine " << i;
    ASSERT_EQ(events.completions.size(), 1u) << "engine " << i;
    EXPECT_EQ(events.completions[0].err, 0) << "engine " << i;
    EXPECT_EQ(events.completions[0].ext, 0) << "engine " << i;
    ASSERT_EQ(events.handed.size(), 1u) << "engine " << i;
    EXPECT_EQ(events.completions[0].serial, std::to_string(events.handed[0])) << "engine " << i;
    serials.insert(events.completions[0].serial);
    // The run's record came across with the completion.
    ASSERT_EQ(events.records.size(), 1u) << "engine " << i;
    EXPECT_EQ(events.records[0].outcome, RunOutcome::kPass) << "engine " << i;
    EXPECT_EQ(events.records[0].serial, events.completions[0].serial) << "engine " << i;
    EXPECT_FALSE(events.records[0].steps.empty()) << "engine " << i;
  }
  // The counter handed out exactly twelve numbers, each to one engine.
  EXPECT_EQ(serials.size(), static_cast<size_t>(kJigStations));
  EXPECT_EQ(serials_.next, kFirstSerial + kJigStations);
}

// --- Calls into a running engine ----------------------------------------------------------

TEST_F(EnginesOnOneJig, AnAsynchronousRunServesCallsAndQueuesOneMoreStart) {
  MakeJig(1);
  const int engine = StartConfiguredEngine();
  int32_t read_status = -1, queued = -9, queued_again = 0, synchronous = 0;
  int16_t tenths = 0;
  size_t completions_at_answer = 99;
  std::string version;
  // While the run powers the pack up: the call is sent before anything later of the run
  // has been handled here, so its answer must come before the completion.
  Events(engine).on_status = [&](const std::string& status) {
    if (status != kStatusPowerUp || read_status != -1) return;
    read_status = Engine(engine).CBReadTemperature(true, tenths);
    completions_at_answer = Events(engine).completions.size();
  };
  // While the run waits for its serial number (it cannot end before the answer): one
  // more start waits for the run's end; a second one, or a synchronous run, is refused.
  bool asked = false;
  Events(engine).on_serial = [&] {
    if (asked) return;
    asked = true;
    version = Engine(engine).VersionSS();
    queued = Engine(engine).Execute(false);
    queued_again = Engine(engine).Execute(false);
    synchronous = Engine(engine).Execute(true);
  };
  ASSERT_EQ(Engine(engine).Execute(false), 0);
  ASSERT_TRUE(PumpUntil([&] { return Events(engine).completions.size() >= 2; }, kRunsLimitMs));
  EXPECT_EQ(read_status, 0);
  EXPECT_EQ(tenths, kRoomTenths);
  EXPECT_EQ(completions_at_answer, 0u) << "the call was answered only after the run";
  EXPECT_EQ(version, "1.1.0");
  EXPECT_EQ(queued, 0);
  EXPECT_EQ(queued_again, kExecuteRefusedBusy);
  EXPECT_EQ(synchronous, kExecuteRefusedBusy);

  // The queued run started after the first one had completed, not inside it.
  const std::vector<std::string>& log = Events(engine).log;
  const auto first_end = std::find(log.begin(), log.end(), "Completed");
  EXPECT_EQ(std::count(log.begin(), first_end, kStatusPowerUp), 1);
  EXPECT_EQ(std::count(first_end, log.end(), kStatusPowerUp), 1);
  // Two runs and no third: the refused starts left nothing behind.
  EXPECT_EQ(Engine(engine).VersionSS(), "1.1.0");
  ASSERT_EQ(Events(engine).completions.size(), 2u);
  EXPECT_EQ(Events(engine).completions[0].err, 0);
  EXPECT_EQ(Events(engine).completions[1].err, 0);
  EXPECT_EQ(Events(engine).handed.size(), 2u);
}

TEST_F(EnginesOnOneJig, ASynchronousRunServesCallsAndAnswersAfterItsCompletion) {
  MakeJig(1);
  const int engine = StartConfiguredEngine();
  int32_t read_status = -1;
  int16_t tenths = 0;
  Events(engine).on_status = [&](const std::string& status) {
    if (status == kStatusCalibrating) read_status = Engine(engine).CBReadTemperature(false, tenths);
  };
  EXPECT_EQ(Engine(engine).Execute(true), 0);
  // The verdict came as the completion, before Execute's own answer.
  ASSERT_EQ(Events(engine).completions.size(), 1u);
  EXPECT_EQ(Events(engine).completions[0].err, 0);
  EXPECT_EQ(read_status, 0);
  EXPECT_EQ(tenths, kRoomTenths);
}

// Calls that reconfigure the station, arriving in the middle of a run (the controller's
// business to avoid, but not a reason for the engine to fall over): the run still ends
// with exactly one completion and the engine serves on.
TEST_F(EnginesOnOneJig, ReconfiguringCallsDuringARunLeaveTheEngineServing) {
  MakeJig(1);
  const int engine = StartConfiguredEngine();
  enum class Verdict { kPass, kFail, kEither };
  struct MidRunCall {
    const char* name;
    std::function<void()> call;
    Verdict verdict;
  };
  const std::vector<MidRunCall> calls = {
      // The same settings and image again: nothing the run relies on changes.
      {"InitCacheFromSetup", [&] { EXPECT_EQ(Engine(engine).InitCacheFromSetup(), 0); },
       Verdict::kPass},
      // Lights off restores the board's outputs, relays included: the run may fail.
      {"CBFlashLEDs", [&] { EXPECT_EQ(Engine(engine).CBFlashLEDs(false), 0); }, Verdict::kEither},
      // Without its adapter the run cannot pass, and must not say it did.
      {"DetachLinkpod", [&] { EXPECT_EQ(Engine(engine).DetachLinkpod("Station1"), 0); },
       Verdict::kFail},
  };
  for (const MidRunCall& mid_run : calls) {
    SCOPED_TRACE(mid_run.name);
    Events(engine).completions.clear();
    bool called = false;
    Events(engine).on_status = [&](const std::string& status) {
      if (status != kStatusWritingImage || called) return;
      called = true;
      mid_run.call();
    };
    ASSERT_EQ(Engine(engine).Execute(false), 0);
    ASSERT_TRUE(PumpUntil(
        [&] { return !Events(engine).completions.empty() || !Events(engine).ended.empty(); },
        kRunsLimitMs));
    EXPECT_TRUE(called);
    ASSERT_TRUE(Events(engine).ended.empty()) << Events(engine).ended[0];
    EXPECT_EQ(Engine(engine).VersionSS(), "1.1.0");
    ASSERT_EQ(Events(engine).completions.size(), 1u);
    const int32_t err = Events(engine).completions[0].err;
    if (mid_run.verdict != Verdict::kEither) {
      EXPECT_EQ(err == 0, mid_run.verdict == Verdict::kPass) << "error code " << err;
    }
  }
}

// --- An engine that dies --------------------------------------------------------------

TEST_F(EnginesOnOneJig, AnEngineKilledInASynchronousRunFailsTheCallAndFreesItsAdapter) {
  MakeJig(2);
  const int victim = StartEngine();
  const std::string victim_adapter = AttachAndConfigure(victim);
  const int neighbour = StartConfiguredEngine();
  Events(victim).on_status = [&](const std::string& status) {
    if (status == kStatusWritingImage) KillEngine(victim);
  };

  EXPECT_EQ(ErrorCodeOf([&] { Engine(victim).Execute(true); }), kRpcConnectionLost);
  ASSERT_TRUE(Events(victim).since_kill.isValid()) << "the run never reached the image";
  EXPECT_LT(Events(victim).since_kill.elapsed(), kDeathNoticeMs);
  ASSERT_EQ(Events(victim).ended.size(), 1u);
  EXPECT_NE(Events(victim).ended[0].find("crashed"), std::string::npos) << Events(victim).ended[0];
  EXPECT_LT(Events(victim).ended_after_ms, kDeathNoticeMs);
  EXPECT_TRUE(Events(victim).completions.empty());
  EXPECT_FALSE(Engine(victim).EngineRunning());

  // Every later call fails at once; the death is reported only once.
  QElapsedTimer later;
  later.start();
  EXPECT_EQ(ErrorCodeOf([&] { Engine(victim).VersionSS(); }), kRpcConnectionLost);
  int16_t tenths = 0;
  EXPECT_EQ(ErrorCodeOf([&] { Engine(victim).CBReadTemperature(true, tenths); }),
            kRpcConnectionLost);
  EXPECT_LT(later.elapsed(), kDeathNoticeMs);
  EXPECT_NO_THROW(Engine(victim).Quit());

  // The neighbour is untouched, and the dead engine's claim died with it: a new engine
  // gets that adapter (the first free one in jig order).
  EXPECT_EQ(Engine(neighbour).VersionSS(), "1.1.0");
  const int successor = StartEngine();
  EXPECT_EQ(AttachAndConfigure(successor), victim_adapter);
  EXPECT_EQ(Engine(successor).Execute(true), 0);
  ASSERT_EQ(Events(successor).completions.size(), 1u);
  EXPECT_EQ(Events(successor).completions[0].err, 0);
  EXPECT_EQ(Events(victim).ended.size(), 1u);
}

TEST_F(EnginesOnOneJig, AnEngineKilledInAnAsynchronousRunIsReportedOnceAndOthersFinish) {
  MakeJig(2);
  const int victim = StartConfiguredEngine();
  const int neighbour = StartConfiguredEngine();
  Events(victim).on_status = [&](const std::string& status) {
    if (status == kStatusWritingImage) KillEngine(victim);
  };
  ASSERT_EQ(Engine(victim).Execute(false), 0);
  ASSERT_EQ(Engine(neighbour).Execute(false), 0);
  ASSERT_TRUE(PumpUntil(
      [&] { return !Events(victim).ended.empty() && !Events(neighbour).completions.empty(); },
      kRunsLimitMs));
  EXPECT_LT(Events(victim).ended_after_ms, kDeathNoticeMs);
  EXPECT_TRUE(Events(victim).completions.empty());
  EXPECT_EQ(ErrorCodeOf([&] { Engine(victim).Execute(false); }), kRpcConnectionLost);
  EXPECT_EQ(Events(victim).ended.size(), 1u);
  ASSERT_EQ(Events(neighbour).completions.size(), 1u);
  EXPECT_EQ(Events(neighbour).completions[0].err, 0);
  EXPECT_TRUE(Events(neighbour).ended.empty());
}

// --- The end of an engine -------------------------------------------------------------

TEST_F(EnginesOnOneJig, QuitEndsTheEngineWithoutReportingItsEnd) {
  MakeJig(1);
  const int engine = StartConfiguredEngine();
  Engine(engine).Quit();
  EXPECT_FALSE(Engine(engine).EngineRunning());
  EXPECT_TRUE(Events(engine).ended.empty());
  EXPECT_EQ(ErrorCodeOf([&] { Engine(engine).VersionSS(); }), kRpcConnectionLost);
  EXPECT_NO_THROW(Engine(engine).Quit());
}

// --- Raw protocol lines against a real engine --------------------------------------------

class RawEngineLines : public ::testing::Test {
protected:
  void SetUp() override { EnsureQtApp(); }

  static std::string ErrorMessage(const QJsonObject& response) {
    return response.value("error").toObject().value("message").toString().toStdString();
  }
  static int ErrorCode(const QJsonObject& response) {
    return response.value("error").toObject().value("code").toInt(0);
  }
  // The engine still serves: VersionSS answers.
  static void ExpectServing(RawEngine& engine, int id) {
    engine.Request(id, "VersionSS");
    EXPECT_EQ(engine.ResponseTo(id).value("result").toObject().value("value").toString(),
              "1.1.0");
  }

  ScratchJig jig_{1};
};

TEST_F(RawEngineLines, BrokenRequestsGetTheirErrorCodesAndTheEngineServesOn) {
  RawEngine engine(jig_.Environment());
  // Lines that cannot be parsed are answered with a null id.
  static const char kNulInside[] = R"({"jsonrpc":"2.0","id":1,"method":"Ver)" "\0" R"(SS"})";
  for (const QByteArray& line :
       {QByteArray("{not json"), QByteArray(kNulInside, sizeof kNulInside - 1)}) {
    engine.Send(line + "\n");
    const QJsonObject response = engine.Next();
    EXPECT_EQ(ErrorCode(response), kRpcParseError) << line.toStdString();
    EXPECT_TRUE(response.value("id").isNull());
  }
  engine.SendLine(R"([{"jsonrpc":"2.0","id":2,"method":"VersionSS"}])");
  EXPECT_EQ(ErrorCode(engine.Next()), kRpcInvalidRequest);
  engine.SendLine(R"({"jsonrpc":"1.0","id":3,"method":"VersionSS"})");
  EXPECT_EQ(engine.ErrorCodeOf(3), kRpcInvalidRequest);
  engine.Request(4, "NoSuchMember");
  EXPECT_EQ(engine.ErrorCodeOf(4), kRpcMethodNotFound);

  // Parameters of the wrong JSON type, out of their width, positional or missing.
  const std::vector<std::pair<std::string, std::string>> bad_params = {
      {"CBReadTemperature", R"({"bInternal":"yes","nTempx10":0})"},
      {"CBReadTemperature", R"({"bInternal":true,"nTempx10":1.5})"},
      {"CBReadTemperature", R"({"bInternal":true,"nTempx10":32768})"},
      {"CBReadTemperature", R"([true,0])"},
      {"SetTemperatureForCalibration", R"({})"},
      {"AttachLinkpod", R"({"sLinkpodID":5})"},
      {"UpdateVTIConfig", R"({"nV":3700,"nV2":7400,"nV3":11100,"nV4":2147483648,)"
                          R"("nT":25,"nIT":0,"nET":0,"nI":2000})"},
      {"UpdateVTIConfig", R"({"nV":3700,"nV2":7400,"nV3":11100,"nV4":14800,)"
                          R"("nT":1e39,"nIT":0,"nET":0,"nI":2000})"},
      {"Execute", R"({"bWaitTillComplete":"soon"})"},
  };
  int id = 10;
  for (const auto& [method, params] : bad_params) {
    engine.Request(++id, method, params);
    EXPECT_EQ(engine.ErrorCodeOf(id), kRpcInvalidParams) << method << " " << params;
  }
  ExpectServing(engine, ++id);
  // A refused Execute started no run.
  EXPECT_TRUE(engine.Seen().empty());
}

TEST_F(RawEngineLines, ALineBeyondOneMebibyteIsAnsweredAndTheNextLineIsRead) {
  RawEngine engine(jig_.Environment());
  // A valid request padded to exactly the longest line is served.
  QByteArray longest = R"({"jsonrpc":"2.0","id":1,"method":"VersionSS")";
  longest += QByteArray(kRpcMaxLineBytes - longest.size() - 1, ' ') + "}";
  ASSERT_EQ(longest.size(), kRpcMaxLineBytes);
  engine.Send(longest + "\n");
  EXPECT_EQ(engine.ResponseTo(1).value("result").toObject().value("value").toString(), "1.1.0");

  // One byte more is dropped, answered, and the engine reads on after its newline.
  QByteArray too_long = R"({"jsonrpc":"2.0","id":2,"method":"VersionSS")";
  too_long += QByteArray(kRpcMaxLineBytes - too_long.size(), ' ') + "}";
  engine.Send(too_long + "\n");
  const QJsonObject response = engine.Next();
  EXPECT_EQ(ErrorCode(response), kRpcParseError);
  EXPECT_EQ(ErrorMessage(response), "line too long");
  ExpectServing(engine, 3);
}

TEST_F(RawEngineLines, AStationFileWithAMistypedValueIsRefusedWithItsReason) {
  RawEngine engine(jig_.Environment());
  engine.Request(1, "AttachLinkpod", R"({"sLinkpodID":""})");
  engine.ResponseTo(1);
  const std::string file = jig_.Root() + "/Mistyped.ini";
  std::ofstream(file) << "[Target]\nTargetName=800.1.02\n[Steps]\nProgramDataFlash=yes\n";
  engine.Request(2, "SetIniFile", R"({"sIniFileToUse":")" + file + R"("})");
  engine.ResponseTo(2);
  engine.Request(3, "InitCacheFromSetup");
  const QJsonObject result = engine.ResponseTo(3).value("result").toObject();
  EXPECT_EQ(result.value("value").toInt(), kStatusSettingsRefused);
  EXPECT_EQ(result.value("message").toString().toStdString(),
            file + ", line 4: [Steps] ProgramDataFlash = \"yes\" is not 0 or 1; accepted: 0 or 1");
  engine.Request(4, "Execute", R"({"bWaitTillComplete":false})");
  EXPECT_EQ(engine.ResponseTo(4).value("result").toObject().value("value").toInt(), -3);
  ExpectServing(engine, 5);
}

TEST_F(RawEngineLines, AMemberFailingInsideTheEngineIsCallFailedWithItsReason) {
  RawEngine engine(jig_.Environment());
  engine.Request(1, "AttachLinkpod", R"({"sLinkpodID":""})");
  EXPECT_EQ(engine.ResponseTo(1).value("result").toObject().value("sLinkpodID").toString(),
            QString::fromStdString(jig_.Identifiers()[0]));
  // A folder where the station file should be cannot be read.
  engine.Request(2, "SetIniFile", R"({"sIniFileToUse":")" + jig_.Root() + R"("})");
  EXPECT_EQ(engine.ErrorCodeOf(2), 0);
  engine.Request(3, "InitCacheFromSetup");
  const QJsonObject response = engine.ResponseTo(3);
  EXPECT_EQ(ErrorCode(response), kRpcCallFailed);
  EXPECT_NE(ErrorMessage(response).find(jig_.Root()), std::string::npos) << ErrorMessage(response);
  ExpectServing(engine, 4);
}

TEST_F(RawEngineLines, QuitAndTheEndOfInputEndTheEngineWithStatusZero) {
  {
    RawEngine engine(jig_.Environment());
    engine.Request(1, "AttachLinkpod", R"({"sLinkpodID":""})");
    engine.ResponseTo(1);
    engine.Request(2, "Quit");
    const QJsonObject answer = engine.ResponseTo(2);
    EXPECT_TRUE(answer.value("result").toObject().value("value").isNull());
    ASSERT_TRUE(engine.Ended());
    EXPECT_EQ(engine.Process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(engine.Process().exitCode(), 0);
  }
  RawEngine engine(jig_.Environment());  // the first one's adapter is free again
  engine.Request(1, "AttachLinkpod", R"({"sLinkpodID":""})");
  EXPECT_EQ(engine.ResponseTo(1).value("result").toObject().value("value").toInt(-9), 0);
  engine.Process().closeWriteChannel();
  ASSERT_TRUE(engine.Ended());
  EXPECT_EQ(engine.Process().exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(engine.Process().exitCode(), 0);
}

// Quit arriving while a run is in progress (served at one of the run's waits) must not pull
// the station's settings from under the run: the run ends normally, then the engine.
TEST_F(RawEngineLines, QuitDuringARunLetsTheRunFinishBeforeTheEngineEnds) {
  RawEngine engine(jig_.Environment());
  engine.Request(1, "AttachLinkpod", R"({"sLinkpodID":""})");
  engine.ResponseTo(1);
  engine.Request(2, "SetIniFile", R"({"sIniFileToUse":")" + jig_.StationFile(0) + R"("})");
  engine.ResponseTo(2);
  engine.Request(3, "InitCacheFromSetup");
  EXPECT_EQ(engine.ResponseTo(3).value("result").toObject().value("value").toInt(-9), 0);
  engine.Request(4, "Execute", R"({"bWaitTillComplete":true})");

  int completions = 0;
  bool quit_sent = false, quit_answered = false, run_answered = false;
  for (QJsonObject message = engine.Next(); !message.isEmpty(); message = engine.Next()) {
    const QString method = message.value("method").toString();
    const QString status = message.value("params").toObject().value("sStatus").toString();
    if (method == "CurrentStatus" && status == QString(kStatusWritingImage)) {
      engine.Request(5, "Quit");
      quit_sent = true;
    } else if (method == "RequestSerialNo") {
      engine.SendLine(R"({"jsonrpc":"2.0","id":)" +
                      std::to_string(message.value("id").toInteger()) +
                      R"(,"result":{"nSerial":4242}})");
    } else if (method == "Completed") {
      ++completions;
    } else if (method.isEmpty()) {
      quit_answered |= message.value("id").toInt() == 5;
      run_answered |= message.value("id").toInt() == 4;
    }
  }
  ASSERT_TRUE(quit_sent);
  ASSERT_TRUE(engine.Ended());
  EXPECT_EQ(engine.Process().exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(engine.Process().exitCode(), 0);
  EXPECT_TRUE(quit_answered);
  EXPECT_TRUE(run_answered);
  EXPECT_EQ(completions, 1);
}

}  // namespace
}  // namespace tester
