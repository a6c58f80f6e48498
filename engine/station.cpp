#include "engine/station.h"

#include <utility>

#include "gauge/station_settings.h"
#include "platform/paths.h"

namespace tester {

Station::Station(EventPump& pump, OperatorDialogs& dialogs, std::string program_folder)
    : link(pump, settings),
      board(link, JoinProgramPath(program_folder, kConfigIniFile)),
      pump_(pump),
      dialogs_(dialogs),
      program_folder_(std::move(program_folder)) {}

std::string Station::ConfigIniPath() const {
  return JoinProgramPath(program_folder_, kConfigIniFile);
}

ImageRecord& Station::CacheFor(int commandset) {
  return UsesRegisterLoader(commandset) ? register_cache_ : smbus_cache_;
}

CalContext Station::Cal(CalibrationResults* results) {
  return CalContext{link, board, dialogs_, results};
}

}  // namespace tester
