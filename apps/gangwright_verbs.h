#pragma once
// The engineers' verbs of gangwright: `results` (the result log's export) and `serials`
// (the serial counter's account), on the application folder's stores.
#include <optional>

namespace tester {

// When the first argument is one of these verbs: runs it and gives its exit status (0/1/2);
// otherwise nullopt and the program goes on as it would.
std::optional<int> RunGangwrightVerb(int argc, char** argv);

}  // namespace tester
