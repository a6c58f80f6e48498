#pragma once
// Where a gauge keeps its calibration coefficients in data flash, in each of its layouts,
// and the coefficients read from there in the units the readings use. Layouts (docs/
// jig-file.md, "Calibration physics"):
// - host: the fields the tester computes and writes at the absolute data-flash address
//   `host_address`, by command set (2, 5, others);
// - gauge: class 104 as the gauge-assisted calibration leaves it (K factors per tap);
// - register: class 104 of the register-style gauges (32 bytes).
#include <array>
#include <cstdint>
#include <span>

#include "sim/gauge_memory.h"
#include "sim/jig.h"
#include "sim/pack_physics.h"

namespace tester {

inline constexpr int kSimCalClassId = 104;         // calibration class of the gauge
inline constexpr int kSimExtSensorClassId = 64;    // register-style gauges: sensor flags
inline constexpr int kSimSampleCountAt = 99;       // CC-offset sample count (host and gauge)
inline constexpr uint16_t kSimKFactorOverride = 0x9669;  // override pattern: no board offset
inline constexpr int kSimTempSelectAddress = 557;  // temperature source byte (families 0, 5)
inline constexpr int kRegFlagsClassAddress = 0x0260;  // where class 64 goes when missing
inline constexpr int kRegFlagsClassBytes = 32;

// Gauge layout offsets inside class 104.
inline constexpr int kGaugeCcGainAt = 0;     // DFFloat, mA per count
inline constexpr int kGaugeCcDeltaAt = 4;    // DFFloat
inline constexpr int kGaugeKFactorAt = 8;    // 4 big-endian words, taps 1..4
inline constexpr int kGaugeTempAt = 17;      // signed bytes, 0.1 K: internal, TS1, TS2
inline constexpr int kGaugeCcOffsetAt = 22;  // big-endian, CC offset x sample count

// Register layout offsets inside class 104.
inline constexpr int kRegCcGainAt = 0;        // DFFloat, mA per count
inline constexpr int kRegCcDeltaAt = 4;       // DFFloat
inline constexpr int kRegCcOffsetAt = 8;      // big-endian, CC offset x 16
inline constexpr int kRegBoardOffsetAt = 10;  // unsigned byte, board offset x 16 (0..255)
inline constexpr int kRegTempAt = 11;         // signed bytes: internal, external
inline constexpr int kRegVoltOffsetAt = 13;   // signed byte, mV (family 7)
inline constexpr int kRegVoltGainAt = 14;     // big-endian, 16384 nominal (family 6)
inline constexpr int kSimNominalRegVoltGain = 16384;

// The layout a pack's gauge reads its coefficients from.
CalLayout ResolveCalLayout(const PackDescription& pack);
// Absolute data-flash address of the host layout.
int HostCalAddress(const PackDescription& pack);
// Data-flash address of class `id` (-1 when the pack has no such class).
int ClassAddress(const PackDescription& pack, int id);

// Field offsets of the host layout (relative to its address; -1 = not stored).
struct HostFields {
  int cc_gain = 12;
  int cc_delta = 16;
  std::array<int, 4> cell_gain{0, 2, 4, 6};
  bool cell_offset_byte = false;  // command set 5: one signed offset byte in mV
  int pack_gain = 10;
  int cc_offset = 20;
  int board_offset = 24;
  std::array<int, 5> temp{26, 27, 28, 29, 30};
};
HostFields HostFieldsFor(int family);

// Coefficients in the units the readings use.
struct CalCoefficients {
  std::array<double, 4> tap_mv_per_count{};  // tap j mV = counts of cells 0..j x this
  bool cell_offsets = false;                 // family 5 / 7: cell mV = raw mV + offset
  double cell_offset_mv = 0.0;
  double pack_mv_per_count = 0.0;            // 0: the pack reads as the top tap
  double cc_gain = 0.0;                      // mA per count
  double cc_offset_counts = 0.0;             // CC plus board offset, per conversion
  std::array<double, 5> temp_offset_tenths{};
};

CalCoefficients ReadCoefficients(const PackDescription& pack, std::span<const uint8_t> flash);

// Adds the classes the pack's calibration needs and its description lacks (register-style
// gauges: class 64 of sensor flags at 0x0260, 32 bytes).
void AddCalClasses(PackDescription& pack);

// Writes nominal coefficients of the pack's layout (and, for register-style gauges, the
// external-sensor flag) into `memory`.
void StoreNominalCalibration(const PackDescription& pack, GaugeMemory& memory);

// The gauge's 4-byte float: exponent + 128, then sign bit and 23 mantissa bits.
double DecodeGaugeFloat(std::span<const uint8_t> bytes);
std::array<uint8_t, 4> EncodeGaugeFloat(double x);

// Big-endian words and floats in data flash.
int ReadWordBE(std::span<const uint8_t> flash, int at);
void StoreWordBE(GaugeMemory& memory, int at, int value);
void StoreFloat(GaugeMemory& memory, int at, double x);
void StoreByte(GaugeMemory& memory, int at, int value);

}  // namespace tester
