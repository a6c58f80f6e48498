#include "engine/run_sequence.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "calibration/cal_measurements.h"
#include "calibration/cal_run_register.h"
#include "calibration/cal_run_smbus.h"
#include "calibration/on_gauge_cal.h"
#include "calibration/ref_voltages.h"
#include "common/messages.h"
#include "engine/cal_limits.h"
#include "engine/cal_options.h"
#include "engine/date_code.h"
#include "engine/mfr_writers.h"
#include "engine/monowire.h"
#include "engine/run_record_fields.h"
#include "engine/station_identity.h"
#include "engine/version.h"
#include "engine/workarounds.h"
#include "gauge/rom_mode.h"
#include "gauge/rom_programming.h"
#include "platform/wall_clock.h"

namespace tester {
namespace {

// Status texts of the steps, as the operator sees them.
constexpr const char* kTextPowerUp = "Power Up...";
constexpr const char* kTextVerifyVersion = "Verify device version...";
constexpr const char* kTextWritingImage = "Writing Data Image...";
constexpr const char* kTextCalibrating = "Calibrating...";
constexpr const char* kTextVerifyingLimits = "Verifying Cal limits...";
constexpr const char* kTextCalibratingVoltage = "Calibrating Voltage...";
constexpr const char* kTextWritingMfrData = "Writing Manufacturer data...";
constexpr const char* kTextFinishing = "Finishing Testing...";
constexpr const char* kTextWritingSerial = "Writing Serial Num...";
constexpr const char* kTextMonowire = "Sending to Monowire Mode...";
constexpr const char* kTextPassed = "Passed";
constexpr const char* kTextErrorCode = "Error code = ";

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) ==
           std::toupper(static_cast<unsigned char>(y));
  });
}

// Programming statuses after which the gauge may still sit in its SMBus ROM loader.
bool MayBeLeftInRom(Status status) {
  return status == kStatusIdentityMismatch || status == kStatusImageFileUnreadable ||
         status == kStatusImageFileBadHeader;
}

bool AnyMainCalibration(const CalOptions& o) {
  return o.CalCCOffset != 0 || o.CalVoltage != 0 || o.CalTemperature != 0 ||
         o.CurrentCalEnabled != 0;
}

// A calibration that found nothing to do has done its job.
Status CountNothingAsDone(Status status) {
  return status == kStatusCalNothingRequested ? 0 : status;
}

}  // namespace

RunSequence::RunSequence(Station& station, TesterConfig& config, SingleSiteEvents& reports)
    : station_(station), config_(config), reports_(reports) {}

int16_t RunSequence::CommandSet() const { return station_.settings.COMMANDSET; }
bool RunSequence::RegisterGauge() const { return IsRegisterGauge(CommandSet()); }

// A yield lets the engine serve its pending events (automation calls, repaints) once.
void RunSequence::Yield() { station_.Pump().PumpOnce(); }

void RunSequence::WaitBusIdle() { station_.link.WaitBusIdle(station_.settings.USB_RESP_TIME); }

void RunSequence::BeginRecord() {
  record_ = RunRecord{};
  record_.station = StationName(config_.IniFile);
  record_.adapter = station_.adapter_id;
  record_.started_at = WallClockText(station_.Pump());
  record_.software_version = SoftwareVersion();
  record_.target = config_.TargetName;
  record_.warnings = station_.setup.warnings;
  record_.image_file = station_.setup.image_file;
  record_.image_sha256 = station_.setup.image_sha256;
  state_ = RunState{};
  completed_ = false;
  run_start_us_ = station_.Pump().Now();
}

void RunSequence::CloseSteps() {
  const int64_t now_ms = (station_.Pump().Now() - run_start_us_) / kMicrosPerMs;
  if (!record_.steps.empty()) {
    RunStep& last = record_.steps.back();
    last.duration_ms = now_ms - last.start_ms;
  }
  record_.duration_ms = now_ms;
}

void RunSequence::FinishRecord() { CloseSteps(); }

void RunSequence::ReportStatus(int32_t status, const std::string& text) {
  const int64_t now_ms = (station_.Pump().Now() - run_start_us_) / kMicrosPerMs;
  if (!record_.steps.empty()) {
    RunStep& last = record_.steps.back();
    last.duration_ms = now_ms - last.start_ms;
  }
  record_.steps.push_back(RunStep{text, status, now_ms, 0});
  station_.board.CalBoardSetStatus(status);
  reports_.CurrentStatus(text, status);
}

