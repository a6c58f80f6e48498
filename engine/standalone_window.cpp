#include "engine/standalone_window.h"

#include <utility>

#include "common/component_error.h"
#include "common/messages.h"

namespace tester {

void ApplyLockState(StandaloneControls& controls, bool bCurrentlyLocked,
                    bool vti_always_allowed) {
  controls.config_global_visible = !bCurrentlyLocked;
  controls.config_vti_visible = !bCurrentlyLocked;
  if (!bCurrentlyLocked) controls.start_tag.clear();
  if (controls.start_tag.empty()) controls.start_enabled = bCurrentlyLocked;
  if (vti_always_allowed) controls.config_vti_visible = true;
  controls.quick_lock_enabled = !bCurrentlyLocked;
}

StandaloneWindow::StandaloneWindow(StandaloneWindowParts parts) : parts_(std::move(parts)) {
  parts_.log.InitStations(station_names_, 1);
  parts_.serial.SetRequester(station_names_.front(), "");
  SetState(0, "");
  if (parts_.password.VTIAlwaysAllowed()) controls_.config_vti_visible = true;
}

void StandaloneWindow::StartByHand(const std::function<void()>& show) {
  std::string id;
  int32_t attached = -1;
  if (site_ != nullptr) {
    try {
      attached = site_->AttachLinkpod(id);
    } catch (const ComponentError& error) {
      parts_.dialogs.ShowMessage(error.what());
    }
  }
  if (attached != 0) parts_.dialogs.ShowMessage(kMsgNoLinkpod);
  if (show) show();
  controls_.start_enabled = false;
  Changed();
  UseCalBoard(false);
}

void StandaloneWindow::SetState(int32_t nState, const std::string& sStatusText) {
  controls_.lit_lamp = LitLamp(nState);
  controls_.status_text = sStatusText;
  Changed();
}

void StandaloneWindow::LockState(bool bCurrentlyLocked) {
  ApplyLockState(controls_, bCurrentlyLocked, parts_.password.VTIAlwaysAllowed());
  Changed();
}

void StandaloneWindow::UseCalBoard(bool bUse) {
  controls_.use_cal_board = bUse;
  Changed();
  if (parts_.set_cal_board_use) parts_.set_cal_board_use(bUse);
}

void StandaloneWindow::CurrentStatus(const std::string& sStatus, int32_t nStatus) {
  SetState(nStatus, sStatus);
}

// A counter that cannot hand out a number throws out of here into the run, which then
// writes none.
void StandaloneWindow::RequestSerialNo(int32_t& nSerial) {
  parts_.serial.ExposedClass_RequestSerialNo(nSerial);
}

void StandaloneWindow::Completed(const CompletionReport& report, const RunRecord& record) {
  std::string error;
  try {
    error = parts_.log.AddToLog(station_names_.front(), report.sSerial, report.nErrCode,
                                report.nExtErrCode, report.sLogFile, report.sCustomLogStr,
                                &record);
  } catch (const ComponentError& failure) {
    error = failure.what();
  }
  if (!error.empty()) parts_.dialogs.ShowMessage(kMsgLogFailed + error);
  SettleSerials(&report);
}

// Which numbers went into a pack: the counter's books must say so, so a failure to record
// it is told.
void StandaloneWindow::SettleSerials(const CompletionReport* report) {
  std::string error;
  try {
    error = parts_.serial.RecordCompletion(report);
  } catch (const ComponentError& failure) {
    error = failure.what();
  }
  if (!error.empty()) parts_.dialogs.ShowMessage(error);
}

void StandaloneWindow::SetWindowTitle(const std::string& sTitle) {
  controls_.caption = kStandaloneTitlePrefix + sTitle;
  Changed();
}

int32_t StandaloneWindow::LoadStation() {
  if (site_ == nullptr) return -1;
  try {
    const int32_t status = site_->InitCacheFromSetup();
    if (status != 0) {
      const std::string why = site_->SetupMessage();
      if (!why.empty()) parts_.dialogs.ShowMessage(why);
    }
    return status;
  } catch (const ComponentError& error) {
    parts_.dialogs.ShowMessage(error.what());
    return -1;
  }
}

void StandaloneWindow::cmdStart_Click() {
  if (controls_.running || !controls_.StartUsable()) return;
  controls_.start_enabled = false;
  controls_.running = true;
  Changed();
  if (!bCacheLoaded) {
    if (LoadStation() != 0) {
      parts_.dialogs.ShowMessage(kMsgFirstLoadFailed);
      controls_.start_enabled = true;
      controls_.running = false;
      Changed();
      return;
    }
    bCacheLoaded = true;
  }
  try {
    site_->Execute(true);
  } catch (const ComponentError& error) {
    parts_.dialogs.ShowMessage(error.what());
  }
  SettleSerials(nullptr);  // numbers of a run that ended without its completion are void
  controls_.start_enabled = true;
  controls_.running = false;
  Changed();
  if (close_after_run_) std::exchange(close_after_run_, nullptr)();
}

void StandaloneWindow::SaveSerialStartOrSay() {
  if (!parts_.serial.SaveSerialStart()) {
    parts_.dialogs.ShowMessage(LoadMessage(kMsgErrorWritingFile) + parts_.own_ini);
  }
}

void StandaloneWindow::cmdConfigGlobal_Click() {
  if (controls_.running) return;
  SaveSerialStartOrSay();
  if (parts_.open_config) parts_.open_config(kCfgModeGlobal);
  const int32_t status = LoadStation();
  try {
    parts_.serial.SetCounterFromSavedStart();
  } catch (const ComponentError& error) {
    parts_.dialogs.ShowMessage(error.what());
  }
  controls_.start_visible = status == 0;
  Changed();
  if (status != 0) {
    parts_.dialogs.ShowMessage(kMsgReloadFailedPrefix + std::to_string(status) +
                               kMsgReloadFailedSuffix);
  }
}

void StandaloneWindow::cmdConfigVTI_Click() {
  if (controls_.running || site_ == nullptr) return;
  if (parts_.open_config) parts_.open_config(kCfgModeVti);
  std::string error;
  try {
    std::unique_ptr<TesterConfig> config = parts_.make_config();
    config->IniFile = parts_.own_ini;
    config->LoadVTIConfig();
    site_->SetIniFile(parts_.own_ini);
    error = site_->UpdateVTIConfig(config->RefVoltage1, config->RefVoltage2, config->RefVoltage3,
                                   config->RefVoltage4, config->RefTemperature, 0.0f, 0.0f,
                                   config->RefCurrent);
  } catch (const ComponentError& failure) {
    error = failure.what();
  }
  if (!error.empty()) {
    parts_.dialogs.ShowMessage(std::string(kMsgVtiSaveFailed) + "\r\n" + error);
  }
}

void StandaloneWindow::cmdQuickLock_Click() {
  if (parts_.password.IsLocked()) return;
  parts_.password.Lock();
  LockState(parts_.password.IsLocked());
}

void StandaloneWindow::Unlock() {
  if (parts_.unlock) parts_.unlock();
}

bool StandaloneWindow::QueryClose(const std::function<void()>& close) {
  if (!controls_.running) return true;
  close_after_run_ = close;
  return false;
}

void StandaloneWindow::Unload() {
  if (site_ != nullptr) site_->DetachLinkpod("");
  site_ = nullptr;
  SaveSerialStartOrSay();
}

void StandaloneWindow::Changed() {
  for (const auto& observer : observers_) observer();
}

}  // namespace tester
