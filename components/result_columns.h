#pragma once
// The columns of a logged run as the result log's display and its CSV export show them:
// one list, so the window and the file never disagree.
#include <cstdint>
#include <string>
#include <vector>

#include "components/result_store.h"

namespace tester {

// Column headings, in order.
const std::vector<std::string>& ResultColumnNames();

// The cells of `run` under those headings.
std::vector<std::string> ResultCells(const LoggedRun& run);

// The background tint a run's row gets for its outcome, as 0xRRGGBB: green PASS, red FAIL,
// amber ERROR (the station, not the pack), grey ABORTED.
uint32_t OutcomeTint(RunOutcome outcome);

// One CSV line of `cells` (RFC 4180: a field holding a comma, a quote or a line break is
// quoted, quotes doubled), ended by CR LF.
std::string CsvLine(const std::vector<std::string>& cells);

// Milliseconds as seconds with one decimal ("8.8").
std::string DurationSeconds(int64_t ms);

}  // namespace tester
