// The grid's columns: which boxes and headers the calibration switches show, and that the
// columns to the right of hidden ones close up.
#include <gtest/gtest.h>

#include "controller/vti_flags.h"
#include "controller/vti_geometry.h"
#include "controller/vti_layout.h"

namespace tester {
namespace {

struct Laid {
  VtiColumns columns;
  VtiHeaders headers;
  VtiRowBoxes row;
};

Laid Lay(VtiSwitches s, int flags = kTempNoProbe) {
  Laid l;
  l.columns = LayoutColumns(s);
  PlaceHeaders(l.columns, l.headers);
  ShowVoltageColumns(0, s, l.row, l.headers);
  ShowCurrentColumn(0, s, l.columns, l.row, l.headers);
  ShowTemperatureColumns(0, flags, s, l.columns, l.row, l.headers);
  return l;
}

std::vector<bool> VoltageBoxes(const Laid& l) {
  return {l.row.visible[kBoxV], l.row.visible[kBoxV2], l.row.visible[kBoxV3],
          l.row.visible[kBoxV4]};
}

TEST(VtiLayout, VoltageCalibrationOffMovesEverythingByTheWholeBlock) {
  const Laid l = Lay({0, 1, 1, 1, 4});
  EXPECT_EQ(l.columns.nColumnShift, 3000);
  EXPECT_EQ(VoltageBoxes(l), (std::vector<bool>{false, false, false, false}));
  EXPECT_FALSE(l.headers.volt_title_visible);
  EXPECT_EQ(l.headers.help_visible, (std::array<bool, 5>{}));
  EXPECT_EQ(VtiRightLeft(l.columns), kVtiRightDesignLeft - 3000);
  EXPECT_EQ(l.columns.sCalSources, "\n    Current Source.");
  EXPECT_EQ(l.columns.alert_extra_height, 200);
}

TEST(VtiLayout, ModeZeroShowsOneTotalColumn) {
  const Laid l = Lay({1, 1, 1, 0, 4});
  EXPECT_EQ(l.columns.nColumnShift, 2160);
  EXPECT_EQ(VoltageBoxes(l), (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(l.headers.volt_title, "V(mV)");
  EXPECT_EQ(l.headers.volt_caption[0], "VTotal");
  EXPECT_EQ(l.headers.volt_visible, (std::array<bool, 4>{true, false, false, false}));
  EXPECT_EQ(l.headers.help_visible, (std::array<bool, 5>{true, false, false, false, false}));
}

TEST(VtiLayout, PerTapModesShowOneColumnPerCell) {
  Laid l = Lay({1, 1, 1, 1, 3});
  EXPECT_EQ(l.columns.nColumnShift, 720);
  EXPECT_EQ(VoltageBoxes(l), (std::vector<bool>{true, true, true, false}));
  EXPECT_EQ(l.headers.volt_title, "Voltage (mv)");
  EXPECT_EQ(l.headers.volt_caption[2], "VT3");
  EXPECT_EQ(l.headers.help_visible, (std::array<bool, 5>{false, true, true, true, false}));
  l = Lay({1, 1, 1, 2, 1});
  EXPECT_EQ(l.headers.volt_title, "V(mV)");
  EXPECT_EQ(l.columns.nColumnShift, 2160);
  EXPECT_EQ(Lay({1, 1, 1, 2, 4}).columns.nColumnShift, 0);
  EXPECT_EQ(l.columns.sCalSources, "\n    Voltage Source.\n    Current Source.");
  EXPECT_EQ(l.columns.alert_extra_height, 400);
}

TEST(VtiLayout, CurrentAndTemperatureOff) {
  Laid l = Lay({1, 0, 0, 1, 4});
  EXPECT_EQ(l.columns.nColumnShift, 720);
  EXPECT_FALSE(l.row.visible[kBoxI]);
  EXPECT_FALSE(l.headers.current_visible);
  EXPECT_EQ(l.columns.sCalSources, "\n    Voltage Source.");
  EXPECT_EQ(l.columns.temp_block_width, 1200);
  EXPECT_FALSE(l.headers.temp_visible);
  EXPECT_FALSE(l.row.visible[kBoxT]);
  EXPECT_EQ(VtiFrameWidth(l.columns), kVtiFrameDesignWidth - 720 - 1200);
}

// Over every switch setting: the first shown column starts at the voltage block's left,
// the current column right after the last voltage column, the temperature block right
// after the current column: never a gap where a hidden column was.
TEST(VtiLayout, ShownColumnsCloseUpForEverySetting) {
  for (int16_t voltage : {0, 1})
    for (int16_t mode : {0, 1, 2})
      for (int16_t cells : {1, 2, 3, 4})
        for (int16_t current : {0, 1}) {
          const Laid l = Lay({voltage, current, 1, mode, cells});
          int next = 1080;
          for (int b = kBoxV; b <= kBoxV4; ++b) {
            if (!l.row.visible[b]) continue;
            EXPECT_EQ(l.row.left[b], next);
            next += 720;
          }
          if (next > 1080) next += 120;
          if (current) {
            EXPECT_EQ(l.row.left[kBoxI], next);
            next += 720;
          }
          EXPECT_EQ(l.row.left[kBoxT], next)
              << voltage << " " << mode << " " << cells << " " << current;
          EXPECT_EQ(l.headers.temp_left, next);
          EXPECT_EQ(l.headers.current_left, l.row.left[kBoxI]);
        }
}

TEST(VtiLayout, TemperatureBoxesFollowTheRowsProbes) {
  std::vector<VtiStation> stations(4);
  stations[0] = {0, "Bay0", "", true, false, "IBay0", nullptr};   // tracks its own board
  stations[1] = {1, "Bay1", "", false, false, "", nullptr};       // no probe
  stations[2] = {2, "Bay2", "", true, true, "EBay3", nullptr};    // nobody names Bay2
  stations[3] = {3, "Bay3", "", false, true, "", nullptr};
  const VtiFlags flags = BuildTempSensorFlags(stations);
  EXPECT_EQ(flags[0], kTempProbeInternal | kTempReferenced);
  EXPECT_EQ(flags[1], kTempNoProbe);
  EXPECT_EQ(flags[2], kTempProbeInternal | kTempProbeExternal);
  EXPECT_EQ(flags[3], kTempNoProbe | kTempReferenced);

  const VtiSwitches s{1, 1, 1, 1, 4};
  Laid own = Lay(s, flags[0]);
  EXPECT_TRUE(own.row.visible[kBoxIT]);
  EXPECT_FALSE(own.row.visible[kBoxT]);
  EXPECT_FALSE(own.row.visible[kBoxET]);
  EXPECT_TRUE(own.row.bTempSensorRow);
  Laid none = Lay(s, flags[1]);
  EXPECT_TRUE(none.row.visible[kBoxT]);
  EXPECT_FALSE(none.row.bTempSensorRow);
  Laid unnamed = Lay(s, flags[2]);
  EXPECT_FALSE(unnamed.row.visible[kBoxT] || unnamed.row.visible[kBoxIT] ||
               unnamed.row.visible[kBoxET]);
  // The no-probe bit wins: a referenced row without a probe of its own enters T only.
  EXPECT_FALSE(Lay(s, flags[3]).row.bTempSensorRow);
}

}  // namespace
}  // namespace tester
