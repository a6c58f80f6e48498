// Runs: the start button, the engines' status, serial-number and completion events, and
// the stations the controller completes itself (engine gone, time limit).
#include <algorithm>
#include <cstdio>

#include "common/component_error.h"
#include "common/status_codes.h"
#include "controller/controller.h"
#include "controller/controller_texts.h"

namespace tester {
namespace {

constexpr const char* kEngineGone = "The station's engine has ended";

// "08:15:02.250": the time of day of a run's start, naming the run to the serial counter.
std::string TimeOfDay(int64_t micros) {
  const int64_t ms = (micros % kMicrosPerDay) / 1000;
  char text[48];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld",
                static_cast<long long>(ms / 3'600'000), static_cast<long long>(ms / 60'000 % 60),
                static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
  return text;
}

}  // namespace

void Controller::Start() {
  if (bStartupFailed_ || shut_down_) return;
  if (nStationsBusy_ > 0 || starting_) {
    dialogs_.ShowMessage(kMsgStillRunning);
    return;
  }
  SetStartEnabled(false);
  EnableTempCheck(false);
  if (bVTIRequired_) {
    int32_t status = 0;
    try {
      status = ApplyProbeTemperatures();
      if (status == 0) TempWatchCycle();
    } catch (const ComponentError& error) {
      dialogs_.ShowMessage(error.what() + std::string(kMsgStationSuffix) +
                           table_[0].sStationName);
      EnableTempCheck(true);
      UpdateStartButton();
      return;
    }
    if (status != 0) {
      dialogs_.ShowMessage(kMsgTryAgain);
      EnableTempCheck(true);
      UpdateStartButton();
      return;
    }
  }
  StartStations();
}

void Controller::StartStations() {
  starting_ = true;
  int started = 0;
  for (int i = 0; i < nNumBoards_; ++i) {
    lamps_[i] = LampColour::kBackground;
    if (table_[i].bDoTesting && StartStation(i)) ++started;
  }
  starting_ = false;
  // Completions that arrived during the loop have been taken off already.
  nStationsBusy_ = static_cast<int16_t>(std::count(running_.begin(), running_.end(), true));
  if (nStationsBusy_ == 0) {
    UpdateStartButton();
    // Every station that started has completed already: as after the last completion.
    if (started > 0) EnableTempCheck(true);
  }
  lstCurrStatus_.clear();
  Changed();
}

bool Controller::StartStation(int i) {
  const std::string& name = table_[i].sStationName;
  if (!table_[i].oEngine || engine_gone_[i]) {
    dialogs_.ShowMessage(kEngineGone + std::string(kMsgStationSuffix) + name);
    return false;
  }
  StationRow& row = rows_[i];
  row.running = true;
  row.started_us = pump_.Now();
  row.finished_us = row.started_us;
  row.step.clear();
  row.serial.clear();
  row.verdict.clear();
  row.message.clear();
  issued_[i].clear();
  running_[i] = true;
  int32_t result = 0;
  try {
    result = table_[i].oEngine->Execute(false);
  } catch (const ComponentError& error) {
    running_[i] = false;
    row.running = false;
    dialogs_.ShowMessage(error.what() + std::string(kMsgStationSuffix) + name);
    return false;
  }
  if (result != 0) {
    running_[i] = false;
    row.running = false;
    dialogs_.ShowMessage(kMsgTesterRefused + name);
    return false;
  }
  if (!running_[i]) return true;  // it has completed already
  const int64_t limit_ms = settings_.run_time_limit_ms;
  run_limit_[i] = pump_.StartTimer(
      limit_ms,
      [this, i, limit_ms] {
        run_limit_[i] = kNoTimer;
        if (!running_[i]) return;
        CompleteAsError(i, kExtRunTimedOut,
                        "No completion within " + std::to_string(limit_ms / 1000) +
                            " s: station stopped");
      },
      TimerKind::kOneShot);
  return true;
}

void Controller::ShowStationStatus(int i, const std::string& sStatus) {
  while (lstCurrStatus_.size() < static_cast<std::size_t>(i)) lstCurrStatus_.emplace_back();
  const std::string line = table_[i].sStationName + ":" + sStatus;
  if (lstCurrStatus_.size() == static_cast<std::size_t>(i)) {
    lstCurrStatus_.push_back(line);
  } else {
    lstCurrStatus_[i] = line;
  }
  rows_[i].step = sStatus;
  if (view_) view_->StationStatus(i, sStatus);
}

void Controller::IssueSerialNumber(int i, int32_t& nSerial) {
  serials_.SetRequester(table_[i].sStationName, TimeOfDay(rows_[i].started_us));
  int32_t next = 0;
  serials_.NextSerial(next);  // a counter that cannot answer throws: no number is written
  nSerial = next;
  issued_[i].push_back(next);
  rows_[i].serial = std::to_string(next);
  if (view_) view_->RowChanged(i);
}

void Controller::StationCompleted(int i, const CompletionReport& report,
                                  const RunRecord& record) {
  // A station completes once per start: a late completion after the controller completed
  // it (time limit), or one nobody started, changes nothing.
  if (!running_[i]) {
    if (view_) view_->Note(table_[i].sStationName + ": completion of no running run ignored");
    return;
  }
  pump_.StopTimer(run_limit_[i]);
  run_limit_[i] = kNoTimer;
  const StationSlot& slot = table_[i];
  std::string logged;
  try {
    logged = log_.AddToLog(slot.sStationName, report.sSerial, report.nErrCode,
                           report.nExtErrCode, report.sLogFile, report.sCustomLogStr, &record);
  } catch (const ComponentError& error) {
    logged = error.what();
  }
  // A result the log could not store must not pass unnoticed.
  if (!logged.empty()) dialogs_.ShowMessage(kMsgNotLogged + slot.sStationName + ": " + logged);
  RecordSerialFates(i, report);

  running_[i] = false;
  StationRow& row = rows_[i];
  row.running = false;
  row.finished_us = pump_.Now();
  row.verdict = std::string(OutcomeText(record.outcome));
  if (report.nErrCode == 0) row.verdict = "PASS";
  row.code = report.nErrCode;
  row.ext_code = report.nExtErrCode;
  row.message = report.nErrCode == 0 ? "" : record.message;
  row.duration_ms = record.duration_ms;
  (report.nErrCode == 0 ? row.passed : row.failed) += 1;
  lamps_[i] = report.nErrCode != 0 ? LampColour::kRed : LampColour::kGreen;

  nStationsBusy_ = static_cast<int16_t>(std::count(running_.begin(), running_.end(), true));
  if (nStationsBusy_ == 0 && !starting_) {
    UpdateStartButton();
    EnableTempCheck(true);
  }
  if (view_) view_->StationCompleted(i, report, record);
  Changed();
}

void Controller::RecordSerialFates(int i, const CompletionReport& report) {
  StationRow& row = rows_[i];
  row.serial.clear();
  for (const int32_t number : issued_[i]) {
    // The completion names the number in the gauge; a failed serial write still names the
    // number it tried (extended code 65545), which is then void.
    const bool written = std::to_string(number) == report.sSerial &&
                         report.nExtErrCode != kStatusSerialWriteFailed;
    if (written) row.serial = report.sSerial;
    std::string error;
    try {
      error = serials_.RecordFate(number, written ? SerialFate::kWritten : SerialFate::kVoid);
    } catch (const ComponentError& failure) {
      error = failure.what();
    }
    if (!error.empty() && view_) {
      view_->Note(kMsgSerialFateNotKept + std::to_string(number) + ": " + error);
    }
  }
  issued_[i].clear();
}

void Controller::EngineEnded(int i, const std::string& reason) {
  if (engine_gone_[i]) return;
  engine_gone_[i] = true;
  if (running_[i]) {
    CompleteAsError(i, kExtEngineEnded, "Engine ended during the run: " + reason);
  } else if (view_) {
    view_->Note(table_[i].sStationName + ": engine ended: " + reason);
  }
}

void Controller::CompleteAsError(int i, int32_t ext_code, const std::string& why) {
  const StationSlot& slot = table_[i];
  EndEngine(i);
  CompletionReport report;
  report.sSerial = "0";
  report.nErrCode = kStatusUnexpectedFailure;
  report.nExtErrCode = ext_code;
  RunRecord record;
  record.station = slot.sStationName;
  record.adapter = slot.sLinkpodID;
  record.duration_ms = (pump_.Now() - rows_[i].started_us) / 1000;
  record.err_code = report.nErrCode;
  record.ext_err_code = ext_code;
  record.message = why;
  record.outcome = RunOutcome::kError;
  ShowStationStatus(i, why);
  StationCompleted(i, report, record);
}

void Controller::EndEngine(int i) {
  if (engine_gone_[i]) return;
  engine_gone_[i] = true;
  try {
    table_[i].oEngine->Quit();  // a hung engine is killed when Quit gets no answer
  } catch (const ComponentError&) {
  }
}

void Controller::SetWindowTitle(const std::string& sTitle) {
  caption_ = kCaptionTitlePrefix + sTitle;
  Changed();
}

void Controller::UpdateStartButton() {
  bool enabled = !bTempBasedStop_ && !reminder_.ReminderDue();
  // Our rule: no start while stations of the last one still run.
  if (nStationsBusy_ > 0 || starting_) enabled = false;
  SetStartEnabled(enabled);
}

void Controller::SetStartEnabled(bool enabled) {
  if (cmdStartEnabled_ == enabled) return;
  cmdStartEnabled_ = enabled;
  Changed();
}

}  // namespace tester
