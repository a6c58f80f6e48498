#include "sim/default_jig.h"

namespace tester {

const std::string& DefaultJigText() {
  static const std::string text = R"(# Built-in virtual jig: four stations, one per gauge
# family of the demo targets.
# The first pack of each queue is the reference gauge the demo golden image is read from.
#
# SMBus-loader packs erase their data flash in 40 ms: the programming sequence polls the
# loader 100 times back to back (about 45 ms of wire time) after a mass erase.

[adapter 3F2A9C41D07B4E8895A1C6E2B0F47D01]
cal_board = yes
sensors = 0x90 0x94

[pack reference 800.1.02]
family = 1
device_type = 0x0800
firmware = 0x0102
identity = 0x08A102
df_seed = 800102
df_blank_rows = 7 20-22 41 56-62
mass_erase_ms = 40
true_cell_mv = 3702.5 3698.1 3705.0
true_cell_gain_error = 0.0012 -0.0008 0.0005
true_sense_mohm = 10.04
true_cc_offset_uv = 3.5
true_temp_error_c = 0.4 -0.8

[pack production-1 800.1.02]
family = 1
device_type = 0x0800
firmware = 0x0102
identity = 0x08A102
df_seed = 17
mass_erase_ms = 40
true_cell_mv = 3690.0 3695.2 3688.7
true_cell_gain_error = -0.0010 0.0006 0.0011
true_sense_mohm = 9.97
true_cc_offset_uv = -2.1
true_temp_error_c = -0.3 0.6

[pack production-2 800.1.02]
family = 1
device_type = 0x0800
firmware = 0x0102
identity = 0x08A102
df_seed = 18
mass_erase_ms = 40
true_cell_mv = 3710.4 3708.8 3712.1
true_cell_gain_error = 0.0003 0.0009 -0.0004
true_sense_mohm = 10.01
true_cc_offset_uv = 1.2
true_temp_error_c = 0.1 -0.4

[adapter 8C5D17E2A46B09F3D1E07C2B95A4E610]
cal_board = yes
sensors = 0x90 0x94

[pack reference 450.2.01]
family = 5
device_type = 0x0450
firmware = 0x0201
identity = 0x045201
df_seed = 450201
df_blank_rows = 3 18-19 33 50-55
true_cell_mv = 3801.0 3799.4
true_cell_gain_error = 0.0007 -0.0012
true_sense_mohm = 5.02
true_cc_offset_uv = 2.4
true_board_offset_uv = 9.5
true_temp_error_c = 0.2 -0.7

[pack production 450.2.01]
family = 5
device_type = 0x0450
firmware = 0x0201
identity = 0x045201
df_seed = 31
true_cell_mv = 3795.5 3803.2
true_cell_gain_error = -0.0005 0.0010
true_sense_mohm = 4.98
true_cc_offset_uv = -1.7
true_board_offset_uv = -6.2
true_temp_error_c = -0.5 0.4

[adapter 51B0E8D3C7264AF98E1D5A0C3B72F944]
cal_board = yes
sensors = 0x90 0x94

[pack reference 100.1.09]
family = 7
device_type = 0x0100
firmware = 0x0109
identity = 0x01C109
df_seed = 100109
df_blank_rows = 9 24-26 47 52-55
rom_startup_ms = 20
true_cell_mv = 3650.0
true_cell_gain_error = 0.0015
true_sense_mohm = 20.05
true_cc_offset_uv = 4.0
true_temp_error_c = 0.6 -0.9

[pack production 100.1.09]
family = 7
device_type = 0x0100
firmware = 0x0109
identity = 0x01C109
df_seed = 47
rom_startup_ms = 20
true_cell_mv = 3662.3
true_cell_gain_error = -0.0009
true_sense_mohm = 19.96
true_cc_offset_uv = -3.3
true_temp_error_c = 0.2 0.5

[adapter D4E7A2C90B1F48365AC3E0917B2D8F5C]
cal_board = yes
advanced = yes
sensors = 0x90 0x92

[pack reference 700.1.05]
family = 2
device_type = 0x0700
firmware = 0x0105
identity = 0x07B105
df_seed = 700105
df_blank_rows = 5 12-15 30 60-62
mass_erase_ms = 40
true_cell_mv = 4001.2 3999.0 4003.5 3998.7
true_cell_gain_error = 0.0004 -0.0006 0.0010 -0.0002
true_sense_mohm = 2.51
true_cc_offset_uv = 1.9
true_board_offset_uv = 4.8
true_temp_error_c = -0.2 0.8

[pack production 700.1.05]
family = 2
device_type = 0x0700
firmware = 0x0105
identity = 0x07B105
df_seed = 59
mass_erase_ms = 40
true_cell_mv = 3995.3 4002.6 3997.1 4000.4
true_cell_gain_error = -0.0011 0.0002 0.0007 0.0004
true_sense_mohm = 2.49
true_cc_offset_uv = -0.8
true_board_offset_uv = -3.1
true_temp_error_c = 0.3 -0.6
)";
  return text;
}

}  // namespace tester
