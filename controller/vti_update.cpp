#include "controller/vti_update.h"

#include "common/component_error.h"
#include "controller/vti_texts.h"

namespace tester {
namespace {

std::string UpdateStation(VtiHost& host, const VtiValues& v, const VtiStation& station) {
  SingleSiteMembers* engine = station.engine;
  if (engine == nullptr) return kMsgVtiEngineEnded;
  try {
    std::string result =
        engine->UpdateVTIConfig(v.nV, v.nV2, v.nV3, v.nV4, v.nT, v.nIT, v.nET, v.nI);
    if (!result.empty()) return result;
    if (station.bITS) {
      int16_t n = 0;
      if (engine->CBReadTemperature(true, n) != 0) return kMsgVtiOnBoardTemp;
      host.TakeReferenceTemperature(station.slot, static_cast<float>(n / 10.0));
    }
  } catch (const ComponentError& error) {
    return error.what();
  }
  return {};
}

}  // namespace

std::string UpdateVTI(VtiHost& host, const VtiValues& v, const std::string& sStationName) {
  for (const VtiStation& station : host.Stations()) {
    if (station.sStationName != sStationName) continue;
    std::string result = UpdateStation(host, v, station);
    if (!result.empty()) return result;
  }
  host.ReferencesUpdated();
  return {};
}

}  // namespace tester
