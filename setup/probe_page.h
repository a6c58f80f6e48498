#pragma once
// The probe page: which temperature probe each station tracks. Every list offers "no
// tracking" and then the probes of the found stations in row order, a station's own sensor
// before its external probe. A probe is saved as "I" or "E" followed by the station's name.
#include <functional>
#include <string>

#include "setup/board_row.h"

namespace tester {

// The entry a stored "Probe" value selects ("IBay01" -> "Internal probe:Bay01"); empty for
// a value that selects none (empty, or not starting with "I" or "E").
std::string ProbeEntryOf(const std::string& stored);

// The value saved for a chosen entry; empty for "no tracking" and for no choice.
std::string ProbeValueOf(const ProbeRow& row);

// The page for rows 0..count-1 of `boards`. Each row's initial choice is made while only the
// probes of rows 0..i are in its list: a testing station's list is shown with "no tracking";
// another's stays hidden with the first probe when there is one. Then `stored` gives each
// listed station's saved "Probe"; one matching an entry (letter case ignored) is chosen,
// anything else keeps the initial choice.
ProbeRows FillProbeRows(const BoardRows& boards, int count,
                        const std::function<std::string(const std::string&)>& stored);

// Chooses the entry equal to `entry` ignoring letter case; false (choice unchanged) when the
// list has none.
bool ChooseProbeEntry(ProbeRow& row, const std::string& entry);

}  // namespace tester
