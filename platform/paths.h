#pragma once
// The program folder and the paths built in it. The programs build paths as
// folder + "\" + name; every such path passes through NativePath before it is opened.
#include <string>

namespace tester {

// The folder holding the programs' files: $TESTER_HOME when set and not empty, else the
// folder of the running executable (falling back to that of `argv0`, then to ".").
// Never ends with a '/' unless it is the root.
std::string ProgramFolder(const char* argv0);

// `folder` + "/" + `name`, with backslashes of either part turned into slashes.
std::string JoinProgramPath(const std::string& folder, const std::string& name);

// The path with every "\" turned into "/".
std::string NativePath(std::string path);

}  // namespace tester
