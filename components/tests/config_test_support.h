#pragma once
// The scratch folder of the settings-file tests.
#include "platform/tests/profile_test_files.h"

namespace tester::test {

using ConfigScratch = ScratchFolder;

}  // namespace tester::test
