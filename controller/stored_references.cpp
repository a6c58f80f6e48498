#include "controller/stored_references.h"

#include "common/component_error.h"
#include "components/tester_config_store.h"

namespace tester {

std::vector<std::string> PushStoredReferences(Controller& controller,
                                              const std::string& app_folder) {
  std::vector<std::string> failures;
  for (int i = 0; i < controller.NumBoards(); ++i) {
    const std::string& name = controller.Slot(i).sStationName;
    TesterConfigStore config;
    config.IniFile = app_folder + "\\" + name;
    std::string why;
    try {
      config.LoadVTIConfig();
    } catch (const ComponentError& error) {
      why = error.what();
    }
    if (why.empty()) {
      why = controller.UpdateVTI(config.RefVoltage1, config.RefVoltage2, config.RefVoltage3,
                                 config.RefVoltage4, config.RefTemperature, 0.0f, 0.0f,
                                 config.RefCurrent, name);
    }
    if (!why.empty()) failures.push_back("Error updating VTI: " + why);
  }
  return failures;
}

}  // namespace tester
