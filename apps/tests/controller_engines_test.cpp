// The controller over real `ardentis --automation` engines on a virtual jig: start-up
// from JigSetup.ini, reference values from the station files, a run on every station with
// serial numbers and the result log, and an engine killed in the middle of its run. The
// engines run on the virtual clock; the controller's own clock is virtual too, its serial
// counter and result log are the stores of the scratch folder, and the test waits for the engines' events by serving the Qt loop, with a bound.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/types.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "apps/tests/engine_jig.h"
#include "common/status_codes.h"
#include "components/recal_reminder.h"
#include "components/result_store.h"
#include "components/serial_store.h"
#include "controller/controller.h"
#include "controller/stored_references.h"
#include "platform/automation/client_engine_factory.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_clock.h"
#include "testing/qt_app.h"

namespace tester {
namespace {

constexpr int kStations = 3;
constexpr int kRunsLimitMs = 20000;

class StatusHook final : public ControllerView {
public:
  std::function<void(int, const std::string&)> on_status;
  std::vector<std::string> notes;
  void StationStatus(int station, const std::string& status) override {
    if (on_status) on_status(station, status);
  }
  void Note(const std::string& text) override { notes.push_back(text); }
};

class ControllerOnEngines : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureQtApp();
    std::ofstream mapping(jig_.Home() + "/JigSetup.ini");
    mapping << "[BoardMapping]\n";
    for (int i = 0; i < kStations; ++i) mapping << jig_.Identifiers()[i] << "=Line" << i << "\n";
    for (int i = 0; i < kStations; ++i) {
      mapping << "[Line" << i << "]\nITS=1\nProbe=ILine0\n";
      std::filesystem::copy_file(jig_.Home() + "/Station1.ini",
                                 jig_.Home() + "/Line" + std::to_string(i));
    }
    mapping.close();
    start_.executable = ARDENTIS_PATH;
    start_.environment = jig_.Environment();
    factory_ = std::make_unique<ClientEngineFactory>(start_);
    serials_ = OpenSerialStore(jig_.Home(), clock_);
    log_ = OpenResultStore(jig_.Home(), clock_);
    reminder_ = std::make_unique<RecalReminder>(jig_.Home(), clock_);
    ControllerParts parts{clock_,      dialogs_,   *factory_,   *serials_,
                          *log_,       *reminder_, jig_.Home(), {}};
    controller_ = std::make_unique<Controller>(parts, &view_);
  }
  void TearDown() override {
    controller_->Shutdown();
    EXPECT_EQ(dialogs_.script_errors().size(), 0u);
  }

  void StartAndWait() {
    ASSERT_TRUE(controller_->Load()) << controller_->StartupMessage();
    EXPECT_TRUE(PushStoredReferences(*controller_, jig_.Home()).empty());
    ASSERT_TRUE(controller_->StartEnabled());
    controller_->Start();
    ASSERT_TRUE(PumpUntil([&] { return controller_->StationsBusy() == 0; }, kRunsLimitMs));
  }

  ScratchJig jig_{kStations};
  EngineStart start_;
  VirtualClock clock_;
  ScriptedDialogs dialogs_;
  std::unique_ptr<SerialStore> serials_;
  std::unique_ptr<ResultStore> log_;
  std::unique_ptr<RecalReminder> reminder_;
  StatusHook view_;
  std::unique_ptr<ClientEngineFactory> factory_;
  std::unique_ptr<Controller> controller_;
  bool killed_ = false;
};

TEST_F(ControllerOnEngines, StartsUpFromTheJigSetupAndRunsEveryStation) {
  StartAndWait();
  EXPECT_EQ(controller_->NumBoards(), kStations);
  EXPECT_NE(controller_->AboutVersion().find(" Gangwright multi-station controller"),
            std::string::npos);
  EXPECT_EQ(controller_->Caption().rfind("Gangwright Software - Tester_800.1.02.rom (", 0), 0u);
  std::set<std::string> serials;
  for (int i = 0; i < kStations; ++i) {
    const StationRow& row = controller_->Row(i);
    EXPECT_EQ(row.verdict, "PASS") << i << ": " << row.message;
    EXPECT_EQ(controller_->Lamp(i), LampColour::kGreen);
    EXPECT_FALSE(row.serial.empty());
    serials.insert(row.serial);
    EXPECT_FALSE(row.step.empty());
  }
  EXPECT_EQ(serials.size(), static_cast<size_t>(kStations));
  std::string error;
  const std::optional<std::vector<LoggedRun>> logged = log_->Runs(RunFilter{}, error);
  ASSERT_TRUE(logged) << error;
  EXPECT_EQ(logged->size(), static_cast<size_t>(kStations));
  EXPECT_TRUE(controller_->StartEnabled());
  EXPECT_TRUE(dialogs_.Messages().empty());
}

TEST_F(ControllerOnEngines, AnEngineKilledMidRunIsAnErrorAndTheOthersPass) {
  view_.on_status = [&](int station, const std::string&) {
    if (station != 1 || killed_) return;
    killed_ = true;
    ASSERT_EQ(::kill(static_cast<pid_t>(factory_->ProcessIds()[1]), SIGKILL), 0);
  };
  StartAndWait();
  ASSERT_TRUE(killed_);
  EXPECT_EQ(controller_->Row(1).verdict, "ERROR");
  EXPECT_EQ(controller_->Row(1).code, kStatusUnexpectedFailure);
  EXPECT_EQ(controller_->Row(1).ext_code, kExtEngineEnded);
  EXPECT_EQ(controller_->Row(0).verdict, "PASS");
  EXPECT_EQ(controller_->Row(2).verdict, "PASS");
  EXPECT_TRUE(controller_->StartEnabled());
}

}  // namespace
}  // namespace tester
