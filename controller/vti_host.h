#pragma once
// What the reference-value (VTI) logic needs from the controller that owns the stations:
// the stations themselves, the boards' lights, the boards' temperatures and the effects of
// a successful update. The controller (main window or headless) implements it; the VTI
// window and the headless `--vti FILE` work only through it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/automation_contract.h"

namespace tester {

// Rows of the VTI grid, and entries of the temperature arrays (one slot more than stations,
// as the station table has).
inline constexpr int kVtiRows = 12;
inline constexpr int kVtiSlots = 13;

using VtiTenths = std::array<int16_t, kVtiSlots>;

// One station as the VTI logic sees it.
struct VtiStation {
  int slot = 0;                         // the station table's index, 0 to 11
  std::string sStationName;             // exact name from [BoardMapping]
  std::string station_file;             // its settings file: <app> "\" station name
  bool bITS = false;                    // the board's own sensor is read
  bool bETS = false;                    // the external sensor is read
  std::string sProbe;                   // "I" or "E" + a station name, or empty
  SingleSiteMembers* engine = nullptr;  // null when the station's engine has ended
};

class VtiHost {
public:
  virtual ~VtiHost() = default;

  // The stations found at start-up, in slot order.
  virtual std::vector<VtiStation> Stations() const = 0;

  // CBFlashLEDs(bShow) on the board of slot `slot`: its result, nonzero when the command
  // failed or the engine is gone.
  virtual int32_t ShowBoard(int slot, bool bShow) = 0;

  // Reads every board's sensors as the temperature watch does (its messages included) and
  // gives each station's last readings in tenths of a degree (ties to even), slots 0 to
  // nNumBoards - 1; a failed read leaves that station's earlier reading.
  virtual void ReadTempValues(VtiTenths& nIntTempx10, VtiTenths& nExtTempx10,
                              int16_t nNumBoards) = 0;

  // Station `slot` took new reference values and its board's own sensor now reads
  // `degrees`: the temperature watch compares that station with it from now on (and runs).
  virtual void TakeReferenceTemperature(int slot, float degrees) = 0;

  // An update went through: the reminder starts again, the temperature drift stop and its
  // label are cleared, the start button is re-evaluated and the main window shows it.
  virtual void ReferencesUpdated() = 0;
};

}  // namespace tester