Status RunSequence::GetSerialNumber(int32_t& n) {
  n = config_.NextSerialNumber;
  try {
    reports_.RequestSerialNo(n);
  } catch (...) {
    // Nobody could hand out a number: writing the proposal could duplicate a serial.
    n = 0;
    return kStatusSerialWriteFailed;
  }
  return 0;
}

void RunSequence::RaiseCompleted(const std::string& sSerial, int32_t nErrCode,
                                  int32_t nExtErrCode, const std::string& sLogFile,
                                  const std::string& sCustomLogStr) {
  // Marked first: a report that throws must not be followed by a second one.
  completed_ = true;
  CompletionReport report{sSerial, nErrCode, nExtErrCode, sLogFile, sCustomLogStr};
  record_.completed = true;
  record_.serial = sSerial;
  record_.err_code = nErrCode;
  record_.ext_err_code = nExtErrCode;
  record_.message = FailureMessage(record_.steps, nErrCode);
  record_.outcome = RunOutcomeOf(nErrCode, nExtErrCode);
  record_.measurements = CalibrationMeasurements(config_, station_.settings,
                                                 record_.computed ? &*record_.computed : nullptr,
                                                 record_.checked ? &*record_.checked : nullptr);
  CloseSteps();
  reports_.Completed(report, record_);
}

// --- main process ---------------------------------------------------------------------

void RunSequence::RunMainProcess(int32_t& result) {
  result = 0;
  BeginRecord();
  try {
    StepResult failure;
    switch (MainSteps(failure)) {
      case Ending::Pass: PassEnding(false); break;
      case Ending::Fail:
        Fail(*failure);
        FailureTail(false);
        break;
      case Ending::HandedOver: NewMainSteps(); break;
    }
  } catch (...) {
    Abort();
  }
  FinishRecord();
}

RunSequence::Ending RunSequence::MainSteps(StepResult& failure) {
  if ((failure = PowerUp())) return Ending::Fail;
  if ((failure = VerifyVersion())) return Ending::Fail;
  if (IsFlagOn(config_.ProgramDataFlash) && (failure = ProgramDataFlash())) return Ending::Fail;
  if (station_.settings.Process_UseNewMain == 1) return Ending::HandedOver;
  if ((failure = CalibrateMain())) return Ending::Fail;
  if ((failure = CalibrateRefVoltagesStep())) return Ending::Fail;
  if ((failure = WriteMfrDataStep(false))) return Ending::Fail;
  if ((failure = WriteDateStep(false))) return Ending::Fail;
  if ((failure = Workarounds())) return Ending::Fail;
  if ((failure = WriteSerialStep(false))) return Ending::Fail;
  return Ending::Pass;
}

// Supply on without the load; the settle wait is that of the power-up (no extra wait
// when an image is programmed next).
RunSequence::StepResult RunSequence::PowerUp() {
  ReportStatus(vb_cbbusy, kTextPowerUp);
  station_.board.CalBoardPowerOn(0, config_.ProgramDataFlash);
  return std::nullopt;
}

RunSequence::StepResult RunSequence::VerifyVersion() {
  ReportStatus(vb_cbbusy, kTextVerifyVersion);
  std::string version;
  const Status status = ReadStationVersion(station_.link, version);
  record_.version_text = version;
  if (status != 0) return Failure{kStatusVersionReadFailed, kMsgCommErrorReading, status};
  if (!SameTextIgnoringCase(config_.TargetName, version)) {
    return Failure{kStatusIdentityMismatch, kMsgVersionMismatch, kStatusIdentityMismatch};
  }
  if (!RegisterGauge()) {
    // The load joins the supply when current is calibrated; an unprogrammed pack gets
    // the longer settle.
    station_.board.CalBoardPowerOn(config_.CurrentCalEnabled, config_.ProgramDataFlash);
  }
  return std::nullopt;
}

RunSequence::StepResult RunSequence::ProgramDataFlash() {
  ReportStatus(vb_cbbusy, kTextWritingImage);
  Yield();
  const ImageRecord& image = station_.CacheFor(CommandSet());
  if (CommandSet() == 5) return ProgramSet5(image);
  if (RegisterGauge()) return ProgramRegister(image);
  return ProgramSMBus(image);
}

