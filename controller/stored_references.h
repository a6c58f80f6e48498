#pragma once
// The reference values (VTI) kept in each station file, pushed to the stations as a VTI
// update would: for line automation and the demo, where nobody types them in. The sensor
// offsets stay as the files keep them: the internal and external readings are sent as 0,
// which tells the engine to leave its temperature offsets alone.
#include <string>
#include <vector>

#include "controller/controller.h"

namespace tester {

// One update per station (its file: the application folder, "\", the station name).
// The operator's messages of the failures ("Error updating VTI: " + why), in station order;
// empty when every station took its values.
std::vector<std::string> PushStoredReferences(Controller& controller,
                                              const std::string& app_folder);

}  // namespace tester
