#include "controller/vti_flags.h"

#include "controller/vti_layout.h"

namespace tester {

VtiFlags BuildTempSensorFlags(const std::vector<VtiStation>& stations) {
  VtiFlags flags{};
  for (std::size_t i = 0; i < stations.size() && i < flags.size(); ++i) {
    const VtiStation& station = stations[i];
    if (!station.sProbe.empty()) {
      if (station.bITS) flags[i] |= kTempProbeInternal;
      if (station.bETS) flags[i] |= kTempProbeExternal;
    } else {
      flags[i] = kTempNoProbe;
    }
    for (const VtiStation& other : stations) {
      if (!other.sProbe.empty() && other.sProbe.substr(1) == station.sStationName) {
        flags[i] |= kTempReferenced;
        break;
      }
    }
  }
  return flags;
}

}  // namespace tester
