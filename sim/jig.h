#pragma once
// Description of a virtual jig: its adapters and, per adapter, the queue of packs that
// come onto the station one after another. Written by hand in the jig file format
// (docs/jig-file.md) and parsed by ParseJigText / ParseJigFile.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/class_table.h"

namespace tester {

// Bytes written into the data flash or an instruction row at a given offset.
struct BytePatch {
  int offset = 0;
  std::vector<uint8_t> bytes;
};

// How the pack's data flash is filled before any patches are applied.
struct DataFlashRule {
  // 0 = every byte erased (0xFF); otherwise a seeded pattern over the model's span.
  uint32_t seed = 0;
  // Rows (of the model's row size) left erased by the pattern.
  std::vector<int> blank_rows;
  std::vector<BytePatch> patches;
};

// Timings of flash operations and mode changes, in milliseconds.
struct GaugeTimings {
  int row_erase_ms = 10;     // erase of instruction row 0
  int mass_erase_ms = 200;   // erase of the whole data flash
  int row_program_ms = 2;    // program one data-flash or instruction row
  int checksum_ms = 2;       // register loader's data-flash checksum computation
  int rom_startup_ms = 0;    // register loader silent after ROM entry from 0xAA
  int commit_ms = 20;        // gauge-mode data-flash block commit (register-style gauge)
};

// Which data-flash layout of calibration coefficients the gauge reads its readings through.
enum class CalLayout {
  kByFamily,  // families 2, 5: host; 6, 7: register; every other family: gauge-assisted
  kHost,      // coefficients the tester computes, at the absolute address `host_address`
  kGauge,     // coefficients the gauge computes itself, in data-flash class 104
  kRegister,  // register-style gauges: class 104, 32 bytes
};

// Hidden physical truth of a pack, for calibration work: what the gauge measures
// before calibration, against which a correct calibration is judged (docs/jig-file.md,
// "Calibration physics"). Also how the pack's gauge behaves while it is calibrated.
struct TrueValues {
  std::vector<double> cell_mv;          // true cell voltages (empty: 3 cells of 3700 mV)
  std::vector<double> cell_gain_error;  // measured = true * (1 + error), per cell
  double pack_gain_error = 0.0;         // pack (VBAT) input: measured = true * (1 + error)
  double sense_mohm = 10.0;             // sense resistor
  double cc_offset_uv = 0.0;            // coulomb-counter offset inside the gauge
  double board_offset_uv = 0.0;         // offset of the pack's board at the sense input
  std::vector<double> temp_error_c;     // internal, TS1, TS2, TS3, TS4: reading - truth

  CalLayout cal_layout = CalLayout::kByFamily;
  int host_address = -1;       // host layout's data-flash address (-1: 64 family 2, 104
                               // family 5, 96 otherwise)
  int board_offset_at = 20;    // gauge layout: class offset of the board-offset word
  int nominal_cal = -1;        // write nominal coefficients at build (-1: when df_seed != 0)
  bool counter_frozen = false; // calibration sample counter never advances
  uint16_t step_error = 0;     // gauge-assisted steps end with this error word (0: none)
  int step_ms = 1500;          // a gauge-assisted step or register CC-offset step runs this long
  bool ext_sensor = true;      // register-style gauge: external sensor fitted (class 64 flag)
};

// Defects a pack can carry; each shows on the bus as documented in docs/jig-file.md.
struct PackDefects {
  int fail_at = 0;            // the Nth transfer to the gauge fails (1-based; 0 = never)
  int fail_from = 0;          // every transfer to the gauge from the Nth on fails
  bool unresponsive = false;  // the gauge never acknowledges its address
  bool bus_stuck = false;     // BusStatus stays nonzero after the first write
  bool identity_mismatch = false;  // firmware identity differs from the reference pack's
  std::vector<int> bad_rows;  // data-flash rows that fail to program
  bool bad_checksum = false;  // the loaders report a data-flash checksum one too high
  bool readback_corrupt = false;  // a gauge-mode write stores one byte altered
  bool permanent_failure = false; // safety status reports a permanent failure
  bool monowire_refused = false;  // the register loader refuses the Monowire switch
};

// The gauge of one pack: its model (family, identity, memory, timings) plus truth and defects.
struct PackDescription {
  std::string label;
  int line = 0;                    // line of the jig text where the pack starts
  int family = 1;                  // command-set family (COMMANDSET)
  uint16_t device_type = 0x0800;
  uint16_t firmware = 0x0102;      // high byte major, low byte minor
  uint32_t identity = 0x010203;    // firmware identity, bytes 48..50 of instruction row 0
  bool old_firmware = false;       // identity only through block read 0x23
  uint8_t mac_cmd = 0x00;          // manufacturer-access command / register
  uint8_t rom_cmd = 0x00;          // ROM-entry command / register
  uint16_t rom_word = 0x0F00;      // ROM-entry word
  int row_size = 32;               // data-flash row of the loaders
  int checksum_span = 2016;        // SMBus loader checksum covers bytes 0 .. span - 1
  int image_span = 1792;           // register loader checksum covers bytes 0 .. span - 1
  GaugeTimings timings;
  DataFlashRule data_flash;
  uint32_t irow_seed = 0;          // instruction rows pattern (0 = derived from identity)
  std::vector<BytePatch> irow_patches[2];
  ClassTable classes = DefaultClassTable();
  TrueValues truth;
  PackDefects defects;
};

// How far one of the board's temperature sensors reads from the true temperature.
struct SensorError {
  uint8_t addr = 0;      // bus address of the sensor
  double error_c = 0.0;  // reading = ambient + error, degC
};

struct AdapterDescription {
  std::string identifier;          // 32 upper-case hexadecimal digits
  int line = 0;
  // Identifier the adapter carries in its memory until one is written (empty: `identifier`);
  // lets two adapters of a jig carry the same one, as two factory-fresh adapters do.
  std::string stored_id;
  // Adapter firmware version, major x 1000 + minor x 100 + revision (3.2 = 3200).
  int32_t firmware = 3200;
  bool cal_board = true;           // calibration board fitted
  bool advanced_board = false;     // board sensor at 0x92 instead of 0x94
  // Temperature sensors that answer. Unless the jig names them, the external probe 0x90
  // and the board's own sensor (0x94, or 0x92 on an advanced board).
  std::vector<uint8_t> sensors = {0x90, 0x94};
  bool sensors_named = false;      // `sensors` came from the jig, `advanced` leaves it alone
  double ambient_c = 25.0;         // temperature the sensors and the pack see
  std::vector<SensorError> sensor_errors;
  // Reference source the board switches onto the cell taps (supply relay), cumulative:
  // tap 1 = cell 1, tap 2 = cells 1..2, and so on.
  std::array<double, 4> ref_tap_mv = {3700.0, 7400.0, 11100.0, 14800.0};
  double ref_current_ma = 2000.0;  // the load draws this from the pack (load relay)
  std::vector<PackDescription> packs;  // queue: packs[0] is on the station first
};

struct JigDescription {
  std::vector<AdapterDescription> adapters;
};

// Parses jig text. On failure returns nothing and sets `error` to "line N: what is wrong".
std::optional<JigDescription> ParseJigText(const std::string& text, std::string& error);
// Reads and parses a jig file; a file that cannot be read is an error naming the path.
std::optional<JigDescription> ParseJigFile(const std::string& path, std::string& error);

}  // namespace tester
