#pragma once
// The multi-station controller: everything the main window does, without a window. It
// starts the engines (one per slot), matches the adapters they claim with the stations of
// JigSetup.ini and initialises them; it starts runs on every station that tests, answers
// their serial-number requests, logs their completions, watches the boards' temperatures
// against those of the last reference-value (VTI) update, and shuts the engines down.
// The window and the headless console are views over it (ControllerView); message boxes
// go through the dialogs seam and every wait and timer through the event pump.
//
// Decisions of our own:
//  - While any station runs, the start button stays disabled and a start is refused
//    (kMsgStillRunning): a reminder event or a VTI update during a run cannot start
//    stations that are still busy a second time.
//  - A station whose engine ends during a run, or whose run has not completed
//    run_time_limit_ms after its start (gangwright.ini), is completed by the controller as
//    ERROR (run code kStatusUnexpectedFailure, extended code kExtEngineEnded or
//    kExtRunTimedOut) with a status text saying why; its engine is ended and takes no more
//    calls; the other stations go on and the start button comes back with the last of them.
//    A completion that arrives for a station that is not running is dropped.
//  - An engine call that fails while starting (the engine is gone) is reported for that
//    station ("<why> : Station=<name>") and the other stations still start.
//  - After a failed start-up the window stays up but disabled, showing why, for the 300 ms
//    until the close timer closes it.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/engine_factory.h"
#include "common/reminder.h"
#include "common/serial_counter.h"
#include "common/tester_log.h"
#include "controller/controller_settings.h"
#include "controller/controller_view.h"
#include "controller/station_row.h"
#include "controller/station_slot.h"
#include "controller/vti_host.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"

namespace tester {

// Extended codes of a completion the controller makes for a station.
inline constexpr int32_t kExtEngineEnded = -2;  // the engine process is gone
inline constexpr int32_t kExtRunTimedOut = -3;  // no completion within the time limit

// Intervals of the controller's timers.
inline constexpr int64_t kTempCheckIntervalMs = 65535;
inline constexpr int64_t kCloseDelayMs = 300;
inline constexpr int64_t kShutdownSettleMs = 500;

// What the controller works with; everything outlives it.
struct ControllerParts {
  EventPump& pump;
  OperatorDialogs& dialogs;
  EngineFactory& engines;
  SerialCounter& serials;
  TesterLog& log;
  clsReminder& reminder;
  std::string app_folder;
  ControllerSettings settings;
};

class Controller final : public ReminderListener, public VtiHost {
public:
  Controller(const ControllerParts& parts, ControllerView* view);
  ~Controller() override;
  Controller(const Controller&) = delete;
  Controller& operator=(const Controller&) = delete;

  // --- Start-up and shutdown ---
  // The main window's load: configuration, engines, stations. True when start-up
  // succeeded; otherwise the message has been shown and the close timer runs.
  bool Load();
  // Closing: waits for running stations, then 0.5 s, then quits every engine.
  void Shutdown();

  // --- The operator's controls ---
  // The start button.
  void Start();
  void ReminderFired() override { UpdateStartButton(); }

  // --- For the VTI window ---
  // Hands the reference values to the engine of every station named `sStationName`;
  // empty on success, else the engine's text or kMsgOnBoardTempRead.
  std::string UpdateVTI(int32_t nV, int32_t nV2, int32_t nV3, int32_t nV4, float nT, float nIT,
                        float nET, int32_t nI, const std::string& sStationName);
  // CBFlashLEDs on the station named `sStationName`; nullopt when no station has that name.
  std::optional<int32_t> ShowBoard(const std::string& sStationName, bool bShow);
  // Reads every board's sensors; tenths of a degree per station (13 entries each).
  void ReadTempValues(VtiTenths& nIntTempx10, VtiTenths& nExtTempx10,
                      int16_t nNumBoards) override;
  // The rest of what the VTI window works through.
  std::vector<VtiStation> Stations() const override;
  int32_t ShowBoard(int slot, bool bShow) override;
  void TakeReferenceTemperature(int slot, float degrees) override;
  void ReferencesUpdated() override;
  const std::string& AppFolder() const { return app_folder_; }

