#include "setup/probe_page.h"

#include <algorithm>

#include "setup/custom_names.h"

namespace tester {
namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::string ProbeEntryOf(const std::string& stored) {
  if (stored.empty()) return {};
  if (stored[0] == 'I') return kProbeInternal + stored.substr(1);
  if (stored[0] == 'E') return kProbeExternal + stored.substr(1);
  return {};
}

std::string ProbeValueOf(const ProbeRow& row) {
  if (row.choice < 0 || row.choice >= static_cast<int>(row.entries.size())) return {};
  const std::string& entry = row.entries[static_cast<std::size_t>(row.choice)];
  const std::string internal = kProbeInternal;
  const std::string external = kProbeExternal;
  if (StartsWith(entry, internal)) return "I" + entry.substr(internal.size());
  if (StartsWith(entry, external)) return "E" + entry.substr(external.size());
  return {};
}

bool ChooseProbeEntry(ProbeRow& row, const std::string& entry) {
  for (std::size_t k = 0; k < row.entries.size(); ++k) {
    if (SameIgnoringCase(row.entries[k], entry)) {
      row.choice = static_cast<int>(k);
      return true;
    }
  }
  return false;
}

ProbeRows FillProbeRows(const BoardRows& boards, int count,
                        const std::function<std::string(const std::string&)>& stored) {
  ProbeRows rows;
  for (ProbeRow& row : rows) row.entries = {kProbeNoTracking};
  for (int i = 0; i < count; ++i) {
    const BoardRow& board = boards[i];
    ProbeRow& own = rows[i];
    own.name = board.custom_name;
    own.listed = true;
    for (ProbeRow& row : rows) {
      if (board.its) row.entries.push_back(kProbeInternal + board.custom_name);
      if (board.ets) row.entries.push_back(kProbeExternal + board.custom_name);
    }
    if (board.test) {
      own.visible = true;
      own.choice = 0;
    } else {
      own.choice = own.entries.size() > 1 ? 1 : -1;
    }
  }
  // Only the listed rows are stations whose stored probe counts.
  for (ProbeRow& row : rows) {
    if (!row.listed) continue;
    const std::string entry = ProbeEntryOf(stored(row.name));
    if (!entry.empty()) ChooseProbeEntry(row, entry);
  }
  return rows;
}

}  // namespace tester
