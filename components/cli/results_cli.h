#pragma once
// `gangwright results [--since T] [--station S] [--outcome O] [--format csv|json]
// [--yield]`: what the result log holds, newest first, for engineers and spreadsheets.
//  - csv: a heading line, then one line per run in the columns of the log's display
//    (RFC 4180 quoting);
//  - json: one array of runs, each with its steps and measurements;
//  - --yield: instead, first-pass yield per station (runs of packs tested the first time,
//    how many passed).
// --since compares with the runs' start time as written (ISO 8601, local time): a prefix
// such as 2026-01-05 or 2026-01-05T14 works.
#include <optional>
#include <ostream>
#include <string>

#include "components/result_store.h"

namespace tester {

enum class ExportFormat { kCsv, kJson };

struct ResultsArgs {
  RunFilter filter;
  ExportFormat format = ExportFormat::kCsv;
  bool yield = false;
};

// The verb's option values as given (empty = not given); nullopt and `error` when one is
// not understood (an outcome other than PASS, FAIL, ERROR, ABORTED; a format other than
// csv or json).
std::optional<ResultsArgs> MakeResultsArgs(const std::string& since, const std::string& station,
                                           const std::string& outcome,
                                           const std::string& format, bool yield,
                                           std::string& error);

// Writes the export to `out`. Exit status: 0 written, 2 the log cannot be read.
int RunResultsVerb(ResultQuery& log, const ResultsArgs& args, std::ostream& out,
                   std::ostream& err);

}  // namespace tester