// Command set 5: SMBus gauge whose ROM loader speaks the register-style bus.
RunSequence::StepResult RunSequence::ProgramSet5(const ImageRecord& image) {
  const StationSettings& s = station_.settings;
  GaugeLink& link = station_.link;
  if (EnterROMMode(link, static_cast<uint8_t>(s.RetROMCmd), s.RetROMWd) == kFalse) {
    return Failure{kStatusRomLoaderTimeout, kMsgRomModeFailed, kStatusRomLoaderTimeout};
  }
  Status status = link.SelectBusMode(1);
  if (status != 0) return Failure{kStatusRomNotReady, kMsgDfWriteRomFailed, status};
  status = ProgramImageI2C(link, image);
  if (status != 0) {
    Recover(status);
    return Failure{kStatusRomNotReady, kMsgDfWriteRomFailed, status};
  }
  if (ExitROMModeI2C(link) == kFalse) {
    return Failure{kStatusRomExitFailed, kMsgGaugeCodeFailed, state_.ExtErrCode};
  }
  status = link.SelectBusMode(0);
  if (status != 0) return Failure{kStatusRomNotReady, kMsgDfWriteRomFailed, status};
  return std::nullopt;
}

// Command sets 6 and 7: register-style gauge and loader.
RunSequence::StepResult RunSequence::ProgramRegister(const ImageRecord& image) {
  const StationSettings& s = station_.settings;
  GaugeLink& link = station_.link;
  if (EnterROMModeI2C(link, static_cast<uint8_t>(s.RetROMCmd), s.RetROMWd) != 0) {
    return Failure{kStatusRomLoaderTimeout, kMsgRomModeFailed, kStatusRomLoaderTimeout};
  }
  const Status status = ProgramImageI2C(link, image);
  if (status != 0) {
    Recover(status);
    return Failure{kStatusRomNotReady, kMsgDfWriteRomFailed, status};
  }
  if (ExitROMModeI2C(link) == kFalse) {
    return Failure{kStatusRomExitFailed, kMsgGaugeCodeFailed, state_.ExtErrCode};
  }
  return std::nullopt;
}

// Every other command set: SMBus gauge and SMBus loader; the firmware gets GG_FWEXEC to
// start before anything else talks to it.
RunSequence::StepResult RunSequence::ProgramSMBus(const ImageRecord& image) {
  const StationSettings& s = station_.settings;
  GaugeLink& link = station_.link;
  if (EnterROMMode(link, static_cast<uint8_t>(s.RetROMCmd), s.RetROMWd) == kFalse) {
    return Failure{kStatusRomLoaderTimeout, kMsgRomModeFailed, kStatusRomLoaderTimeout};
  }
  Status status = ProgramImageSMBus(link, image);
  if (status != 0) {
    Recover(status);
    return Failure{kStatusRomNotReady, kMsgDfWriteRomFailed, status};
  }
  status = ExitROMMode(link);
  state_.ExtErrCode = status;
  link.PauseBoth(s.GG_FWEXEC);
  if (status != 0) return Failure{kStatusRomExitFailed, kMsgGaugeCodeFailed, status};
  return std::nullopt;
}

// A programming that stopped before touching the data flash may leave the gauge in the
// SMBus loader: send it back to its firmware.
void RunSequence::Recover(Status programming_status) {
  if (MayBeLeftInRom(programming_status) && HasROMSignature(station_.link) == kTrue) {
    ExitROMMode(station_.link);
  }
}

RunSequence::StepResult RunSequence::CalibrateMain() {
  CalOptions options;
  GetCalOptions(config_, CommandSet(), options);
  if (!AnyMainCalibration(options)) return std::nullopt;
  ReportStatus(vb_cbbusy, kTextCalibrating);
  Yield();
  WaitBusIdle();
  CalContext ctx = station_.Cal();
  const Status status = CountNothingAsDone(RunCalibration(ctx, options, kAddrSmbusGauge));
  station_.link.PauseBoth(station_.settings.GG_FWEXEC);
  if (status != 0) return Failure{kStatusCalibrationFailed, kMsgCalibrationError, status};

  ReportStatus(vb_cbbusy, kTextVerifyingLimits);
  WaitBusIdle();
  Yield();
  CalLimitReadings readings;
  const Status limits = CheckCalLimits(station_.link, config_, readings);
  record_.checked = readings;
  if (limits != 0) return Failure{kStatusCalLimitsFailed, kMsgCalOutOfRange, limits};
  return std::nullopt;
}

