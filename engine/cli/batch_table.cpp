#include "engine/cli/batch_table.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "common/rounding.h"

namespace tester {
namespace {

constexpr int64_t kMsPerTenth = 100;
constexpr const char* kNone = "-";

enum Column { kStation, kPack, kSerial, kVerdict, kCode, kExt, kTime, kMessage, kColumns };
using Cells = std::array<std::string, kColumns>;

const Cells kHeader = {"station", "pack", "serial", "verdict", "code", "ext", "time s", "message"};

std::string CodeText(const std::optional<int32_t>& code) {
  return code ? std::to_string(*code) : kNone;
}

Cells RowCells(const BatchRow& row) {
  Cells cells;
  cells[kStation] = std::to_string(row.station) + " " + row.target;
  cells[kPack] = std::to_string(row.pack);
  if (!row.pack_label.empty()) cells[kPack] += " " + row.pack_label;
  cells[kSerial] = row.serial.empty() ? kNone : row.serial;
  cells[kVerdict] = row.passed ? "PASS" : "FAIL";
  cells[kCode] = CodeText(row.code);
  cells[kExt] = CodeText(row.ext_code);
  cells[kTime] = FormatSeconds(row.duration_ms);
  cells[kMessage] = row.message;
  return cells;
}

void PrintCells(const Cells& cells, const std::array<size_t, kColumns>& widths,
                std::ostream& out) {
  std::string line;
  for (int c = 0; c < kColumns; ++c) {
    const std::string& cell = cells[c];
    const std::string pad(widths[c] - std::min(widths[c], cell.size()), ' ');
    // Numbers and times to the right, texts to the left.
    const bool right = c == kSerial || c == kCode || c == kExt || c == kTime;
    line += right ? pad + cell : cell + (c + 1 < kColumns ? pad : "");
    if (c + 1 < kColumns) line += "  ";
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  out << line << "\n";
}

}  // namespace

std::string FormatSeconds(int64_t ms) {
  const int64_t tenths = RoundToInt64(static_cast<double>(ms) / kMsPerTenth);
  const int64_t magnitude = std::llabs(tenths);
  return std::string(tenths < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." +
         std::to_string(magnitude % 10);
}

void PrintBatchTable(const std::vector<BatchRow>& rows, const BatchTotals& totals,
                     std::ostream& out) {
  std::vector<Cells> table;
  table.reserve(rows.size());
  std::array<size_t, kColumns> widths{};
  for (int c = 0; c < kColumns; ++c) widths[c] = kHeader[c].size();
  for (const BatchRow& row : rows) {
    table.push_back(RowCells(row));
    for (int c = 0; c < kColumns; ++c) widths[c] = std::max(widths[c], table.back()[c].size());
  }
  PrintCells(kHeader, widths, out);
  for (const Cells& cells : table) PrintCells(cells, widths, out);

  int passed = 0, written = 0, unwritten = 0;
  int64_t station_ms = 0;
  for (const BatchRow& row : rows) {
    passed += row.passed ? 1 : 0;
    written += row.serial.empty() ? 0 : 1;
    unwritten += row.unwritten;
    station_ms += row.duration_ms;
  }
  out << "\n" << rows.size() << " run(s): " << passed << " passed, "
      << rows.size() - static_cast<size_t>(passed) << " failed\n"
      << "Serial numbers: " << written << " written, " << totals.serials_issued << " issued";
  if (unwritten > 0) out << " (" << unwritten << " of them to a write that failed)";
  out << "\nStation time: " << FormatSeconds(station_ms) << " s in all (station clock)\n";
  if (totals.real_ms) out << "Real time elapsed: " << *totals.real_ms << " ms\n";
}

}  // namespace tester
