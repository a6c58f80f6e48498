#pragma once
// main() of a program whose windows and verbs are not part of this build yet: it
// answers --help and refuses everything else with its usage text.
#include <iostream>
#include <string>

inline int HelpOnlyMain(int argc, char** argv, const char* usage) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::cout << usage;
      return 0;
    }
  }
  std::cerr << usage
            << "\nThis build carries the gauge link, the station settings and the virtual jig;"
               "\nthis program's own work is not part of it yet. \"ardentis survey\" shows the"
               " jig.\n";
  return 2;
}
