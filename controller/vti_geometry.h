#pragma once
// Where the VTI window's controls sit (twips, 15 to a pixel). The grid's column lefts come
// from the layout (vti_layout.h); this is the rest. The window is our own arrangement
// around the columns' given lefts: the grid in its frame on the left with the help lines
// under it, and on the right a block with the lock line, the read and apply buttons, the
// calibration-mode display, the note and "Update VTI & Close". The frame, the right block
// and the window's width follow the columns: they shrink by the column shift plus the
// temperature block width. Rows not in use are left out and the frame ends below the last.
#include <algorithm>

#include "controller/vti_layout.h"

namespace tester {

// Inside the frame (lefts as the layout gives them).
inline constexpr int kVtiFramePad = 90;  // from the frame's edge to column 0
inline constexpr int kVtiTitleTop = 120;
inline constexpr int kVtiTitleHeight = 450;  // room for a title on two lines
inline constexpr int kVtiSubTitleTop = 600;
inline constexpr int kVtiSubTitleHeight = 255;
inline constexpr int kVtiRowTop = 900;
inline constexpr int kVtiRowPitch = 345;
inline constexpr int kVtiBoxHeight = 300;
inline constexpr int kVtiStationWidth = 1000;
inline constexpr int kVtiVoltTitleWidth = 2880;
inline constexpr int kVtiCurrentTitleWidth = 720;
inline constexpr int kVtiTempTitleWidth = 2400;
inline constexpr int kVtiBoxWidth[kVtiBoxes] = {660, 660, 660, 660, 660, 555, 555, 555};

// The window.
inline constexpr int kVtiMargin = 120;
inline constexpr int kVtiFrameDesignWidth = 7320;
inline constexpr int kVtiHelpHeight = 240;
inline constexpr int kVtiRightDesignLeft = kVtiMargin + kVtiFrameDesignWidth + kVtiMargin;
inline constexpr int kVtiRightWidth = 3900;
inline constexpr int kVtiLockTop = 120;
inline constexpr int kVtiLineHeight = 285;
inline constexpr int kVtiReadTempTop = 540;
inline constexpr int kVtiApplyTop = 1080;
inline constexpr int kVtiButtonHeight = 420;
inline constexpr int kVtiApplyWidth = 1800;
inline constexpr int kVtiStationIdTop[2] = {2520, 2805};
inline constexpr int kVtiAlertTop = 2520;
inline constexpr int kVtiAlertHeight = 1200;  // before the lines LayoutColumns adds
inline constexpr int kVtiNoteTop = 4440;
inline constexpr int kVtiNoteHeight = 600;
inline constexpr int kVtiUpdCloseTop = 5160;
inline constexpr int kVtiUpdCloseWidth = 2400;

inline int VtiRowTop(int row) { return kVtiRowTop + row * kVtiRowPitch; }
inline int VtiMovedBy(const VtiColumns& c) { return c.nColumnShift + c.temp_block_width; }
inline int VtiFrameWidth(const VtiColumns& c) { return kVtiFrameDesignWidth - VtiMovedBy(c); }
inline int VtiFrameHeight(int rows) { return VtiRowTop(rows) + kVtiMargin; }
inline int VtiRightLeft(const VtiColumns& c) { return kVtiRightDesignLeft - VtiMovedBy(c); }
inline int VtiWindowWidth(const VtiColumns& c) {
  return VtiRightLeft(c) + kVtiRightWidth + kVtiMargin;
}
// Below the frame: the shown help lines one under the other.
inline int VtiHelpTop(int rows, int shown_before) {
  return kVtiMargin + VtiFrameHeight(rows) + kVtiMargin / 2 + shown_before * kVtiHelpHeight;
}
inline int VtiWindowHeight(int rows, int help_lines) {
  return std::max(VtiHelpTop(rows, help_lines), kVtiUpdCloseTop + kVtiButtonHeight) +
         kVtiMargin;
}

}  // namespace tester
