#pragma once
// The controller's station table: thirteen slots, of which only 0 to 11 ever hold a
// station; slot i is station i of the run, in the order the engines claimed adapters.
#include <array>
#include <cstdint>
#include <string>

#include "common/automation_contract.h"

namespace tester {

inline constexpr int kMaxStations = 12;
inline constexpr int kStationSlots = 13;

struct StationSlot {
  SingleSiteMembers* oEngine = nullptr;  // the station's engine; null without a station
  std::string sLinkpodID;                // adapter identifier AttachLinkpod gave
  std::string sStationName;              // from [BoardMapping]; "NoName" for an empty value
  bool bITS = false;                     // "ITS" = 1: the board's own sensor is read
  bool bETS = false;                     // "ETS" = 1: the external sensor is read
  bool bDoTesting = false;               // "DoTesting" = 1 (default 1)
  std::string sProbe;                    // "I" or "E" + a station name, or empty
  float sngIntTemp = 0;                  // last internal reading, degC
  float sngExtTemp = 0;                  // last external reading, degC
};

using StationTable = std::array<StationSlot, kStationSlots>;

// The fill colour of a station's lamp: the window background at each start, then the
// verdict's colour until the next start.
enum class LampColour { kBackground, kGreen, kRed };

}  // namespace tester
