#pragma once
// A station configuration object with no file behind it: the test sets the properties
// directly; loads keep them and saves store nothing.
#include <string>

#include "common/tester_config.h"

namespace tester {

class MemoryTesterConfig : public TesterConfig {
public:
  void LoadConfig() override {}
  void LoadGlobalConfig() override {}
  std::string SaveConfig() override { return {}; }
  void LoadVTIConfig() override {}
  std::string SaveVTIConfig() override { return {}; }
  void LoadTempConfig() override {}
  std::string SaveTempConfig() override { return {}; }
};

}  // namespace tester
