#pragma once
// What the operator sees of one station beyond its status line: the step it is in, how
// long its run has taken, its serial number and its last verdict (kept until the next
// start), and the session's counts. First-pass yield: the controller cannot tell a retest
// from a new pack, so every run counts as a first pass: passed / completed runs.
#include <cstdint>
#include <optional>
#include <string>

namespace tester {

struct StationRow {
  std::string step;           // the run's latest status text
  bool running = false;
  int64_t started_us = 0;     // controller clock at the start of the last run
  int64_t finished_us = 0;    // and at its completion
  std::string serial;         // issued to the last run, then the one it wrote; empty: none
  std::string verdict;        // "PASS", "FAIL", "ERROR", "ABORTED"; empty before the first
  int32_t code = 0;           // run code and extended code of the last completion
  int32_t ext_code = 0;
  std::string message;        // why the last run failed; empty on a pass
  int64_t duration_ms = 0;    // the last run's duration on the station's clock
  int passed = 0;
  int failed = 0;

  // Milliseconds the last run has taken so far (running) or took; nullopt before any.
  std::optional<int64_t> ElapsedMs(int64_t now_us) const;
  // Passed share of the completed runs; nullopt before the first.
  std::optional<double> Yield() const;
};

// "12.3 s": milliseconds as seconds with one decimal (ties to even).
std::string SecondsText(int64_t ms);
// "91.7 %", or "-" before the first completed run.
std::string YieldText(const StationRow& row);

}  // namespace tester