  // --- State, for the views ---
  int16_t NumBoards() const { return nNumBoards_; }
  const StationSlot& Slot(int i) const { return table_.at(i); }
  const StationRow& Row(int i) const { return rows_.at(i); }
  LampColour Lamp(int i) const { return lamps_.at(i); }
  const std::vector<std::string>& StatusRows() const { return lstCurrStatus_; }
  bool StartEnabled() const { return cmdStartEnabled_; }
  bool VTIButtonVisible() const { return cmdVTIVisible_; }
  const std::string& TempStopLabel() const { return lblTempBasedStop_; }
  const std::string& Caption() const { return caption_; }
  const std::string& AboutVersion() const { return about_version_; }
  bool VTIRequired() const { return bVTIRequired_; }
  bool TempBasedStop() const { return bTempBasedStop_; }
  bool StartupFailed() const { return bStartupFailed_; }
  const std::string& StartupMessage() const { return startup_message_; }
  int16_t StationsBusy() const { return nStationsBusy_; }
  bool TempCheckEnabled() const { return tmrTempCheck_ != kNoTimer; }
  bool ReminderDue() const { return reminder_.ReminderDue(); }
  float TempTolerance() const { return sngTempTolerance_; }
  float RefIntTemp(int i) const { return sngRefIntTemp_.at(i); }
  int64_t Now() const { return pump_.Now(); }

private:
  class StationSink;

  // Start-up steps.
  bool Fail(const std::string& message);
  int32_t CreateInstances();
  std::string MapBoards();
  void ShowStationsInLog();
  void QuitAll();

  // Runs.
  void StartStations();
  bool StartStation(int i);
  void ShowStationStatus(int i, const std::string& sStatus);
  void IssueSerialNumber(int i, int32_t& nSerial);
  void StationCompleted(int i, const CompletionReport& report, const RunRecord& record);
  void RecordSerialFates(int i, const CompletionReport& report);
  void EngineEnded(int i, const std::string& reason);
  void CompleteAsError(int i, int32_t ext_code, const std::string& why);
  void EndEngine(int i);
  void SetWindowTitle(const std::string& sTitle);
  void UpdateStartButton();
  void SetStartEnabled(bool enabled);
  void Changed();

  // Temperatures.
  void EnableTempCheck(bool bEnable);
  int32_t ApplyProbeTemperatures();
  int32_t ReadBoardTemperatures();
  void TempWatchCycle();
  void CheckTempTolerance();

  EventPump& pump_;
  OperatorDialogs& dialogs_;
  EngineFactory& factory_;
  SerialCounter& serials_;
  TesterLog& log_;
  clsReminder& reminder_;
  const std::string app_folder_;
  const ControllerSettings settings_;
  ControllerView* view_;

  StationTable table_;
  std::array<std::unique_ptr<StationSink>, kMaxStations> sinks_;
  // myInstance0 .. myInstance11: the engines; slot i's oEngine points at number i.
  std::array<std::unique_ptr<SingleSiteMembers>, kMaxStations> myInstance_;
  std::array<bool, kMaxStations> engine_gone_{};
  std::array<bool, kMaxStations> running_{};
  std::array<TimerId, kMaxStations> run_limit_{};
  std::array<std::vector<int32_t>, kMaxStations> issued_;  // numbers of the current run
  std::array<StationRow, kMaxStations> rows_;
  std::array<LampColour, kMaxStations> lamps_{};
  std::array<float, kStationSlots> sngRefIntTemp_{};

  int16_t nNumBoards_ = 0;
  int16_t nStationsBusy_ = 0;
  bool bVTIRequired_ = true;
  float sngTempTolerance_ = 10;
  bool bStartupFailed_ = true;
  bool bTempBasedStop_ = false;
  bool starting_ = false;  // inside the start button's loop
  bool shut_down_ = false;
  std::string startup_message_;

  bool cmdStartEnabled_ = false;  // disabled at design time
  bool cmdVTIVisible_ = true;
  std::string lblTempBasedStop_;
  std::string caption_;
  std::string about_version_;
  std::vector<std::string> lstCurrStatus_;
  TimerId tmrTempCheck_ = kNoTimer;
  TimerId tmrClose_ = kNoTimer;
};

}  // namespace tester
