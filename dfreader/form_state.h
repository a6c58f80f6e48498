#pragma once
// The image reader's program state file: an ini file in the program folder named after
// the program ("flashwright.ini"), holding the current target at the last exit
// ([Last] DevVer) and the text of the destination box ([1] 1).
#include <string>

#include "dfreader/reader_form.h"

namespace tester {

inline constexpr const char* kReaderProgramName = "flashwright";
inline constexpr const char* kDefaultReaderTarget = "800.1.02";
inline constexpr const char* kDefaultImageBox = "Tester_.rom";

// <program folder>/flashwright.ini
std::string ReaderStateFile(const std::string& program_folder);

// The current target and the box from the file (defaults for what it lacks).
void LoadFormState(const std::string& state_file, ReaderForm& form);
// [Last] DevVer only when there is a current target; [1] 1 always. False when the file
// cannot be written.
bool SaveFormState(const std::string& state_file, const ReaderForm& form);

}  // namespace tester
