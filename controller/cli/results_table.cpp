#include "controller/cli/results_table.h"

#include <algorithm>
#include <iomanip>

namespace tester {
namespace {

// Columns sized to their widest cell.
class Table {
public:
  explicit Table(std::vector<std::string> header) { rows_.push_back(std::move(header)); }
  void Add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
  void Print(std::ostream& out) const {
    std::vector<std::size_t> widths(rows_[0].size(), 0);
    for (const auto& row : rows_) {
      for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
    }
    for (const auto& row : rows_) {
      std::string line;
      for (std::size_t c = 0; c < row.size(); ++c) {
        std::string cell = row[c];
        if (c + 1 < row.size()) cell.resize(widths[c], ' ');
        line += (c ? "  " : "") + cell;
      }
      line.erase(line.find_last_not_of(' ') + 1);
      out << line << "\n";
    }
  }

private:
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace

void PrintResults(const std::vector<SessionResult>& results, std::ostream& out) {
  Table table({"run", "station", "serial", "verdict", "codes", "duration", "message"});
  for (const SessionResult& r : results) {
    table.Add({std::to_string(r.run), r.station, r.serial.empty() ? "-" : r.serial, r.verdict,
               std::to_string(r.code) + "/" + std::to_string(r.ext_code),
               SecondsText(r.duration_ms), r.message});
  }
  table.Print(out);
}

void PrintYield(const Controller& controller, std::ostream& out) {
  Table table({"station", "passed", "failed", "yield"});
  int passed = 0, failed = 0;
  for (int i = 0; i < controller.NumBoards(); ++i) {
    const StationRow& row = controller.Row(i);
    passed += row.passed;
    failed += row.failed;
    table.Add({controller.Slot(i).sStationName, std::to_string(row.passed),
               std::to_string(row.failed), YieldText(row)});
  }
  StationRow all;
  all.passed = passed;
  all.failed = failed;
  table.Add({"all", std::to_string(passed), std::to_string(failed), YieldText(all)});
  table.Print(out);
}

}  // namespace tester
