#pragma once
// What a test run tells the world, and to whom. One interface, three implementations: the
// automation server turns the reports into events for the controller, the station window
// shows them, the console run prints them.
//
// A run reports in this order: status texts as its steps begin (each with the status the
// station's lights show), at most one serial-number request per write, and exactly one
// completion report at the end.
#include <cstdint>
#include <string>

namespace tester {

// Status of a report; also the bits of the calibration board's status lights.
inline constexpr int32_t vb_cbReady = 1;
inline constexpr int32_t vb_cbbusy = 2;
inline constexpr int32_t vb_cbPASS = 4;
inline constexpr int32_t vb_cbfail = 8;

// The verdict of one run. nErrCode 0 = pass, else the station error code of the step that
// failed; nExtErrCode the status of the failing operation.
struct CompletionReport {
  std::string sSerial;        // serial number written, in decimal; "0" when none
  int32_t nErrCode = 0;
  int32_t nExtErrCode = 0;
  std::string sLogFile;       // the station's log file
  std::string sCustomLogStr;  // free text for the log, empty from the run itself
};

class RunReports {
public:
  virtual ~RunReports() = default;
  // A step begins (or the verdict is shown): `text` with the lights' status.
  virtual void CurrentStatus(const std::string& text, int32_t status) = 0;
  // The run is about to write a serial number and proposes `nSerial`; the answer may
  // replace it. An answer that cannot be given throws; the run then writes no number.
  virtual void RequestSerialNo(int32_t& nSerial) = 0;
  // The run's verdict; exactly once per run.
  virtual void Completed(const CompletionReport& report) = 0;
  // The station's title changed (image file and target description).
  virtual void SetWindowTitle(const std::string& title) = 0;
};

}  // namespace tester
