#pragma once
// The wizard's rows as data: one board row per possible station and one probe row per
// station on the probe page. The window shows them as they stand.
#include <array>
#include <string>
#include <vector>

#include "setup/setup_texts.h"

namespace tester {

// Rows of the board page: the most boards one jig takes.
inline constexpr int kSetupRows = 12;

struct BoardRow {
  std::string caption = kRowReset;  // lblBrdName: "...", "Not found" or "<i>.  Found"
  std::string identifier;           // lblBrdName's tooltip: the adapter identifier
  std::string custom_name;          // txtCustomName
  bool visible = false;             // the row's boxes are shown (SetBoardRowVisible)
  bool name_enabled = true;         // txtCustomName can be edited
  bool cal_present = false;         // chkCalPresent
  bool its = false;                 // chkITS: the board's own sensor
  bool its_enabled = true;
  bool ets = false;                 // chkETS: the external probe
  bool test = true;                 // chkTest: the station tests packs
  bool flash = false;               // chkFlash: identification lights on
  bool advanced = false;            // lblAdvanced: an advanced board
};

using BoardRows = std::array<BoardRow, kSetupRows>;

struct ProbeRow {
  std::string name;                  // lblName: the station's custom name
  bool listed = false;               // lblName shown: the row's station was found
  bool visible = false;              // ComboProbe shown (stations that test)
  std::vector<std::string> entries;  // ComboProbe's list
  int choice = -1;                   // chosen entry, -1 = none (saved as no tracking)
};

using ProbeRows = std::array<ProbeRow, kSetupRows>;

}  // namespace tester
