#pragma once
// The engine's automation object: what the controller (through the automation server) or
// the station window uses to drive one station. Bind it to an adapter and learn which one
// it got, point it at the station file, load the golden image, hand it
// reference values, start runs and receive their results as reports.
//
// Calling order: AttachLinkpod, SetIniFile, InitCacheFromSetup, then any number of Execute
// runs (UpdateVTIConfig, SetTemperatureForCalibration, CBReadTemperature and CBFlashLEDs
// between runs as needed), then DetachLinkpod and Quit.
//
// Failures a member cannot report through its result (a station file that cannot be
// read, a value that overflows its 16-bit form) throw ComponentError out of the member:
// the automation server answers them as errors of the call.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/automation_contract.h"
#include "common/linkpod_id.h"
#include "common/tester_config.h"
#include "common/automation_contract.h"
#include "engine/station.h"
#include "engine/run_sequence.h"
#include "common/gauge_control.h"

namespace tester {

// Interval of the invoker timer (on the station clock) that starts an asynchronous run.
inline constexpr int kInvokerIntervalMs = 10;
// Execute while a start is already waiting (or synchronously during a run): refused, no run
// and no completion report (a second run on the same gauge would interleave its transfers).
inline constexpr int32_t kExecuteRefusedBusy = -2;
// Execute after an InitCacheFromSetup that refused the station's settings or failed (a
// station file that cannot be read), until one succeeds: refused, no run and no completion
// report.
inline constexpr int32_t kExecuteRefusedSetup = -3;

// What the object works with; all references outlive it.
struct SingleSiteParts {
  EventPump& pump;             // waits, and the invoker timer
  OperatorDialogs& dialogs;
  GaugeControl& control;       // the process's gauge-control instance
  LinkpodID& linkpod;          // adapter identification over that control
  SingleSiteEvents& reports;   // events (server) or the window's calls (stand-alone)
  std::string program_folder;  // application folder
  std::string exe_name;        // for the default settings file <folder>/<exe_name>.ini
  // Makes the settings object on first use; empty = the station-file store.
  std::function<std::unique_ptr<TesterConfig>()> make_config;
};

class SingleSite final : public SingleSiteMembers {
public:
  explicit SingleSite(SingleSiteParts parts);
  ~SingleSite();  // a run asked for but not started yet is dropped
  SingleSite(const SingleSite&) = delete;
  SingleSite& operator=(const SingleSite&) = delete;

  // Binds the gauge control and opens the first free adapter (-1 when none opens; then
  // nothing else happens), reads its identifier into `sLinkpodID` (the identification's
  // status is the result), then starts the station up: calibration board initialised and
  // the default target's settings loaded, whatever the identification answered.
  int32_t AttachLinkpod(std::string& sLinkpodID) override;
  // Closes the adapter link and unbinds the control. 0.
  int32_t DetachLinkpod(const std::string& sLinkpodName) override;
  // true: runs the test to its end and returns 0. False or none (Null): the invoker timer
  // starts the run in 10 ms and 0 is returned at once; asked during a run (for example
  // from its completion report, which comes before the station is switched off), the run
  // starts 10 ms after the running one has ended. Either way the verdict comes only as
  // the completion report. kExecuteRefusedBusy when a start is already waiting, or for a
  // synchronous run while one is running.
  int32_t Execute(std::optional<bool> bWaitTillComplete) override;
  void SetIniFile(const std::string& sIniFileToUse) override;
  // Station file (default: the program's own .ini), station settings, golden image; the
  // image check's status (0 without programming), or kStatusSettingsRefused when a value
  // of the station file or of Config.ini cannot be read (SetupMessage() names them).
  // Reports the window title.
  int32_t InitCacheFromSetup() override;
  // Why the last InitCacheFromSetup refused the station, a line each; empty when it did not.
  std::string SetupMessage() override;
  // Stores the reference values, then derives the temperature-sensor offsets from the
  // sensors' readings against nIT / nET (each only when not 0). An error text, empty on
  // success.
  std::string UpdateVTIConfig(int32_t nV, int32_t nV2, int32_t nV3, int32_t nV4, float nT,
                              float nIT, float nET, int32_t nI) override;
  // Identification lights on (true) or off (false; the board's outputs are restored). 0.
  int32_t CBFlashLEDs(bool bFlash) override;
  // The internal (true) or external sensor in tenths of degC plus its offset; the read's
  // status. Throws when the sum does not fit 16 bits.
  int32_t CBReadTemperature(bool bInternal, int16_t& nTempx10) override;
  int32_t SetTemperatureForCalibration(int16_t nTempx10) override;
  // Releases the settings object (after the run, when one is running; a run asked for but
  // not started yet is dropped); the host unloads its window.
  void Quit() override;
  std::string VersionSS() override;
  bool m_bCalEnabled() override { return cal_enabled_; }
  void set_m_bCalEnabled(bool value) override { cal_enabled_ = value; }
  int32_t SetToMonowireMode(int16_t nMonowireMode) override;

  // --- for the hosts --------------------------------------------------------------
  TesterConfig& Config();  // created on first use
  Station& StationContext() { return station_; }
  bool Running() const { return running_ || pending_; }
  // Record of the last run.
  const RunRecord& LastRun() const { return last_run_; }

private:
  void RunNow();
  void ScheduleRun();

  SingleSiteParts parts_;
  Station station_;
  std::unique_ptr<TesterConfig> config_;
  RunRecord last_run_;
  bool cal_enabled_ = false;
  bool running_ = false;
  bool pending_ = false;
  bool quit_pending_ = false;
  bool setup_refused_ = false;  // the last set-up refused the station's settings or failed
  TimerId invoker_ = kNoTimer;  // the armed invoker timer, if any
};

}  // namespace tester
