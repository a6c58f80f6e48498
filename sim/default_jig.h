#pragma once
// The built-in virtual jig used when no jig file is given: four stations, one per gauge
// family the demo targets cover, each with a queue of packs.
#include <string>

namespace tester {

const std::string& DefaultJigText();

}  // namespace tester
