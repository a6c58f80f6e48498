#pragma once
// One production test of one pack on one station: power up, identify the gauge, program
// its data flash from the golden image, calibrate, write manufacturer data, date and
// serial number, apply the device workarounds, optionally switch to Monowire mode, and
// end with a verdict on the station's lights and in exactly one completion report.
//
// Two processes: the main process, and the new-main process the main one hands over to
// right after programming when the station settings say Process_UseNewMain = 1. Every
// failure stops the run at its step and goes through the failure tail, which writes a
// serial number unless NoSerialOnFail (one it cannot write is reported as "0", with
// extended code 65545), sends the gauge the ROM-entry command, switches the station off
// and reports. A run that fails after its serial number went into the pack (the Monowire
// step comes after it) asks for no second number: the tail reports the one the pack
// carries, so the log and the counter keep it. On a pass the report comes before the gauge is sent to ROM mode
// and the station is switched off.
//
// Station error codes (nErrCode) and the message shown for each:
//   65538 109 version mismatch            65546 135 manufacture date
//   65539 110 ROM mode not entered        65548 144 Monowire mode
//   65541 115 return from ROM mode        65558 135 manufacturer data
//   65543 114 calibration                 65559 108 version read
//   65544 127 calibrated values out of range   65560 111 programming, bus-mode switch
//   65545 116 serial number               65614 143 workaround routine
//   65617 (no message) the run broke off on an unexpected error; see RunMainProcess.
#include <cstdint>
#include <optional>
#include <string>

#include "calibration/cal_types.h"
#include "common/status_codes.h"
#include "common/tester_config.h"
#include "common/automation_contract.h"
#include "common/run_record.h"
#include "engine/station.h"

namespace tester {

inline constexpr int32_t kRunFinalPauseMs = 100;   // after the ROM-entry command, before power off
// Code of a run that broke off on an exception (the run still reports its completion).
inline constexpr int32_t kRunAbortedCode = kStatusUnexpectedFailure;

class RunSequence {
public:
  RunSequence(Station& station, TesterConfig& config, SingleSiteEvents& reports);
  RunSequence(const RunSequence&) = delete;
  RunSequence& operator=(const RunSequence&) = delete;

  // Runs one test; `result` is always 0, the verdict travels in the completion report.
  // Whatever happens, exactly one completion report is raised: an exception escaping a
  // step (an outside component failing) ends the run through a best-effort switch-off
  // and a completion with nErrCode = nExtErrCode = 65617.
  void RunMainProcess(int32_t& result);
  // The new-main process on its own (the main process calls it after programming).
  void RunNewMainProcess(int32_t& result);

  // Sets the status lights, then reports `text`.
  void ReportStatus(int32_t status, const std::string& text);
  // `n` = NextSerialNumber, then the reports' answer. kStatusSerialWriteFailed when the
  // answer could not be given (`n` is then 0 and no number must be written).
  Status GetSerialNumber(int32_t& n);
  void RaiseCompleted(const std::string& sSerial, int32_t nErrCode, int32_t nExtErrCode,
                      const std::string& sLogFile, const std::string& sCustomLogStr);

  // The record of the last run.
  const RunRecord& Record() const { return record_; }

private:
  struct Failure {
    int32_t err_code;
    int message;
    int32_t ext_code;
  };
  using StepResult = std::optional<Failure>;
  struct RunState {
    int32_t ErrCode = 0;
    int32_t ExtErrCode = 0;
    int32_t SerialNumber = 0;
    // The number the pack carries: set once a serial write of this run has succeeded.
    int32_t WrittenSerial = 0;
  };
  enum class Ending { Pass, Fail, HandedOver };

  void BeginRecord();
  // The last step's duration and the run's up to now.
  void CloseSteps();
  void FinishRecord();
  void Yield();
  void WaitBusIdle();
  int16_t CommandSet() const;
  bool RegisterGauge() const;

  // Main process.
  StepResult PowerUp();
  StepResult VerifyVersion();
  StepResult ProgramDataFlash();
  StepResult ProgramSet5(const ImageRecord& image);
  StepResult ProgramRegister(const ImageRecord& image);
  StepResult ProgramSMBus(const ImageRecord& image);
  void Recover(Status programming_status);
  StepResult CalibrateMain();
  StepResult CalibrateRefVoltagesStep();
  StepResult WriteMfrDataStep(bool new_main);
  StepResult WriteDateStep(bool new_main);
  StepResult Workarounds();
  StepResult WriteSerialStep(bool new_main);
  Ending MainSteps(StepResult& failure);

  // New-main process.
  StepResult CalibrateNewMain();
  StepResult MonowireStep();
  void NewMainSteps();

  void Fail(const Failure& failure);
  void PassEnding(bool new_main);
  void FailureTail(bool new_main);
  void SendToRom(bool new_main);
  void Abort();

  Station& station_;
  TesterConfig& config_;
  SingleSiteEvents& reports_;
  RunState state_;
  RunRecord record_;
  int64_t run_start_us_ = 0;
  bool completed_ = false;
};

}  // namespace tester
