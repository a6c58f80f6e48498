#pragma once
// One number of the global configuration (global.ini in the application folder) for a
// component that needs only that one (the lock's VTIAlwaysAllowed, the reminder's period):
// read with the key table's rules, so a value the key refuses counts as its default, as
// does a missing or unreadable file. A refused value elsewhere in the file does not matter.
#include <string>
#include <string_view>

namespace tester {

// Name of the global configuration file in the application folder.
inline constexpr std::string_view kGlobalIniName = "global.ini";

// The value of the whole-number or flag key `key` of the table (e.g. "RecalReminderHours")
// in global.ini of `program_folder`; its default when absent or not accepted.
long long GlobalNumber(const std::string& program_folder, std::string_view key);

}  // namespace tester
