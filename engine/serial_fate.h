#pragma once
// What became of a serial number handed to a run, read from the run's completion: the one
// rule of the console runs and of the station window.
#include <cstdint>
#include <string>

#include "common/automation_contract.h"
#include "common/serial_counter.h"
#include "common/status_codes.h"

namespace tester {

// Written when the completion carries the number and does not report that its serial write
// failed (extended code 65545: the gauge may or may not hold it), void otherwise. A void
// number is never handed out again.
inline SerialFate FateOf(int32_t number, const CompletionReport& report) {
  const bool carried = report.sSerial == std::to_string(number);
  const bool write_failed = report.nErrCode != 0 && report.nExtErrCode == kStatusSerialWriteFailed;
  return carried && !write_failed ? SerialFate::kWritten : SerialFate::kVoid;
}

}  // namespace tester
