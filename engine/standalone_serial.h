#pragma once
// The serial-number source of the single-station window when the engine runs by hand:
// an outside SerialCounter seeded on the first request of the window's life, the last
// number handed out, and the next start kept as "DFSrNoStart" in section "Config" of the
// program's own settings file (program folder, executable name, ".ini").
//
// Life of the state:
//  - the first request seeds the counter with the number the run proposes
//    (NextSerialNumber); later requests only draw from the counter;
//  - before the global configuration dialog and when the window unloads, the next start
//    is saved (SaveSerialStart);
//  - after the dialog, the counter's start is set from the saved value
//    (SetCounterFromSavedStart). When that happens before the first request, the first
//    request still seeds the counter from NextSerialNumber; afterwards the saved start
//    holds for the following runs.
// As automation server the engine keeps no serial state: the file is neither read nor
// written, and the controller hands out the numbers.
#include <cstdint>
#include <string>
#include <vector>

#include "common/automation_contract.h"
#include "common/serial_counter.h"

namespace tester {

inline constexpr const char* kSerialStartSection = "Config";    // section of the own file
inline constexpr const char* kSerialStartKey = "DFSrNoStart";   // next number to hand out
inline constexpr int32_t kSerialStartMax = 65535;               // saved starts stop here

class StandaloneSerial {
public:
  // `settings_file`: the program's own settings file; `runs_standalone`: false when the
  // process serves the automation system.
  StandaloneSerial(SerialCounter& counter, std::string settings_file, bool runs_standalone);

  // The window's answer to the run's serial-number request: seeds the counter with
  // `nSerial` on the first request, then replaces `nSerial` with the counter's next number
  // and remembers it. A counter that fails throws ComponentError out of this call; the
  // number and the remembered state are then as before (a counter whose SetStart failed
  // is seeded again on the next request).
  void ExposedClass_RequestSerialNo(int32_t& nSerial);

  // Stand-alone: reads the saved start (default: the last number handed out + 1, at most
  // 65535) and makes the number before it the last one handed out. Returns the start.
  // A saved value that is not a positive number is not a start; the default is used.
  // As automation server: only the last number handed out + 1.
  int32_t ReadSerialStart();

  // Stand-alone and once a number was handed out: steps the last number to the next
  // start (at most 65535) and saves it. False only when the file could not be written.
  bool SaveSerialStart();

  // SetStart of the counter with ReadSerialStart(): what the window does after the global
  // configuration dialog. Seeding state is left as it is.
  void SetCounterFromSavedStart();

  // Whom the following numbers are handed to (the counter keeps it with each number).
  void SetRequester(const std::string& station, const std::string& run) {
    counter_.SetRequester(station, run);
  }
  // At a run's end: the numbers handed out to the run get their fate in the counter
  // (FateOf the completion; all void for a run that ended without one, `report` null).
  // The counter's error texts, a line each; empty = recorded (or nothing to record).
  std::string RecordCompletion(const CompletionReport* report);

  bool SerialSeeded() const { return bSerialSeeded; }
  int32_t LastSerial() const { return nLastSerial; }
  bool RunsStandalone() const { return runs_standalone_; }

private:
  SerialCounter& counter_;
  std::string settings_file_;
  bool runs_standalone_;
  bool bSerialSeeded = false;
  int32_t nLastSerial = 0;
  std::vector<int32_t> unsettled_;  // handed out since the last completion
};

}  // namespace tester
