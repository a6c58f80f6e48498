#pragma once
// JigSetup.ini as the wizard writes it for the controller: [BoardMapping] with one
// "identifier=name" line per found board, and one section per station with "ITS", "ETS",
// "DoTesting", "AdvancedBd" and "Probe".
//
// Every write reads the file, changes it in memory and replaces it once, atomically
// (temporary file renamed into place). A file that exists but cannot be read is never
// overwritten: the write fails and the file stays as it was.
#include <string>
#include <utility>
#include <vector>

#include "setup/board_row.h"

namespace tester {

// The custom name [BoardMapping] gives `identifier`; empty when absent. At most 255
// characters.
std::string CustomNameFromIni(const std::string& jig_file, const std::string& identifier);

// [BoardMapping] cleared, then identifier=name for rows 0..count-1. The section is written
// at the end of the file. False when the file could not be read or written.
bool SaveBoardMapping(const std::string& jig_file, const BoardRows& rows, int count);

// "ITS", "ETS", "DoTesting" ("1" / "0") and "AdvancedBd" ("True" / "False") of rows
// 0..count-1 into each station's section.
bool SaveSensorInfo(const std::string& jig_file, const BoardRows& rows, int count);

// The station's stored "Probe" (at most 255 characters); empty when absent.
std::string StoredProbe(const std::string& jig_file, const std::string& station);

// "Probe" = value for each (station, value) pair.
bool SaveProbes(const std::string& jig_file,
                const std::vector<std::pair<std::string, std::string>>& probes);

}  // namespace tester
