#pragma once
// The tester configuration window (frmTesterCfg) without Qt: which reference boxes mode 0
// shows and how they are labelled, the numeric check on leaving a box, saving, and the
// question on closing. The Qt window maps the layout and the texts to its widgets.
//
// Both modes work on the station ini file: the program's own settings file. Nothing is
// written to it unless "Save" succeeds.
//
// When a change counts (and so brings up the quit question): in mode 0, when a reference
// box shows another text than the one the window filled in (typing a value and typing the
// old one back is no change). In mode 1 the hosted global configuration editor keeps its
// own fields and tells no one of edits, so closing without "Save" discards them without a
// question.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "calibration/reference_text.h"
#include "common/global_config.h"
#include "common/tester_config.h"
#include "platform/dialogs.h"

namespace tester {

inline constexpr const char* kTesterCfgCaption = "Ardentis Configuration Window";
inline constexpr const char* kMsgNotNumeric = "Please enter a valid numeric value!";
inline constexpr const char* kMsgInvalidInput = "Invalid data input";
inline constexpr const char* kMsgInvalidData = "Invalid data entered!";
inline constexpr const char* kMsgQuitQuestion = "Do you want to save configuration changes?";
inline constexpr const char* kMsgQuitTitle = "Quit Confirmation";

// Label1(0..3) as created; the VBAT and total-voltage texts replace them by the rules below.
inline constexpr std::array<const char*, 4> kTapLabels = {
    "Cell1", "Cell1+Cell2", "Cell1+Cell2+Cell3", "Cell1+Cell2+Cell3+Cell4"};
inline constexpr const char* kVbatLabel = "VBAT";
inline constexpr const char* kTotalVoltageLabel = "Total Voltage";

// The window's height: the buttons' frame, its top and 600 twips below it.
inline constexpr int kCfgHeightAllowanceTwips = 600;
constexpr int CfgWindowHeightTwips(int buttons_top_twips, int buttons_height_twips) {
  return buttons_top_twips + buttons_height_twips + kCfgHeightAllowanceTwips;
}

// What mode 0 shows. A voltage box is shown with its label and its unit.
struct VtiLayout {
  bool voltage_help = false;  // lblHelp(1)
  std::array<bool, 4> voltage_shown{};
  std::array<std::string, 4> voltage_label{kTapLabels[0], kTapLabels[1], kTapLabels[2],
                                           kTapLabels[3]};
  bool current_shown = false;  // lblHelp(2), txtCurrent and its unit
};

// Mode 0's rules on the station's configuration and the settings' ShowVBATInput:
//  - voltage calibration off (VoltageCalEnabled not 1): no voltage box, no voltage help;
//  - per-tap references (VoltageCalMode 1 or 2): taps 1 to CellCount, and with fewer than
//    four cells and ShowVBATInput = 1 also box 3 labelled "VBAT";
//  - one total reference (VoltageCalMode 0): box 0 only, labelled "Total Voltage";
//  - the first label reads "Cell1" (per-tap) and is empty for TargetKind 6;
//  - current box and its help when CurrentCalEnabled is on (1).
VtiLayout LayoutVti(const TesterConfigProperties& config, int16_t show_vbat_input);

class TesterCfgForm {
public:
  // `config`: a settings object of the station ini file `ini_path`.
  TesterCfgForm(OperatorDialogs& dialogs, std::unique_ptr<TesterConfig> config,
                std::string ini_path);

  // Form_Load and Configure(0): the station's configuration, the global switches and the
  // references read; the boxes filled, nothing changed. A file with values that cannot be
  // read is said in a message; the rest of it is shown.
  VtiLayout LoadVti(int16_t show_vbat_input);
  // Configure(1): the editor shows the station ini file. False when it said why not.
  bool LoadGlobal(GlobalConfig& editor);

  // The boxes as the window shows them now (the window writes the operator's edits here).
  ReferenceTexts& Texts() { return texts_; }
  const ReferenceTexts& Filled() const { return filled_; }
  bool Changed() const { return mode_ == 0 && texts_ != filled_; }

  // Leaving a box: false, after "Please enter a valid numeric value!", when its text is
  // not a number (the window keeps the focus in it).
  bool LeaveBox(const std::string& text);

  // "Save": mode 0 stores the six references (also those of hidden boxes) and saves them;
  // mode 1 stores through the editor. True when saved: the window closes.
  bool Save(GlobalConfig* editor);

  // Closing: with a change, the quit question: Yes saves (and closes only when the save
  // succeeded), No closes, Cancel keeps the window open.
  bool QueryClose(GlobalConfig* editor);

  int Mode() const { return mode_; }
  TesterConfig& Config() { return *config_; }

private:
  bool SaveReferences();
  void Load(void (TesterConfig::*load)());

  OperatorDialogs& dialogs_;
  std::unique_ptr<TesterConfig> config_;
  std::string ini_path_;
  int mode_ = 0;
  ReferenceTexts texts_;
  ReferenceTexts filled_;
};

}  // namespace tester
