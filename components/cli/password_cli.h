#pragma once
// The administrator's way to set the operator lock's password without a window
// ("ardentis password"): the new password is read from standard input, so it never stands
// on a command line (where other users could see it in the process list) or in the shell's
// history.
//   printf '%s\n' "$NEW" | ardentis password     one line: the new password
//   ardentis password                            at a terminal: asked twice, not echoed
// The line end is not part of the password. An empty password, a second line that differs
// from the first, or a file that cannot be written are refused and leave the old password.
// Exit status: 0 set, 1 the file could not be written, 2 no usable password was given.
#include <istream>
#include <ostream>
#include <string>

namespace tester {

// `terminal`: standard input is a terminal: ask twice on `err` with echo off.
int RunPasswordVerb(const std::string& program_folder, std::istream& in, bool terminal,
                    std::ostream& out, std::ostream& err);

}  // namespace tester
