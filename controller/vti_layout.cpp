#include "controller/vti_layout.h"

#include "controller/vti_texts.h"

namespace tester {
namespace {

constexpr int kShiftNoVoltage = 3000;  // the whole voltage block
constexpr int kVoltColumn = 720;       // one voltage, or the current, column
constexpr int kTempBlock = 1200;
constexpr int kAlertLine = 200;

}  // namespace

VtiSwitches SwitchesOf(const TesterConfigProperties& global) {
  return {global.VoltageCalEnabled, global.CurrentCalEnabled, global.TemperatureCalEnabled,
          global.VoltageCalMode, global.CellCount};
}

VtiColumns LayoutColumns(const VtiSwitches& s) {
  VtiColumns c;
  if (s.VoltageCalEnabled == 0) {
    c.nColumnShift = kShiftNoVoltage;
  } else if (s.VoltageCalMode == kVoltageCalTotal) {
    c.nColumnShift = 3 * kVoltColumn;
  } else {
    switch (s.CellCount) {
      case 1: c.nColumnShift = 3 * kVoltColumn; break;
      case 2: c.nColumnShift = 2 * kVoltColumn; break;
      case 3: c.nColumnShift = kVoltColumn; break;
      default: c.nColumnShift = 0; break;
    }
  }
  if (s.CurrentCalEnabled == 0) c.nColumnShift += kVoltColumn;
  c.temp_block_width = s.TemperatureCalEnabled == 0 ? kTempBlock : 0;
  if (s.VoltageCalEnabled == 1) {
    c.sCalSources += kVtiVoltageSource;
    c.alert_extra_height += kAlertLine;
  }
  if (s.CurrentCalEnabled == 1) {
    c.sCalSources += kVtiCurrentSource;
    c.alert_extra_height += kAlertLine;
  }
  return c;
}

void PlaceHeaders(const VtiColumns& columns, VtiHeaders& headers) {
  headers.current_left = kVtiCurrentLeft - columns.nColumnShift;
  headers.temp_left = kVtiTempLeft - columns.nColumnShift;
}

void ShowVoltageColumns(int row, const VtiSwitches& s, VtiRowBoxes& boxes, VtiHeaders& headers) {
  for (int b = kBoxV; b <= kBoxV4; ++b) boxes.visible[b] = false;
  const bool headers_too = row == 0;
  if (headers_too) {
    headers.volt_title_visible = false;
    headers.volt_visible.fill(false);
    headers.help_visible.fill(false);
  }
  if (s.VoltageCalEnabled != 1) return;
  if (headers_too) headers.volt_title_visible = true;
  if (s.VoltageCalMode == kVoltageCalTotal) {
    boxes.visible[kBoxV] = true;
    if (headers_too) {
      headers.volt_title = kVtiVoltTitleSingle;
      headers.volt_caption[0] = kVtiVoltTotal;
      headers.volt_visible[0] = true;
      headers.help_visible[0] = true;
    }
  } else if (s.VoltageCalMode == kVoltageCalPerTapStep ||
             s.VoltageCalMode == kVoltageCalPerTapInside) {
    const int n = s.CellCount;
    for (int k = 1; k <= n && k <= 4; ++k) {
      boxes.visible[kBoxV + k - 1] = true;
      if (headers_too) {
        headers.volt_visible[k - 1] = true;
        headers.help_visible[k] = true;
      }
    }
    if (headers_too && n == 1) headers.volt_title = kVtiVoltTitleSingle;
  }
}

void ShowCurrentColumn(int row, const VtiSwitches& s, const VtiColumns& columns,
                       VtiRowBoxes& boxes, VtiHeaders& headers) {
  boxes.visible[kBoxI] = s.CurrentCalEnabled != 0;
  boxes.left[kBoxI] = kVtiBoxLeft[kBoxI] - columns.nColumnShift;
  if (row == 0 && s.CurrentCalEnabled == 0) headers.current_visible = false;
}

void ShowTemperatureColumns(int row, int flags, const VtiSwitches& s, const VtiColumns& columns,
                            VtiRowBoxes& boxes, VtiHeaders& headers) {
  for (int b : {kBoxT, kBoxIT, kBoxET}) {
    boxes.visible[b] = false;
    boxes.left[b] = kVtiBoxLeft[b] - columns.nColumnShift;
  }
  if (s.TemperatureCalEnabled == 0) {
    if (row == 0) headers.temp_visible = false;
    return;
  }
  if (flags & kTempNoProbe) {
    boxes.visible[kBoxT] = true;
  } else if (flags & kTempReferenced) {
    if (flags & kTempProbeInternal) {
      boxes.visible[kBoxIT] = true;
      boxes.bTempSensorRow = true;
    }
    if (flags & kTempProbeExternal) {
      boxes.visible[kBoxET] = true;
      boxes.bTempSensorRow = true;
    }
  }
}

}  // namespace tester
