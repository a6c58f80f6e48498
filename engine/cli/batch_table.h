#pragma once
// The results of a production batch: one row per run, printed as an aligned table with the
// batch's totals under it.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tester {

struct BatchRow {
  int station = 0;          // the adapter's place on the jig, from 1
  std::string target;       // the station's TargetName
  int pack = 0;             // queue position of the pack tested, from 0
  std::string pack_label;   // the jig's label of the pack; empty when unknown
  std::string serial;       // the number written into the gauge; empty when none
  int unwritten = 0;        // numbers issued to the run but not written (a failed write)
  bool passed = false;
  std::optional<int32_t> code;      // run code; none when the run gave no verdict
  std::optional<int32_t> ext_code;  // extended code
  std::string message;      // the failing step's message; empty on a pass
  int64_t duration_ms = 0;  // station clock
};

struct BatchTotals {
  int serials_issued = 0;
  std::optional<int64_t> real_ms;  // real time the batch took, ms; none when not measured
};

// Milliseconds as seconds with one decimal, rounded to the nearest tenth (ties to even).
std::string FormatSeconds(int64_t ms);

// The table of `rows` in run order, then the totals: passed, failed, serials written and
// issued, station time, real time.
void PrintBatchTable(const std::vector<BatchRow>& rows, const BatchTotals& totals,
                     std::ostream& out);

}  // namespace tester
