#pragma once
// The main window's UpdateVTI: one row's reference values to every station of that name.
#include <cstdint>
#include <string>

#include "controller/vti_host.h"

namespace tester {

// The values UpdateVTIConfig takes, in its order.
struct VtiValues {
  int32_t nV = 0, nV2 = 0, nV3 = 0, nV4 = 0;
  float nT = 0, nIT = 0, nET = 0;
  int32_t nI = 0;
};

// Hands `v` unchanged to the engine of every station named exactly `sStationName`; for a
// station that reads its own sensor, that reading becomes its temperature reference. Empty
// on success, and then the reminder restarts and the drift stop is lifted, also when no
// station has the name. Otherwise the first failure: the engine's text,
// kMsgVtiOnBoardTemp, kMsgVtiEngineEnded or the failed call's description; the stations
// after it are not sent and nothing is lifted.
std::string UpdateVTI(VtiHost& host, const VtiValues& v, const std::string& sStationName);

}  // namespace tester
