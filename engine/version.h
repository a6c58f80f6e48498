#pragma once
// The engine's version: major.minor.revision, as VersionSS reports it and every run's
// record keeps it.
#include <string>

namespace tester {

// The engine's title in its boxes and messages.
inline constexpr const char* kProgramTitle = "Ardentis";

inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 1;
inline constexpr int kVersionRevision = 0;

inline std::string SoftwareVersion() {
  return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
         std::to_string(kVersionRevision);
}

}  // namespace tester