RunSequence::StepResult RunSequence::CalibrateRefVoltagesStep() {
  Yield();
  WaitBusIdle();
  if (!IsFlagOn(config_.VoltageCalEnabled) || config_.VoltageCalMode != kVoltageCalPerTapStep) {
    return std::nullopt;
  }
  // Taps 1..4 of the reference: elements 1..4 of the run's 16-bit reference array.
  const TapReferences taps{static_cast<int16_t>(config_.RefVoltage1),
                           static_cast<int16_t>(config_.RefVoltage2),
                           static_cast<int16_t>(config_.RefVoltage3),
                           static_cast<int16_t>(config_.RefVoltage4)};
  ReportStatus(vb_cbbusy, kTextCalibratingVoltage);
  CalContext ctx = station_.Cal();
  const Status status =
      CalibrateRefVoltages(ctx, taps, config_.CellCount, config_.VoltageWindow);
  if (status != 0) return Failure{kStatusCalibrationFailed, kMsgCalibrationError, status};
  return std::nullopt;
}

RunSequence::StepResult RunSequence::WriteMfrDataStep(bool new_main) {
  Yield();
  if (config_.WriteMfrData == 0) return std::nullopt;
  ReportStatus(vb_cbbusy, kTextWritingMfrData);
  WaitBusIdle();
  Yield();
  const Status status = WriteRunMfrData(new_main ? RunProcess::NewMain : RunProcess::Main,
                                        station_.link, config_);
  if (status != 0) return Failure{kStatusMfrDataWriteFailed, kMsgMfrDataWriteFailed, status};
  return std::nullopt;
}

RunSequence::StepResult RunSequence::WriteDateStep(bool new_main) {
  if (config_.WriteMfrDate == 0) return std::nullopt;
  int16_t code = 0;
  Status status = MfrDateCodeForRun(config_, station_.Pump(), code);
  if (status == 0) {
    status = WriteRunDate(new_main ? RunProcess::NewMain : RunProcess::Main, station_.link, code);
  }
  if (status != 0) return Failure{kStatusMfrDateWriteFailed, kMsgMfrDataWriteFailed, status};
  record_.date_code = code;
  return std::nullopt;
}

RunSequence::StepResult RunSequence::Workarounds() {
  ReportStatus(vb_cbbusy, kTextFinishing);
  Yield();
  CalContext ctx = station_.Cal();
  const Status status =
      RunWorkarounds(ctx, config_.TargetName, station_.settings.Platform, config_.IssuesParam,
                     config_.CalBoardOffset, station_.ProgramFolder());
  if (status != 0) return Failure{kStatusWorkaroundsFailed, kMsgWorkaroundsFailed, status};
  return std::nullopt;
}

RunSequence::StepResult RunSequence::WriteSerialStep(bool new_main) {
  if (config_.WriteSerialNumber == 0) {
    state_.SerialNumber = 0;
    return std::nullopt;
  }
  ReportStatus(vb_cbbusy, kTextWritingSerial);
  Status status = GetSerialNumber(state_.SerialNumber);
  if (status != 0) return Failure{kStatusSerialWriteFailed, kMsgSerialWriteFailed, status};
  Yield();
  WaitBusIdle();
  status = WriteRunSerial(new_main ? RunProcess::NewMain : RunProcess::Main, station_.link,
                          state_.SerialNumber);
  if (status != 0) return Failure{kStatusSerialWriteFailed, kMsgSerialWriteFailed, status};
  state_.WrittenSerial = state_.SerialNumber;
  return std::nullopt;
}

// --- new-main process -----------------------------------------------------------------

void RunSequence::RunNewMainProcess(int32_t& result) {
  result = 0;
  BeginRecord();
  try {
    NewMainSteps();
  } catch (...) {
    Abort();
  }
  FinishRecord();
}

void RunSequence::NewMainSteps() {
  state_ = RunState{};
  record_.new_main = true;
  StepResult failure;
  if ((failure = CalibrateNewMain()) || (failure = WriteMfrDataStep(true)) ||
      (failure = WriteDateStep(true)) || (failure = WriteSerialStep(true)) ||
      (failure = MonowireStep())) {
    Fail(*failure);
    FailureTail(true);
    return;
  }
  PassEnding(true);
}

RunSequence::StepResult RunSequence::CalibrateNewMain() {
  CalOptions options;
  GetCalOptions(config_, CommandSet(), options);
  if (!AnyCalibrationRequested(options)) return std::nullopt;
  ReportStatus(vb_cbbusy, kTextCalibrating);
  Yield();
  WaitBusIdle();
  CalibrationResults results;
  CalContext ctx = station_.Cal(&results);
  const uint8_t ma = static_cast<uint8_t>(station_.settings.maCommand);
  const Status status = CountNothingAsDone(
      RegisterGauge() ? RunCalibrationI2C(ctx, config_, options, ma, kAddrRegGauge)
                      : RunCalibrationSMBus(ctx, config_, options, ma, kAddrSmbusGauge));
  record_.computed = results;
  if (status != 0) return Failure{kStatusCalibrationFailed, kMsgCalibrationError, status};
  return std::nullopt;
}

