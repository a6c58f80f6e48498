#pragma once
// Which boxes, headers and help lines of the VTI grid are shown, and where (twips, 15 to a
// pixel), from the global calibration switches: hidden columns leave no gap, everything to
// their right moves left.
#include <array>
#include <cstdint>
#include <string>

#include "common/tester_config.h"
#include "controller/vti_texts.h"

namespace tester {

// The grid's entry boxes, left to right: txtV, txtV2, txtV3, txtV4, txtI, txtT, txtIT, txtET.
enum VtiBox { kBoxV, kBoxV2, kBoxV3, kBoxV4, kBoxI, kBoxT, kBoxIT, kBoxET, kVtiBoxes };

// Design lefts of the boxes.
inline constexpr std::array<int, kVtiBoxes> kVtiBoxLeft = {1080, 1800, 2520, 3240,
                                                          4080, 4800, 5400, 6000};
inline constexpr int kVtiCurrentLeft = 4080;
inline constexpr int kVtiTempLeft = 4800;

// Bits of a row's temperature flags (nTempSensArr).
inline constexpr int kTempNoProbe = 1;        // no probe: the operator enters T directly
inline constexpr int kTempProbeInternal = 2;  // probe and the board's own sensor read
inline constexpr int kTempProbeExternal = 4;  // probe and the external sensor read
inline constexpr int kTempReferenced = 8;     // some station's probe names this station

// The global switches the layout follows (from global.ini).
struct VtiSwitches {
  int16_t VoltageCalEnabled = 0;
  int16_t CurrentCalEnabled = 0;
  int16_t TemperatureCalEnabled = 0;
  int16_t VoltageCalMode = 0;
  int16_t CellCount = 0;
};
VtiSwitches SwitchesOf(const TesterConfigProperties& global);

// LayoutColumns: how far the columns right of the voltage block move, the width the
// temperature block gives up, the sources the calibration instructions list and how much
// taller that makes the alert.
struct VtiColumns {
  int nColumnShift = 0;
  int temp_block_width = 0;
  std::string sCalSources;
  int alert_extra_height = 0;
};
VtiColumns LayoutColumns(const VtiSwitches& s);

// Headers and help lines (set by row 0).
struct VtiHeaders {
  bool volt_title_visible = true;
  std::string volt_title = kVtiVoltTitle;
  std::array<bool, 4> volt_visible = {true, true, true, true};
  std::array<std::string, 4> volt_caption = {kVtiVolt[0], kVtiVolt[1], kVtiVolt[2], kVtiVolt[3]};
  std::array<bool, 5> help_visible = {true, true, true, true, true};
  bool current_visible = true;
  int current_left = kVtiCurrentLeft;
  bool temp_visible = true;  // lblTempTitle and lblTemp
  int temp_left = kVtiTempLeft;
};

// One row's boxes.
struct VtiRowBoxes {
  std::array<bool, kVtiBoxes> visible{};
  std::array<int, kVtiBoxes> left = kVtiBoxLeft;
  bool bTempSensorRow = false;  // the row's sensors are some station's reference
};

// Moves the current and temperature headers by the shift (LayoutColumns, step 2).
void PlaceHeaders(const VtiColumns& columns, VtiHeaders& headers);
void ShowVoltageColumns(int row, const VtiSwitches& s, VtiRowBoxes& boxes, VtiHeaders& headers);
void ShowCurrentColumn(int row, const VtiSwitches& s, const VtiColumns& columns,
                       VtiRowBoxes& boxes, VtiHeaders& headers);
void ShowTemperatureColumns(int row, int flags, const VtiSwitches& s, const VtiColumns& columns,
                            VtiRowBoxes& boxes, VtiHeaders& headers);

}  // namespace tester
