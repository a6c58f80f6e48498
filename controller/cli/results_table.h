#pragma once
// The results of a headless session: one row per completed run, then each station's
// passes, failures and yield.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "controller/controller.h"

namespace tester {

struct SessionResult {
  int run = 0;               // the session's start, from 1
  std::string station;
  std::string serial;        // written into the pack; empty when none
  std::string verdict;       // PASS, FAIL, ERROR, ABORTED
  int32_t code = 0;
  int32_t ext_code = 0;
  std::string message;
  int64_t duration_ms = 0;   // the station's clock
};

// The table of `results` in completion order.
void PrintResults(const std::vector<SessionResult>& results, std::ostream& out);
// A line per station of `controller`: passed, failed, yield.
void PrintYield(const Controller& controller, std::ostream& out);

}  // namespace tester