RunSequence::StepResult RunSequence::MonowireStep() {
  if (config_.MonowireMode != kMonowireModeOn || !RegisterGauge()) return std::nullopt;
  const StationSettings& s = station_.settings;
  GaugeLink& link = station_.link;
  Status status = EnterROMModeI2C(link, static_cast<uint8_t>(s.RetROMCmd), s.RetROMWd);
  state_.ExtErrCode = status;
  if (status != 0) return Failure{kStatusRomLoaderTimeout, kMsgRomModeFailed, status};
  if (IsROMModeI2C(link) == kFalse) {
    return Failure{kStatusRomLoaderTimeout, kMsgRomModeFailed, kStatusRomLoaderTimeout};
  }
  ReportStatus(vb_cbbusy, kTextMonowire);
  status = SetToMonowireMode(link, config_.MonowireMode);
  state_.ExtErrCode = status;
  if (status != 0) return Failure{kStatusMonowireFailed, kMsgMonowireFailed, status};
  return std::nullopt;
}

// --- endings --------------------------------------------------------------------------

void RunSequence::Fail(const Failure& failure) {
  state_.ErrCode = failure.err_code;
  state_.ExtErrCode = failure.ext_code;
  ReportStatus(vb_cbfail, LoadMessage(failure.message));
}

// The ROM-entry command leaves the gauge quiet in its loader (the shipping state).
void RunSequence::SendToRom(bool new_main) {
  const StationSettings& s = station_.settings;
  if (new_main && RegisterGauge()) {
    EnterROMModeI2C(station_.link, static_cast<uint8_t>(s.RetROMCmd), s.RetROMWd);
  } else {
    EnterROMMode(station_.link, static_cast<uint8_t>(s.RetROMCmd), s.RetROMWd);
  }
}

void RunSequence::PassEnding(bool new_main) {
  ReportStatus(vb_cbPASS, kTextPassed);
  RaiseCompleted(std::to_string(state_.SerialNumber), 0, 0, config_.LogFile, "");
  SendToRom(new_main);
  station_.link.WaitMs(kRunFinalPauseMs);
  station_.board.CalBoardPowerOff();
}

void RunSequence::FailureTail(bool new_main) {
  if (!new_main && CommandSet() == 5) station_.link.SelectBusMode(0);
  ReportStatus(vb_cbfail, FormatStatus(kTextErrorCode, state_.ExtErrCode));
  WaitBusIdle();
  if (state_.WrittenSerial != 0) {
    // The pack already carries this run's number (a later step failed): a second number
    // would be written to a gauge that may no longer take it and reported in place of
    // the one the pack holds.
    state_.SerialNumber = state_.WrittenSerial;
  } else if (config_.WriteSerialNumber != 0 && !IsFlagOn(config_.NoSerialOnFail)) {
    Status status = GetSerialNumber(state_.SerialNumber);
    if (status == 0) {
      status = WriteRunSerial(new_main ? RunProcess::NewMain : RunProcess::Main, station_.link,
                              state_.SerialNumber);
    }
    if (status != 0) {
      // The pack does not carry the number: the report must not say it does.
      state_.SerialNumber = 0;
      state_.ExtErrCode = kStatusSerialWriteFailed;
      ReportStatus(vb_cbfail, LoadMessage(kMsgSerialWriteFailed));
    }
  } else {
    state_.SerialNumber = 0;
  }
  SendToRom(new_main);
  station_.link.WaitMs(kRunFinalPauseMs);
  station_.board.CalBoardPowerOff();
  WaitBusIdle();
  RaiseCompleted(std::to_string(state_.SerialNumber), state_.ErrCode, state_.ExtErrCode,
                 config_.LogFile, "");
}

// An exception broke the run off: switch the station off as well as can be done, and
// report the run unless it has been reported already.
void RunSequence::Abort() {
  try {
    station_.board.CalBoardPowerOff();
  } catch (...) {
  }
  if (completed_) return;
  try {
    ReportStatus(vb_cbfail, FormatStatus(kTextErrorCode, kRunAbortedCode));
  } catch (...) {
  }
  try {
    RaiseCompleted(std::to_string(state_.SerialNumber), kRunAbortedCode, kRunAbortedCode,
                   config_.LogFile, "");
  } catch (...) {
  }
}

}  // namespace tester
