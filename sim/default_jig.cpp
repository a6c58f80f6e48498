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

[pack production-3 800.1.02]
family = 1
device_type = 0x0800
firmware = 0x0102
identity = 0x08A102
df_seed = 19
mass_erase_ms = 40
true_cell_mv = 3695.8 3701.3 3699.0
true_cell_gain_error = 0.0008 -0.0011 0.0002
true_sense_mohm = 10.03
true_cc_offset_uv = 2.7
true_temp_error_c = -0.2 0.3

# Built with the next firmware: the station expects 1.02 and must refuse it.
[pack wrong-firmware 800.1.03]
family = 1
device_type = 0x0800
firmware = 0x0103
identity = 0x08A103
df_seed = 20
mass_erase_ms = 40
true_cell_mv = 3699.4 3703.9 3696.2
true_cell_gain_error = -0.0004 0.0007 -0.0009
true_sense_mohm = 9.99
true_cc_offset_uv = -1.4
true_temp_error_c = 0.5 -0.2

[pack production-4 800.1.02]
family = 1
device_type = 0x0800
firmware = 0x0102
identity = 0x08A102
df_seed = 21
mass_erase_ms = 40
true_cell_mv = 3704.6 3693.7 3700.8
true_cell_gain_error = 0.0010 0.0004 -0.0006
true_sense_mohm = 10.06
true_cc_offset_uv = 0.8
true_temp_error_c = -0.6 -0.1

# Fitted with an 11.5 mOhm sense resistor instead of 10: 15 % off.
[pack sense-11m5 800.1.02]
family = 1
device_type = 0x0800
firmware = 0x0102
identity = 0x08A102
df_seed = 22
mass_erase_ms = 40
true_cell_mv = 3697.3 3702.0 3694.5
true_cell_gain_error = 0.0005 -0.0003 0.0008
true_sense_mohm = 11.5
true_cc_offset_uv = 1.6
true_temp_error_c = 0.2 0.7

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

[pack production-2 450.2.01]
family = 5
device_type = 0x0450
firmware = 0x0201
identity = 0x045201
df_seed = 32
true_cell_mv = 3806.1 3797.8
true_cell_gain_error = 0.0009 -0.0003
true_sense_mohm = 5.03
true_cc_offset_uv = 1.1
true_board_offset_uv = 4.3
true_temp_error_c = 0.3 -0.2

# Data-flash row 12 does not take the bits programmed into it.
[pack bad-row-12 450.2.01]
family = 5
device_type = 0x0450
firmware = 0x0201
identity = 0x045201
df_seed = 33
bad_rows = 12
true_cell_mv = 3798.9 3802.4
true_cell_gain_error = -0.0007 0.0004
true_sense_mohm = 4.99
true_cc_offset_uv = -2.2
true_board_offset_uv = 7.0
true_temp_error_c = -0.4 0.1

[pack production-3 450.2.01]
family = 5
device_type = 0x0450
firmware = 0x0201
identity = 0x045201
df_seed = 34
true_cell_mv = 3793.2 3800.6
true_cell_gain_error = 0.0002 0.0011
true_sense_mohm = 5.01
true_cc_offset_uv = 0.6
true_board_offset_uv = -8.4
true_temp_error_c = 0.6 -0.5

[pack production-4 450.2.01]
family = 5
device_type = 0x0450
firmware = 0x0201
identity = 0x045201
df_seed = 35
true_cell_mv = 3802.7 3796.0
true_cell_gain_error = -0.0010 -0.0006
true_sense_mohm = 4.97
true_cc_offset_uv = -0.9
true_board_offset_uv = 2.7
true_temp_error_c = -0.1 0.4

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

[pack production-2 100.1.09]
family = 7
device_type = 0x0100
firmware = 0x0109
identity = 0x01C109
df_seed = 48
rom_startup_ms = 20
true_cell_mv = 3655.8
true_cell_gain_error = 0.0006
true_sense_mohm = 20.02
true_cc_offset_uv = 2.1
true_temp_error_c = -0.4 0.3

# The gauge never acknowledges its address (a cold solder joint on the clock line).
[pack unresponsive 100.1.09]
family = 7
device_type = 0x0100
firmware = 0x0109
identity = 0x01C109
df_seed = 49
rom_startup_ms = 20
unresponsive = yes
true_cell_mv = 3648.1
true_cell_gain_error = -0.0004
true_sense_mohm = 19.98
true_cc_offset_uv = 1.5
true_temp_error_c = 0.1 -0.6

[pack production-3 100.1.09]
family = 7
device_type = 0x0100
firmware = 0x0109
identity = 0x01C109
df_seed = 50
rom_startup_ms = 20
true_cell_mv = 3659.4
true_cell_gain_error = 0.0011
true_sense_mohm = 20.07
true_cc_offset_uv = -1.8
true_temp_error_c = 0.4 0.2

[pack production-4 100.1.09]
family = 7
device_type = 0x0100
firmware = 0x0109
identity = 0x01C109
df_seed = 51
rom_startup_ms = 20
true_cell_mv = 3651.2
true_cell_gain_error = -0.0012
true_sense_mohm = 19.94
true_cc_offset_uv = 0.9
true_temp_error_c = -0.7 -0.3

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
[pack production-2 700.1.05]
family = 2
device_type = 0x0700
firmware = 0x0105
identity = 0x07B105
df_seed = 60
mass_erase_ms = 40
true_cell_mv = 4003.8 3998.1 4000.9 4002.2
true_cell_gain_error = 0.0006 -0.0009 0.0003 0.0008
true_sense_mohm = 2.52
true_cc_offset_uv = 1.3
true_board_offset_uv = 2.6
true_temp_error_c = -0.3 0.5

# Fitted with a 3.8 mOhm sense resistor instead of 2.5.
[pack sense-3m8 700.1.05]
family = 2
device_type = 0x0700
firmware = 0x0105
identity = 0x07B105
df_seed = 61
mass_erase_ms = 40
true_cell_mv = 3997.6 4001.5 3999.3 4004.0
true_cell_gain_error = -0.0002 0.0005 -0.0007 0.0001
true_sense_mohm = 3.8
true_cc_offset_uv = -1.2
true_board_offset_uv = 3.9
true_temp_error_c = 0.2 -0.4

[pack production-3 700.1.05]
family = 2
device_type = 0x0700
firmware = 0x0105
identity = 0x07B105
df_seed = 62
mass_erase_ms = 40
true_cell_mv = 4000.1 3996.4 4002.8 3999.5
true_cell_gain_error = 0.0009 0.0001 -0.0004 -0.0010
true_sense_mohm = 2.48
true_cc_offset_uv = 0.5
true_board_offset_uv = -5.2
true_temp_error_c = 0.6 0.1

[pack production-4 700.1.05]
family = 2
device_type = 0x0700
firmware = 0x0105
identity = 0x07B105
df_seed = 63
mass_erase_ms = 40
true_cell_mv = 3996.9 4004.3 3998.2 4001.7
true_cell_gain_error = -0.0008 0.0010 0.0002 -0.0003
true_sense_mohm = 2.50
true_cc_offset_uv = -2.0
true_board_offset_uv = 1.7
true_temp_error_c = -0.5 -0.7
)";
  return text;
}

}  // namespace tester
