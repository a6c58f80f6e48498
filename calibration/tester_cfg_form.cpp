#include "calibration/tester_cfg_form.h"

#include <algorithm>
#include <utility>

#include "common/component_error.h"

namespace tester {

VtiLayout LayoutVti(const TesterConfigProperties& config, int16_t show_vbat_input) {
  VtiLayout layout;
  layout.voltage_shown.fill(true);  // as created
  if (IsFlagOn(config.VoltageCalEnabled)) {
    layout.voltage_help = true;
    if (config.VoltageCalMode == kVoltageCalPerTapStep ||
        config.VoltageCalMode == kVoltageCalPerTapInside) {
      const int cells = std::clamp<int>(config.CellCount, 1, 4);
      for (int i = 0; i < 4; ++i) layout.voltage_shown[i] = i < cells;
      if (cells != 4 && IsFlagOn(show_vbat_input)) {
        layout.voltage_shown[3] = true;
        layout.voltage_label[3] = kVbatLabel;
      }
    } else if (config.VoltageCalMode == kVoltageCalTotal) {
      layout.voltage_shown = {true, false, false, false};
      // One reference across the whole pack: its box must not read "Cell1".
      layout.voltage_label[0] = kTotalVoltageLabel;
    }
  } else {
    layout.voltage_shown.fill(false);
  }
  if (config.TargetKind == kTargetKindNoFirstVoltage) layout.voltage_label[0].clear();
  layout.current_shown = IsFlagOn(config.CurrentCalEnabled);
  return layout;
}

TesterCfgForm::TesterCfgForm(OperatorDialogs& dialogs, std::unique_ptr<TesterConfig> config,
                             std::string ini_path)
    : dialogs_(dialogs), config_(std::move(config)), ini_path_(std::move(ini_path)) {
  config_->IniFile = ini_path_;
}

// Values the file holds but the object refuses keep their defaults; the operator is told.
void TesterCfgForm::Load(void (TesterConfig::*load)()) {
  try {
    (config_.get()->*load)();
  } catch (const ComponentError& error) {
    dialogs_.ShowMessage(error.what());
  }
}

VtiLayout TesterCfgForm::LoadVti(int16_t show_vbat_input) {
  mode_ = 0;
  Load(&TesterConfig::LoadConfig);
  Load(&TesterConfig::LoadGlobalConfig);
  Load(&TesterConfig::LoadVTIConfig);
  texts_ = filled_ = ReferencesToTexts(*config_);
  return LayoutVti(*config_, show_vbat_input);
}

bool TesterCfgForm::LoadGlobal(GlobalConfig& editor) {
  mode_ = 1;
  const std::string error = editor.LoadFrom(ini_path_);
  if (error.empty()) return true;
  dialogs_.ShowMessage(error);
  return false;
}

bool TesterCfgForm::LeaveBox(const std::string& text) {
  if (IsNumericText(text)) return true;
  dialogs_.ShowMessage(kMsgNotNumeric);
  return false;
}

// Every box is read before anything is stored, so a refused box leaves the object (and the
// file) as they were.
bool TesterCfgForm::SaveReferences() {
  TesterConfigProperties values = *config_;
  if (!TextsToReferences(texts_, values)) {
    dialogs_.ShowMessage(kMsgInvalidInput);
    return false;
  }
  std::string error;
  try {
    config_->RefVoltage1 = values.RefVoltage1;
    config_->RefVoltage2 = values.RefVoltage2;
    config_->RefVoltage3 = values.RefVoltage3;
    config_->RefVoltage4 = values.RefVoltage4;
    config_->RefCurrent = values.RefCurrent;
    config_->RefTemperature = values.RefTemperature;
    error = config_->SaveVTIConfig();
  } catch (const ComponentError& failure) {
    error = failure.what();
  }
  if (error.empty()) {
    filled_ = texts_;
    return true;
  }
  dialogs_.ShowMessage(kMsgInvalidData);
  dialogs_.ShowMessage(error);
  return false;
}

bool TesterCfgForm::Save(GlobalConfig* editor) {
  if (mode_ == 0) return SaveReferences();
  if (editor == nullptr) return true;
  const std::string error = editor->SaveTo(ini_path_);
  if (error.empty()) return true;
  dialogs_.ShowMessage(error);
  return false;
}

bool TesterCfgForm::QueryClose(GlobalConfig* editor) {
  if (!Changed()) return true;
  switch (dialogs_.AskYesNoCancel(kMsgQuitQuestion, kMsgQuitTitle)) {
    case DialogChoice::kYes: return Save(editor);
    case DialogChoice::kNo: return true;
    case DialogChoice::kCancel: return false;
  }
  return false;
}

}  // namespace tester
