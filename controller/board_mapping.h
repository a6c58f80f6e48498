#pragma once
// Naming the stations: [BoardMapping] of JigSetup.ini pairs adapter identifiers with
// station names ("identifier=name", one line per station), and each station's own section
// holds its flags. The section's lines are taken raw: every non-empty line counts toward
// the number of stations the jig expects, comment lines (";" first) included.
#include <cstdint>
#include <string>

#include "controller/station_slot.h"

namespace tester {

inline constexpr const char* kJigSetupFile = "JigSetup.ini";
inline constexpr const char* kNoName = "NoName";

// Names the first `num_boards` slots of `table` from `jig_file` and reads their flags.
// Empty on success, else the message for the operator: the count of lines against the
// boards found, an entry whose identifier matches no board (exactly, letter case
// included), a line without "=", or a board no entry named.
std::string NameStations(const std::string& jig_file, StationTable& table, int16_t num_boards);

}  // namespace tester
