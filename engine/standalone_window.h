#pragma once
// The single-station window (frmMainS) without Qt: the state of its controls and what its
// clicks and the run's reports do. The Qt window maps StandaloneControls to its widgets
// after every change and forwards clicks here.
//
// Stand-alone, the run reports to this object (through the station's StationState): the
// lamps and the status text follow CurrentStatus, the serial numbers come from the
// window's own counter (StandaloneSerial), every completion goes into the result log as
// "Station01". As automation server no window object exists.
//
// The start button: created with its tag "1"; while the tag is not empty the lock does not
// touch the button, so a window locked at program start cannot start a test until an
// operator unlocks it once (which clears the tag) and locks it again. During a run the
// start button and the two configuration buttons cannot be used: the run keeps the station,
// and a configuration dialog would reload the station's settings and image under it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/automation_contract.h"
#include "common/password_lock.h"
#include "common/tester_config.h"
#include "common/tester_log.h"
#include "engine/standalone_serial.h"
#include "engine/station_lamps.h"
#include "platform/dialogs.h"

namespace tester {

// The window's caption until the station names its image and target.
inline constexpr const char* kStandaloneCaption = "Gangwright - Single Station Software";
inline constexpr const char* kStandaloneTitlePrefix = "Ardentis - ";
inline constexpr const char* kStartTagAtCreation = "1";

inline constexpr const char* kMsgNoLinkpod = "No Linkpod found! Please close the app.";
inline constexpr const char* kMsgFirstLoadFailed =
    "InitCacheFromSetup() returned error loading ini file settings/Data flash image";
inline constexpr const char* kMsgReloadFailedPrefix = "InitCacheFromSetup() returned error code = ";
inline constexpr const char* kMsgReloadFailedSuffix =
    "\r\nPlease See User's Guide for Error Code Meaning";
inline constexpr const char* kMsgVtiSaveFailed = "SaveVTIConfiguration returned error!";
inline constexpr const char* kMsgLogFailed = "TesterLog.AddToLog returned error string: ";

// The configuration window's modes.
inline constexpr int kCfgModeVti = 0;
inline constexpr int kCfgModeGlobal = 1;

// Everything the window shows that changes.
struct StandaloneControls {
  int lit_lamp = kNoLamp;                  // shpStatus / Label1 index lit, or kNoLamp
  std::string status_text = "Ready...";    // lblStatus
  std::string caption = kStandaloneCaption;
  bool use_cal_board = false;              // chkUseCalBrd
  bool start_enabled = true;               // cmdStart, as the rules leave it
  bool start_visible = true;
  std::string start_tag = kStartTagAtCreation;
  bool quick_lock_enabled = false;         // cmdQuickLock
  bool config_vti_visible = false;         // cmdConfigVTI
  bool config_global_visible = false;      // cmdConfigGlobal
  bool running = false;                    // a run started from cmdStart is under way

  // What the widgets take: a run keeps the buttons that would disturb it disabled.
  bool StartUsable() const { return start_enabled && !running; }
  bool ConfigUsable() const { return !running; }
};

// LockState's rule on the controls (see the top of this file).
void ApplyLockState(StandaloneControls& controls, bool bCurrentlyLocked, bool vti_always_allowed);

struct StandaloneWindowParts {
  OperatorDialogs& dialogs;
  clsPassword& password;
  TesterLog& log;
  StandaloneSerial& serial;
  // The program's own settings file (folder, executable name, ".ini").
  std::string own_ini;
  // A fresh settings object (the VTI configuration reads the saved references with it).
  std::function<std::unique_ptr<TesterConfig>()> make_config;
  // The tester configuration window, modal, in mode kCfgModeVti or kCfgModeGlobal.
  std::function<void(int mode)> open_config;
  // Whether the station drives its calibration board (CalBoardSetUse).
  std::function<void(bool use)> set_cal_board_use;
  // Asks the lock for the password (the lock's own dialog); may be empty.
  std::function<void()> unlock;
};

class StandaloneWindow final : public SingleSiteEvents, public LockStateListener {
public:
  // Window creation and load: the log sized for "Station01", all lamps off, text empty,
  // cmdConfigVTI shown when the lock always allows the reference values.
  explicit StandaloneWindow(StandaloneWindowParts parts);

  // The SingleSite object the window drives (AttachLinkpod's first step); null drops it.
  void SetExposedClass(SingleSiteMembers* site) { site_ = site; }

  // Program start by hand: attach the first free adapter (a message when none, the window
  // opens all the same), `show`, start disabled, calibration board off.
  void StartByHand(const std::function<void()>& show);

  // --- public members of the window ------------------------------------------------
  void SetState(int32_t nState, const std::string& sStatusText);
  void LockState(bool bCurrentlyLocked) override;
  void UseCalBoard(bool bUse);

  // --- the run's reports (ExposedClass_…) ------------------------------------------
  void CurrentStatus(const std::string& sStatus, int32_t nStatus) override;
  void RequestSerialNo(int32_t& nSerial) override;
  void Completed(const CompletionReport& report, const RunRecord& record) override;
  void SetWindowTitle(const std::string& sTitle) override;

  // --- clicks ----------------------------------------------------------------------
  void cmdStart_Click();
  void cmdConfigGlobal_Click();
  void cmdConfigVTI_Click();
  void cmdQuickLock_Click();
  void chkUseCalBrd_Click(bool checked) { UseCalBoard(checked); }
  void Unlock();

  // Whether the window may close now; a close asked for during a run waits for its end
  // (then `close` is called).
  bool QueryClose(const std::function<void()>& close);
  // Window unload: the station's adapter link closed, the object dropped, the next serial
  // start saved.
  void Unload();

  const StandaloneControls& Controls() const { return controls_; }
  bool CacheLoaded() const { return bCacheLoaded; }
  // Called after every change of Controls().
  void OnChange(std::function<void()> observer) { observers_.push_back(std::move(observer)); }

private:
  void Changed();
  // InitCacheFromSetup on the object; a failed call shows its text and counts as failed.
  int32_t LoadStation();
  void SaveSerialStartOrSay();
  void SettleSerials(const CompletionReport* report);

  StandaloneWindowParts parts_;
  SingleSiteMembers* site_ = nullptr;
  StandaloneControls controls_;
  std::vector<std::function<void()>> observers_;
  std::vector<std::string> station_names_{std::string(kStandaloneStationName)};
  bool bCacheLoaded = false;
  std::function<void()> close_after_run_;
  int32_t run_serial_ = 0;  // the number handed out to the current run, 0 = none
};

}  // namespace tester
