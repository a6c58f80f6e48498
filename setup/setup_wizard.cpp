#include "setup/setup_wizard.h"

#include <algorithm>

#include "common/component_error.h"
#include "common/tester_config.h"
#include "platform/paths.h"
#include "setup/custom_names.h"
#include "setup/jig_setup_file.h"
#include "setup/probe_page.h"

namespace tester {

// Uses nest (the search asks for a new identifier in the middle of reading a board): the
// outermost one sets the control and clears it.
class SetupWizard::ControlInUse {
public:
  explicit ControlInUse(SetupWizard& wizard) : wizard_(wizard) {
    if (wizard_.control_uses_++ == 0) {
      wizard_.parts_.linkpod.SetGaugeControl(&wizard_.parts_.control);
    }
  }
  ~ControlInUse() {
    if (--wizard_.control_uses_ == 0) wizard_.parts_.linkpod.SetGaugeControl(nullptr);
  }
  ControlInUse(const ControlInUse&) = delete;
  ControlInUse& operator=(const ControlInUse&) = delete;

private:
  SetupWizard& wizard_;
};

std::string SetupAboutVersion() {
  return std::to_string(kSetupVersionMajor) + "." + std::to_string(kSetupVersionMinor) + "." +
         std::to_string(kSetupVersionRevision) + " " + kSetupFileDescription;
}

SetupWizard::SetupWizard(SetupParts parts, SetupView* view)
    : parts_(std::move(parts)), view_(view) {
  InitScreen();
}

SetupWizard::~SetupWizard() { Unload(); }

std::string SetupWizard::GetJigSetupIniFile() const {
  return JoinProgramPath(parts_.folder, kJigSetupFileName);
}
std::string SetupWizard::GetConfigIniFile() const {
  return JoinProgramPath(parts_.folder, kConfigFileName);
}
std::string SetupWizard::GetGlobalIniFile() const {
  return JoinProgramPath(parts_.folder, kGlobalFileName);
}
std::string SetupWizard::GetCustomNameFromIni(const std::string& identifier) const {
  return CustomNameFromIni(GetJigSetupIniFile(), identifier);
}

void SetupWizard::Show(const std::string& text) {
  Changed();  // the window shows the state the message speaks of
  parts_.dialogs.ShowMessage(text);
}

void SetupWizard::Changed() {
  if (view_ != nullptr) view_->SetupChanged();
}

void SetupWizard::SetBoardRowVisible(int row, bool visible) {
  BoardRow& r = rows_[row];
  r.visible = visible;
  if (!visible) {
    r.flash = false;
    r.cal_present = false;
    r.its = false;
    r.ets = false;
    r.test = true;
  }
}

void SetupWizard::InitScreen() {
  for (int i = 0; i < kSetupRows; ++i) {
    BoardRow& row = rows_[i];
    row.caption = kRowReset;
    row.identifier.clear();
    row.custom_name.clear();  // a row takes a name only from a search that reads it
    row.name_enabled = true;
    row.advanced = false;
    row.its_enabled = true;
    SetBoardRowVisible(i, false);
  }
  probes_ = ProbeRows{};
  page_ = SetupPage::kBoards;
  Changed();
}

void SetupWizard::CloseAdapter() {
  ControlInUse use(*this);
  parts_.linkpod.CloseAdapter();
}

void SetupWizard::Search() {
  search_enabled_ = false;
  next_enabled_ = false;
  InitScreen();
  board_count_ = 0;
  int32_t count = 0;
  {
    ControlInUse use(*this);
    parts_.linkpod.CloseAdapter();
    count = parts_.linkpod.AdapterCount();
  }
  if (count > kSetupRows) {
    // No board was read: nothing of this search may be saved.
    Show(kMsgTooManyBoards + std::to_string(kSetupRows) + kMsgTooManyBoardsEnd);
    return;
  }
  board_count_ = count;
  advanced_legend_ = false;
  std::vector<std::string> found;
  for (int i = 0; i < board_count_; ++i) SearchBoard(i, found);
  advanced_boards_ = rows_[0].advanced;
  for (int i = board_count_; i < kSetupRows; ++i) {
    rows_[i].caption = kRowNotFound;
    SetBoardRowVisible(i, false);
  }
  std::vector<std::string> shown;
  for (const BoardRow& row : rows_) {
    if (row.visible) shown.push_back(row.custom_name);
  }
  const std::string problems = LoadStationFiles(parts_.make_config, parts_.folder, shown);
  if (!problems.empty()) Show(problems);
  search_enabled_ = true;
  next_enabled_ = true;
  Changed();
}

void SetupWizard::SearchBoard(int i, std::vector<std::string>& found) {
  ControlInUse use(*this);
  LinkpodID& linkpod = parts_.linkpod;
  BoardRow& row = rows_[i];
  if (linkpod.OpenAdapterByIndex(static_cast<int16_t>(i), kLightsNone, kLightsTiming) != 0) {
    // Nothing more is asked of a board that could not be opened.
    Show(kMsgBoard + std::to_string(i) + kMsgBoardInUse);
    return;
  }
  try {
    if (linkpod.FirmwareAge() < 0) {
      linkpod.FlashLights(kLightsOldFirmware, kLightsTiming, true);
      Show(std::string(kMsgOldFirmware) + "\n" + kMsgOldFirmwareLeds);
    }
    std::string id;
    const Status status = linkpod.ReadAdapterId(id);
    if (status != 0) {
      Show(kMsgCommError + std::to_string(status) + kMsgCommErrorEnd + std::to_string(i));
    } else {
      row.caption = std::to_string(i) + kRowFound;
      bool changed = false;
      AssignUniqueName(id, changed, found);
      row.identifier = id;
      row.custom_name = GetCustomNameFromIni(id);
      SetBoardRowVisible(i, true);
      found.push_back(id);
    }
    row.cal_present = linkpod.HasCalBoard();
    row.its = linkpod.HasTempSensor(true);
    // A calibration board without the normal-board sensor is an advanced board, whose own
    // sensor sits at another address.
    row.advanced = row.cal_present && !row.its;
    if (row.advanced) {
      advanced_legend_ = true;
      row.its = true;
    }
    if (row.advanced != rows_[0].advanced) {
      row.its = false;
      row.its_enabled = false;
      Show(kMsgInconsistentBoard + std::to_string(i));
    }
    row.ets = linkpod.HasTempSensor(false);
  } catch (const ComponentError& error) {
    Show(kMsgBoard + std::to_string(i) + ": " + error.what());
  }
  linkpod.CloseAdapter();
  Changed();
}

void SetupWizard::AssignUniqueName(std::string& sBrdName, bool& changed,
                                   const std::vector<std::string>& found_before) {
  changed = false;
  const bool needs_name = IsFactoryIdentifier(sBrdName) ||
                          std::ranges::find(found_before, sBrdName) != found_before.end();
  if (!needs_name) return;
  if (!parts_.dialogs.AskYesNo(std::string(kAskAssignName) + "\n" + kAskAssignNameNo)) {
    parts_.dialogs.ShowMessage(kMsgViewOnly);
    return;
  }
  ControlInUse use(*this);
  if (parts_.linkpod.AssignAdapterId(sBrdName) != 0) {
    parts_.dialogs.ShowMessage(kMsgAssignFailed);
    return;
  }
  changed = true;
}

void SetupWizard::SetCustomName(int row, const std::string& name) {
  BoardRow& r = rows_.at(static_cast<std::size_t>(row));
  if (!r.visible || !r.name_enabled || !BoardsEnabled()) return;
  r.custom_name = name;
}

void SetupWizard::SetITS(int row, bool on) {
  BoardRow& r = rows_.at(static_cast<std::size_t>(row));
  if (r.visible && r.its_enabled && BoardsEnabled()) r.its = on;
  Changed();
}

void SetupWizard::SetETS(int row, bool on) {
  BoardRow& r = rows_.at(static_cast<std::size_t>(row));
  if (r.visible && BoardsEnabled()) r.ets = on;
  Changed();
}

void SetupWizard::SetTest(int row, bool on) {
  BoardRow& r = rows_.at(static_cast<std::size_t>(row));
  if (r.visible && BoardsEnabled()) r.test = on;
  Changed();
}

void SetupWizard::FlashClicked(int row, bool checked) {
  BoardRow& target = rows_.at(static_cast<std::size_t>(row));
  if (!target.visible || !BoardsEnabled()) {
    Changed();
    return;
  }
  ControlInUse use(*this);
  auto lights_off = [&] {
    try {
      parts_.linkpod.FlashLights(kLightsIdentifyOff, kLightsTiming, false);
    } catch (const ComponentError&) {
      // A board that refuses the lamps has none lit: closing it is all that is left.
    }
    parts_.linkpod.CloseAdapter();
  };
  if (checked) {
    for (BoardRow& other : rows_) {
      if (&other == &target || !other.flash) continue;
      other.flash = false;
      lights_off();
    }
    Changed();
    parts_.pump.PumpOnce();
  } else {
    lights_off();
  }
  target.flash = checked;
  if (checked &&
      parts_.linkpod.OpenAdapterByIndex(static_cast<int16_t>(row), kLightsIdentifyOn,
                                        kLightsTiming) != 0) {
    target.flash = false;  // no lights are on
    Show(kMsgFlashInUse);
  }
  Changed();
}

bool SetupWizard::CheckCustomNameUniqueness() {
  const std::string problem = CheckCustomNames(rows_, board_count_);
  Changed();
  if (problem.empty()) return true;
  Show(problem);
  return false;
}

std::vector<std::string> SetupWizard::FoundNames() const {
  std::vector<std::string> names;
  for (int i = 0; i < board_count_; ++i) names.push_back(rows_[i].custom_name);
  return names;
}

bool SetupWizard::Next() {
  if (board_count_ == 0) {
    Show(kMsgSearchFirst);
    return false;
  }
  if (!CheckCustomNameUniqueness()) return false;
  if (!SaveBoardMapping(GetJigSetupIniFile(), rows_, board_count_)) {
    Show(kMsgSaveMapping);
    return false;
  }
  if (!SaveSensorInfo(GetJigSetupIniFile(), rows_, board_count_)) {
    Show(kMsgSaveSensors);
    return false;
  }
  for (BoardRow& row : rows_) {
    row.name_enabled = false;
    if (row.flash) FlashClicked(static_cast<int>(&row - rows_.data()), false);
  }
  CloseAdapter();
  // The reference values are entered in the controller: no row of this window has them.
  FillProbePage();
  return true;
}

void SetupWizard::FillProbePage() {
  const std::string jig = GetJigSetupIniFile();
  probes_ = FillProbeRows(rows_, board_count_,
                          [&](const std::string& station) { return StoredProbe(jig, station); });
  page_ = SetupPage::kProbes;
  Changed();
}

void SetupWizard::ChooseProbe(int row, int entry) {
  ProbeRow& r = probes_.at(static_cast<std::size_t>(row));
  if (entry >= -1 && entry < static_cast<int>(r.entries.size())) r.choice = entry;
  Changed();
}

bool SetupWizard::ProbeNext(GlobalConfig* editor) {
  std::vector<std::pair<std::string, std::string>> probes;
  for (const ProbeRow& row : probes_) {
    if (row.listed) probes.emplace_back(row.name, ProbeValueOf(row));
  }
  if (!SaveProbes(GetJigSetupIniFile(), probes)) {
    Show(kMsgErrorWriting + GetJigSetupIniFile());
    return false;
  }
  page_ = SetupPage::kGlobal;
  Changed();
  if (editor != nullptr) {
    const std::string error = editor->LoadFrom(GetGlobalIniFile());
    if (!error.empty()) Show(error);
  }
  return true;
}

bool SetupWizard::Finish(GlobalConfig* editor) {
  if (editor != nullptr) {
    const std::string error = editor->SaveTo(GetGlobalIniFile());
    if (!error.empty()) {
      Show(error);
      return false;
    }
  }
  const int16_t address = advanced_boards_ ? kIntSensorAddressAdvanced : kIntSensorAddressNormal;
  const std::string error =
      WriteStationFiles(parts_.make_config, parts_.folder, FoundNames(), address);
  if (!error.empty()) {
    Show(error);
    return false;
  }
  page_ = SetupPage::kClosed;
  Unload();
  Changed();
  return true;
}

void SetupWizard::LockState(bool bCurrentlyLocked) {
  locked_ = bCurrentlyLocked;
  if (bCurrentlyLocked) {
    next_enabled_ = false;
  } else {
    search_enabled_ = true;
  }
  Changed();
}

void SetupWizard::Unload() {
  try {
    CloseAdapter();
  } catch (const ComponentError&) {
    // Nothing is open without a control.
  }
}

}  // namespace tester
