#include "controller/board_mapping.h"

#include <vector>

#include "controller/controller_texts.h"
#include "platform/profile.h"

namespace tester {
namespace {

std::string TrimSpaces(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') + 1 - first);
}

void ReadStationKeys(const std::string& jig_file, StationSlot& slot) {
  slot.bITS = profile::ReadInt(jig_file, slot.sStationName, "ITS", 0) == 1;
  slot.bETS = profile::ReadInt(jig_file, slot.sStationName, "ETS", 0) == 1;
  slot.bDoTesting = profile::ReadInt(jig_file, slot.sStationName, "DoTesting", 1) == 1;
  slot.sProbe = profile::ReadString(jig_file, slot.sStationName, "Probe", "", 255);
}

}  // namespace

std::string NameStations(const std::string& jig_file, StationTable& table, int16_t num_boards) {
  const std::vector<std::string> entries = profile::ReadSection(jig_file, "BoardMapping");
  const auto expected = static_cast<int>(entries.size());
  if (expected == 0 || expected != num_boards) {
    return kMsgExpectedBoards + std::to_string(expected) + kMsgBoardsFound +
           std::to_string(num_boards);
  }
  for (const std::string& raw : entries) {
    const std::string entry = TrimSpaces(raw);
    if (entry.empty() || entry[0] == ';') continue;
    const std::size_t equals = entry.find('=');
    // The setup wizard always writes "identifier=name"; a hand-edited line without "=" names
    // no station, so start-up stops at it.
    if (equals == std::string::npos) return kMsgMappingWithoutEquals + entry;
    const std::string key = entry.substr(0, equals);
    const std::string value = entry.substr(equals + 1);
    bool matched = false;
    for (int j = 0; j < num_boards; ++j) {
      StationSlot& slot = table[j];
      if (slot.sLinkpodID != key) continue;
      matched = true;
      slot.sStationName = value.empty() ? kNoName : value;
      ReadStationKeys(jig_file, slot);
    }
    if (!matched) {
      return kMsgMissingBoard + entry + "\r\n" + kMsgMoreThan + std::to_string(kMaxStations) +
             kMsgBoardsConnected;
    }
  }
  // With comment lines counted, as many lines as boards can still leave a board unnamed
  // (or two lines name one board); such a station would be pointed at the application
  // folder itself instead of a station file.
  for (int j = 0; j < num_boards; ++j) {
    if (table[j].sStationName.empty()) return kMsgUnnamedBoard + table[j].sLinkpodID;
  }
  return {};
}

}  // namespace tester
