#pragma once
// The checks on the custom names before anything is saved: every found row named, no name
// twice (letter case ignored), no identifier twice, and names that can stand as a file name
// and as a section name of JigSetup.ini.
#include <string>

#include "setup/board_row.h"

namespace tester {

// Names compared as the wizard compares station names: letter case ignored.
bool SameIgnoringCase(const std::string& a, const std::string& b);

// The name as it is saved: every space removed.
std::string WithoutSpaces(const std::string& name);

// A name that can name a station: not empty, not "." or "..", no / \ [ ] " and no control
// characters (it becomes the settings file's name and a section header).
bool IsSafeStationName(const std::string& name);

// An identifier adapters leave the factory with.
bool IsFactoryIdentifier(const std::string& identifier);

// Removes the spaces of rows 0..count-1 and checks them. Empty when they can be saved, else
// the message for the operator (the first problem found, in row order).
std::string CheckCustomNames(BoardRows& rows, int count);

}  // namespace tester
