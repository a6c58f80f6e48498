#include "components/result_columns.h"

#include "common/rounding.h"

namespace tester {

const std::vector<std::string>& ResultColumnNames() {
  static const std::vector<std::string> names = {
      "Started",  "Station",   "Serial",  "Outcome", "Code",   "Ext. code", "Message",
      "Target",   "Version",   "Duration (s)", "Adapter", "Socket", "Log file", "Custom"};
  return names;
}

uint32_t OutcomeTint(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::kPass: return 0xC8F0C8;
    case RunOutcome::kFail: return 0xF6C3C3;
    case RunOutcome::kError: return 0xF8DFA8;
    case RunOutcome::kAborted: return 0xDCDCDC;
  }
  return 0xFFFFFF;
}

std::string CsvLine(const std::vector<std::string>& cells) {
  std::string line;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i) line += ',';
    const std::string& text = cells[i];
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
      line += text;
      continue;
    }
    line += '"';
    for (char c : text) line += c == '"' ? std::string("\"\"") : std::string(1, c);
    line += '"';
  }
  return line + "\r\n";
}

std::string DurationSeconds(int64_t ms) {
  const int64_t tenths = RoundToInt64(static_cast<double>(ms) / 100.0);
  const int64_t magnitude = tenths < 0 ? -tenths : tenths;
  return std::string(tenths < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." +
         std::to_string(magnitude % 10);
}

std::vector<std::string> ResultCells(const LoggedRun& run) {
  return {run.started_at,
          run.station,
          run.serial,
          std::string(OutcomeText(run.outcome)),
          std::to_string(run.err_code),
          std::to_string(run.ext_err_code),
          run.message,
          run.target,
          run.version_text,
          DurationSeconds(run.duration_ms),
          run.adapter,
          run.socket ? std::to_string(*run.socket + 1) : "",
          run.log_file,
          run.custom_log};
}

}  // namespace tester
