#pragma once
// The parts of a run's record the engine derives rather than measures: the station's
// name, the failing step's message and the outcome.
#include <cstdint>
#include <string>
#include <vector>

#include "common/run_record.h"

namespace tester {

// A station is named by its station file: the file name without folder and ".ini".
std::string StationName(const std::string& settings_file);

// The message a failed run showed for its failure (its first failure report); empty for
// a pass.
std::string FailureMessage(const std::vector<RunStep>& steps, int32_t err_code);

// The outcome of a completion: PASS for 0; ABORTED for the code of a run broken off; ERROR
// when the station could not talk to the gauge (the version could not be read, or the
// failing operation's status is one of the bus or the system rather than ours); FAIL for
// every other finding about the pack.
RunOutcome RunOutcomeOf(int32_t err_code, int32_t ext_err_code);

}  // namespace tester
