// Start-up and shutdown of the controller: configuration, engines, stations, and the end.
#include "controller/controller.h"

#include "common/component_error.h"
#include "components/tester_config_store.h"
#include "controller/board_mapping.h"
#include "controller/controller_texts.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace tester {

// Hands one engine's events to the controller with the engine's station index.
class Controller::StationSink final : public StationEvents {
public:
  StationSink(Controller& controller, int index) : controller_(controller), index_(index) {}
  void CurrentStatus(const std::string& sStatus, int32_t) override {
    controller_.ShowStationStatus(index_, sStatus);
  }
  void RequestSerialNo(int32_t& nSerial) override {
    controller_.IssueSerialNumber(index_, nSerial);
  }
  void Completed(const CompletionReport& report, const RunRecord& record) override {
    controller_.StationCompleted(index_, report, record);
  }
  // Only the first engine's title is shown.
  void SetWindowTitle(const std::string& sTitle) override {
    if (index_ == 0) controller_.SetWindowTitle(sTitle);
  }
  void EngineEnded(const std::string& reason) override {
    controller_.EngineEnded(index_, reason);
  }

private:
  Controller& controller_;
  int index_;
};

Controller::Controller(const ControllerParts& parts, ControllerView* view)
    : pump_(parts.pump), dialogs_(parts.dialogs), factory_(parts.engines),
      serials_(parts.serials), log_(parts.log), reminder_(parts.reminder),
      app_folder_(parts.app_folder), settings_(parts.settings), view_(view),
      caption_(kMainCaption) {
  for (int i = 0; i < kMaxStations; ++i) sinks_[i] = std::make_unique<StationSink>(*this, i);
  reminder_.SetListener(this);
}

Controller::~Controller() {
  reminder_.SetListener(nullptr);
  pump_.StopTimer(tmrTempCheck_);
  pump_.StopTimer(tmrClose_);
  for (TimerId& timer : run_limit_) pump_.StopTimer(timer);
  // Releasing an engine ends its process.
  for (auto& engine : myInstance_) engine.reset();
}

bool Controller::Load() {
  try {
    TesterConfigStore config;
    config.IniFile = JoinProgramPath(app_folder_, "global.ini");
    config.LoadGlobalConfig();
    bStartupFailed_ = true;
    bTempBasedStop_ = false;
    sngTempTolerance_ = static_cast<float>(profile::ReadInt(
        NativePath(JoinProgramPath(app_folder_, "Config.ini")), "Temper", "Tol", 10));
    const std::string serial_error = serials_.SerialConfigError();
    if (!serial_error.empty()) return Fail(kMsgSerialConfig + serial_error);
    if (CreateInstances() != 0) return Fail(kMsgCreateInstances);
    bVTIRequired_ = !(config.CurrentCalEnabled == 0 && config.TemperatureCalEnabled == 0 &&
                      config.VoltageCalEnabled == 0);
    if (!bVTIRequired_) {
      cmdVTIVisible_ = false;
      // The reminder goes off before the button is evaluated: a reminder still due (a fresh
      // folder never had references) would otherwise keep start disabled although no
      // reference values are needed.
      reminder_.EnableReminder(false);
      UpdateStartButton();
      EnableTempCheck(false);
    }
    const std::string mapping = MapBoards();
    if (!mapping.empty()) return Fail(mapping);
    ShowStationsInLog();
  } catch (const ComponentError& error) {
    // A component or an engine failed outright (a settings file that cannot be read, an
    // engine gone during start-up).
    return Fail(error.what());
  }
  bStartupFailed_ = false;
  Changed();
  return true;
}

bool Controller::Fail(const std::string& message) {
  bStartupFailed_ = true;
  startup_message_ = message;
  cmdStartEnabled_ = false;  // the window closes; nothing starts meanwhile
  dialogs_.ShowMessage(message);
  if (view_) view_->StartupFailed();
  tmrClose_ = pump_.StartTimer(
      kCloseDelayMs,
      [this] {
        tmrClose_ = kNoTimer;
        if (view_) view_->CloseRequested();
      },
      TimerKind::kOneShot);
  Changed();
  return false;
}

int32_t Controller::CreateInstances() {
  try {
    myInstance_[0] = factory_.CreateEngine(0, *sinks_[0]);
    about_version_ = myInstance_[0]->VersionSS() + " " + kFileDescription;
    for (int i = 1; i < kMaxStations; ++i) myInstance_[i] = factory_.CreateEngine(i, *sinks_[i]);
  } catch (const ComponentError&) {
    return 1;
  }
  for (int i = 0; i < kMaxStations; ++i) table_[i].oEngine = myInstance_[i].get();
  return 0;
}

std::string Controller::MapBoards() {
  nNumBoards_ = kMaxStations;
  for (int i = 0; i < kMaxStations; ++i) {
    if (table_[i].oEngine->AttachLinkpod(table_[i].sLinkpodID) != 0) {
      nNumBoards_ = static_cast<int16_t>(i);
      break;
    }
  }
  for (int j = nNumBoards_; j < kMaxStations; ++j) {
    try {
      table_[j].oEngine->Quit();
    } catch (const ComponentError&) {
      // An engine that cannot even quit is ended by its release.
    }
    table_[j].oEngine = nullptr;
    myInstance_[j].reset();
  }
  std::string text = NameStations(NativePath(JoinProgramPath(app_folder_, kJigSetupFile)),
                                  table_, nNumBoards_);
  if (!text.empty()) return text;
  for (int j = 0; j < nNumBoards_; ++j) {
    StationSlot& slot = table_[j];
    slot.oEngine->SetIniFile(app_folder_ + "\\" + slot.sStationName);
    const int32_t result = slot.oEngine->InitCacheFromSetup();
    if (result != 0) {
      text = kMsgInitCacheFailed + slot.sStationName + kMsgErrorCode + std::to_string(result);
      const std::string why = slot.oEngine->SetupMessage();
      if (!why.empty() && view_) view_->Note(slot.sStationName + ": " + why);
    }
  }
  return text;
}

void Controller::ShowStationsInLog() {
  std::array<std::string, kStationSlots> names;
  for (int i = 0; i < nNumBoards_; ++i) names[i] = table_[i].sStationName;
  log_.InitStations(names, nNumBoards_);
}

void Controller::Shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  pump_.StopTimer(tmrClose_);
  tmrClose_ = kNoTimer;
  EnableTempCheck(true);
  caption_ = kCaptionClosing;
  Changed();
  // Running stations finish (their events are still served); the run time limit bounds it.
  while (nStationsBusy_ > 0) pump_.WaitMs(10);
  pump_.WaitMs(kShutdownSettleMs);
  pump_.StopTimer(tmrTempCheck_);
  tmrTempCheck_ = kNoTimer;
  QuitAll();
  Changed();
}

void Controller::QuitAll() {
  for (int i = 0; i < nNumBoards_; ++i) {
    if (table_[i].oEngine && !engine_gone_[i]) {
      try {
        table_[i].oEngine->Quit();
      } catch (const ComponentError&) {
        // Released below all the same.
      }
    }
    table_[i].oEngine = nullptr;
  }
  for (auto& engine : myInstance_) engine.reset();
}

void Controller::Changed() {
  if (view_) view_->StateChanged();
}

}  // namespace tester
