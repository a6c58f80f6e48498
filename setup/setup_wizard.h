#pragma once
// The station setup wizard without its window: the board rows, the probe page and the
// pages' flow, driving the adapters through adapter identification and writing
// JigSetup.ini, global.ini and the station files. The window (setup/ui/frm_setup.h) and the
// console verbs (setup/cli/setup_cli.h) are views over it.
//
// Pages: the board page (search, names, lights) -> "Save && Proceed >>" -> the probe page
// -> "&Next >>" -> the global configuration -> "&Save Configuration  && Close" -> closed.
// Every failure is a message through the dialogs and leaves the wizard on its page.
#include <cstdint>
#include <string>
#include <vector>

#include "common/global_config.h"
#include "common/linkpod_id.h"
#include "common/password_lock.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "setup/board_row.h"
#include "setup/station_files.h"

namespace tester {

enum class SetupPage { kBoards, kProbes, kGlobal, kClosed };

// Told after every change of the wizard's state, so the window shows it anew.
class SetupView {
public:
  virtual ~SetupView() = default;
  virtual void SetupChanged() = 0;
};

struct SetupParts {
  GaugeControl& control;    // the adapters' link, handed to the adapter identification
  LinkpodID& linkpod;       // LinkpodID1
  OperatorDialogs& dialogs;
  EventPump& pump;          // yields to the window between switching lights
  std::string folder;       // the program folder: JigSetup.ini, global.ini, station files
  ConfigFactory make_config;
};

class SetupWizard final : public LockStateListener {
public:
  SetupWizard(SetupParts parts, SetupView* view = nullptr);
  ~SetupWizard() override;
  SetupWizard(const SetupWizard&) = delete;
  SetupWizard& operator=(const SetupWizard&) = delete;

  void SetView(SetupView* view) { view_ = view; }

  // --- state ---
  const BoardRows& Rows() const { return rows_; }
  const ProbeRows& Probes() const { return probes_; }
  int BoardCount() const { return board_count_; }
  bool AdvancedBoards() const { return advanced_boards_; }
  // lblAdvanced(12) and lblAdvancedNote: the legend of the advanced mark.
  bool AdvancedLegend() const { return advanced_legend_; }
  SetupPage Page() const { return page_; }
  bool SearchEnabled() const { return search_enabled_ && !locked_; }
  bool NextEnabled() const { return next_enabled_; }
  bool BoardsEnabled() const { return !locked_; }  // Frame2
  std::string GetJigSetupIniFile() const;
  std::string GetConfigIniFile() const;
  std::string GetGlobalIniFile() const;
  // The custom name [BoardMapping] gives an adapter identifier.
  std::string GetCustomNameFromIni(const std::string& identifier) const;

  // --- the board page ---
  // Every row reset, the board page shown. Also the start of every search.
  void InitScreen();
  // cmdSearch.
  void Search();
  // Whether `sBrdName` needs a new identifier (a factory one, or one a board found earlier
  // in this search carries) and, with the operator's Yes, gives the open adapter one.
  // `changed` is set when it did; `found_before` are the identifiers of the earlier boards.
  void AssignUniqueName(std::string& sBrdName, bool& changed,
                        const std::vector<std::string>& found_before);
  // Edits of a row's boxes (ignored for rows that are hidden or disabled).
  void SetCustomName(int row, const std::string& name);
  void SetITS(int row, bool on);
  void SetETS(int row, bool on);
  void SetTest(int row, bool on);
  // chkFlash(row) clicked to `checked`.
  void FlashClicked(int row, bool checked);
  // Empty names, names twice, identifiers twice; the message shown when false.
  bool CheckCustomNameUniqueness();
  // cmdNext: saves the mapping and the sensors, then shows the probe page. False when it
  // stopped (its message was shown).
  bool Next();

  // --- the probe page ---
  void FillProbePage();
  void ChooseProbe(int row, int entry);
  // cmdTProbeNext: saves each station's probe, then shows the global configuration page and
  // lets `editor` (may be null: global.ini is used as it stands) load global.ini.
  bool ProbeNext(GlobalConfig* editor);

  // --- the last page ---
  // cmdFinish: `editor` (may be null) saves global.ini, then every station file receives the
  // global settings and the board's sensor address. The page becomes kClosed on success.
  bool Finish(GlobalConfig* editor);

  // The operator lock: locked disables the board page and the search.
  void LockState(bool bCurrentlyLocked) override;
  // The window goes: the open adapter is closed.
  void Unload();

private:
  // Sets the gauge control on the adapter identification for one use, clears it after.
  class ControlInUse;

  void SetBoardRowVisible(int row, bool visible);
  // One adapter of the search; false when the row stays unread.
  void SearchBoard(int index, std::vector<std::string>& found);
  void CloseAdapter();
  void Show(const std::string& text);
  void Changed();
  std::vector<std::string> FoundNames() const;

  SetupParts parts_;
  SetupView* view_ = nullptr;
  BoardRows rows_;
  ProbeRows probes_;
  int board_count_ = 0;
  bool advanced_boards_ = false;
  bool advanced_legend_ = false;
  SetupPage page_ = SetupPage::kBoards;
  bool search_enabled_ = true;
  bool next_enabled_ = true;
  bool locked_ = false;
  int control_uses_ = 0;
};

// "1.0.0 Rigwright station setup wizard": the about box's version line.
std::string SetupAboutVersion();

}  // namespace tester
