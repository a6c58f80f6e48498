#include "sim/cal_layout.h"

#include <algorithm>
#include <cmath>

#include "common/rounding.h"

namespace tester {
namespace {

constexpr double kSmbusDeltaFactor = 298261.6178;   // CC delta per unit of CC gain
constexpr double kSet5DeltaFactor = 1193046.4711;   // the same for family 5 and 6, 7
constexpr double kNominalSenseMohm = 10.0;          // sense resistor the nominal gain assumes
constexpr int kExtSensorFlagByte = 1;               // byte 1 bit 0: external sensor fitted
constexpr uint8_t kExtSensorFlag = 0x01;
constexpr double kTwo24 = 16777216.0;

int SignedByte(std::span<const uint8_t> flash, int at) {
  if (at < 0 || at >= static_cast<int>(flash.size())) return 0;
  return static_cast<int8_t>(flash[at]);
}

int UnsignedByte(std::span<const uint8_t> flash, int at) {
  if (at < 0 || at >= static_cast<int>(flash.size())) return 0;
  return flash[at];
}

int SignedWord(std::span<const uint8_t> flash, int at) {
  return static_cast<int16_t>(static_cast<uint16_t>(ReadWordBE(flash, at)));
}

double FloatAt(std::span<const uint8_t> flash, int at) {
  if (at < 0 || at + 4 > static_cast<int>(flash.size())) return 0.0;
  return DecodeGaugeFloat(flash.subspan(at, 4));
}

double OffsetCounts(int total, int samples) {
  return samples > 0 ? static_cast<double>(total) / samples : 0.0;
}

CalCoefficients ReadHost(const PackDescription& pack, std::span<const uint8_t> flash) {
  const int base = HostCalAddress(pack);
  const HostFields f = HostFieldsFor(pack.family);
  CalCoefficients c;
  c.cc_gain = FloatAt(flash, base + f.cc_gain);
  int total = SignedWord(flash, base + f.cc_offset) + SignedWord(flash, base + f.board_offset);
  c.cc_offset_counts = OffsetCounts(total, SignedWord(flash, base + kSimSampleCountAt));
  if (f.cell_offset_byte) {
    c.cell_offsets = true;
    c.cell_offset_mv = SignedByte(flash, base + f.cell_gain[0]);
    c.tap_mv_per_count.fill(1.0 / kSimCellCountsPerMv);
  } else {
    for (int j = 0; j < kSimTaps; ++j) {
      c.tap_mv_per_count[j] = SignedWord(flash, base + f.cell_gain[j]) / 65536.0;
    }
  }
  if (f.pack_gain >= 0) c.pack_mv_per_count = ReadWordBE(flash, base + f.pack_gain) / 65536.0;
  for (int k = 0; k < kSimSensors; ++k) {
    if (f.temp[k] >= 0) c.temp_offset_tenths[k] = SignedByte(flash, base + f.temp[k]);
  }
  return c;
}

CalCoefficients ReadGauge(const PackDescription& pack, std::span<const uint8_t> flash) {
  const int base = ClassAddress(pack, kSimCalClassId);
  CalCoefficients c;
  if (base < 0) return c;
  c.cc_gain = FloatAt(flash, base + kGaugeCcGainAt);
  const int at = base + pack.truth.board_offset_at;
  int board = ReadWordBE(flash, at) == kSimKFactorOverride ? 0 : SignedWord(flash, at);
  int total = SignedWord(flash, base + kGaugeCcOffsetAt) + board;
  c.cc_offset_counts = OffsetCounts(total, SignedWord(flash, base + kSimSampleCountAt));
  for (int j = 0; j < kSimTaps; ++j) {
    c.tap_mv_per_count[j] = ReadWordBE(flash, base + kGaugeKFactorAt + 2 * j) / kSimKFactorScale;
  }
  for (int k = 0; k < 3; ++k) c.temp_offset_tenths[k] = SignedByte(flash, base + kGaugeTempAt + k);
  return c;
}

CalCoefficients ReadRegister(const PackDescription& pack, std::span<const uint8_t> flash) {
  const int base = ClassAddress(pack, kSimCalClassId);
  CalCoefficients c;
  if (base < 0) return c;
  c.cc_gain = FloatAt(flash, base + kRegCcGainAt);
  int total = SignedWord(flash, base + kRegCcOffsetAt) +
              UnsignedByte(flash, base + kRegBoardOffsetAt);
  c.cc_offset_counts = OffsetCounts(total, kSimRegOffsetSamples);
  if (pack.family == 7) {
    c.cell_offsets = true;
    c.cell_offset_mv = SignedByte(flash, base + kRegVoltOffsetAt);
    c.tap_mv_per_count.fill(1.0 / kSimCellCountsPerMv);
  } else {
    c.tap_mv_per_count.fill(ReadWordBE(flash, base + kRegVoltGainAt) / 65536.0);
  }
  c.temp_offset_tenths[kSimSensorInternal] = SignedByte(flash, base + kRegTempAt);
  c.temp_offset_tenths[kSimSensorTS1] = SignedByte(flash, base + kRegTempAt + 1);
  return c;
}

double NominalCcGain(const PackDescription& pack) {
  bool reg = pack.family == 6 || pack.family == 7;
  return (reg ? kSimRegCcMicrovolts : kSimCcMicrovolts) / kNominalSenseMohm;
}

double DeltaFactor(int family) {
  return family == 5 || family == 6 || family == 7 ? kSet5DeltaFactor : kSmbusDeltaFactor;
}

void StoreNominalHost(const PackDescription& pack, GaugeMemory& m) {
  const int base = HostCalAddress(pack);
  const HostFields f = HostFieldsFor(pack.family);
  const double gain = NominalCcGain(pack);
  StoreFloat(m, base + f.cc_gain, gain);
  StoreFloat(m, base + f.cc_delta, gain * DeltaFactor(pack.family));
  if (f.cell_offset_byte) {
    StoreByte(m, base + f.cell_gain[0], 0);
  } else {
    for (int at : f.cell_gain) StoreWordBE(m, base + at, kSimNominalCellGain);
  }
  if (f.pack_gain >= 0) StoreWordBE(m, base + f.pack_gain, kSimNominalPackGain);
  StoreWordBE(m, base + f.cc_offset, 0);
  StoreWordBE(m, base + f.board_offset, 0);
  for (int at : f.temp) {
    if (at >= 0) StoreByte(m, base + at, 0);
  }
  StoreWordBE(m, base + kSimSampleCountAt, kSimCcOffsetSamples);
}

void StoreNominalGauge(const PackDescription& pack, GaugeMemory& m) {
  const int base = ClassAddress(pack, kSimCalClassId);
  if (base < 0) return;
  const double gain = NominalCcGain(pack);
  StoreFloat(m, base + kGaugeCcGainAt, gain);
  StoreFloat(m, base + kGaugeCcDeltaAt, gain * DeltaFactor(pack.family));
  for (int j = 0; j < kSimTaps; ++j) {
    StoreWordBE(m, base + kGaugeKFactorAt + 2 * j, kSimNominalKFactor);
  }
  for (int k = 0; k < 3; ++k) StoreByte(m, base + kGaugeTempAt + k, 0);
  StoreWordBE(m, base + pack.truth.board_offset_at, 0);
  StoreWordBE(m, base + kGaugeCcOffsetAt, 0);
  StoreWordBE(m, base + kSimSampleCountAt, kSimCcOffsetSamples);
}

void StoreNominalRegister(const PackDescription& pack, GaugeMemory& m) {
  const int base = ClassAddress(pack, kSimCalClassId);
  if (base >= 0) {
    const double gain = NominalCcGain(pack);
    StoreFloat(m, base + kRegCcGainAt, gain);
    StoreFloat(m, base + kRegCcDeltaAt, gain * DeltaFactor(pack.family));
    StoreWordBE(m, base + kRegCcOffsetAt, 0);
    for (int at = kRegBoardOffsetAt; at <= kRegVoltOffsetAt; ++at) StoreByte(m, base + at, 0);
    StoreWordBE(m, base + kRegVoltGainAt, kSimNominalRegVoltGain);
  }
  const int flags = ClassAddress(pack, kSimExtSensorClassId);
  if (flags < 0) return;
  const int at = flags + kExtSensorFlagByte;
  const uint8_t old = m.DataFlash()[at];
  StoreByte(m, at, pack.truth.ext_sensor ? (old | kExtSensorFlag) : (old & ~kExtSensorFlag));
}

}  // namespace

CalLayout ResolveCalLayout(const PackDescription& pack) {
  if (pack.truth.cal_layout != CalLayout::kByFamily) return pack.truth.cal_layout;
  switch (pack.family) {
    case 2:
    case 5:
      return CalLayout::kHost;
    case 6:
    case 7:
      return CalLayout::kRegister;
    default:
      return CalLayout::kGauge;
  }
}

int HostCalAddress(const PackDescription& pack) {
  if (pack.truth.host_address >= 0) return pack.truth.host_address;
  if (pack.family == 2) return 64;
  if (pack.family == 5) return 104;
  return 96;
}

int ClassAddress(const PackDescription& pack, int id) {
  auto c = FindClass(pack.classes, id);
  return c ? c->address : -1;
}

HostFields HostFieldsFor(int family) {
  HostFields f;
  if (family == 2) {
    f = HostFields{26, 30, {47, 49, 51, 53}, false, -1, 34, 40, {37, 38, 39, -1, -1}};
  } else if (family == 5) {
    f = HostFields{0, 4, {15, -1, -1, -1}, true, -1, 8, 12, {13, 14, -1, -1, -1}};
  }
  return f;
}

CalCoefficients ReadCoefficients(const PackDescription& pack, std::span<const uint8_t> flash) {
  switch (ResolveCalLayout(pack)) {
    case CalLayout::kHost:
      return ReadHost(pack, flash);
    case CalLayout::kRegister:
      return ReadRegister(pack, flash);
    default:
      return ReadGauge(pack, flash);
  }
}

void AddCalClasses(PackDescription& pack) {
  if ((pack.family == 6 || pack.family == 7) && !FindClass(pack.classes, kSimExtSensorClassId)) {
    SetClass(pack.classes, {kSimExtSensorClassId, kRegFlagsClassAddress, kRegFlagsClassBytes});
  }
}

void StoreNominalCalibration(const PackDescription& pack, GaugeMemory& memory) {
  switch (ResolveCalLayout(pack)) {
    case CalLayout::kHost:
      StoreNominalHost(pack, memory);
      break;
    case CalLayout::kRegister:
      StoreNominalRegister(pack, memory);
      break;
    default:
      StoreNominalGauge(pack, memory);
      break;
  }
}

double DecodeGaugeFloat(std::span<const uint8_t> b) {
  if (b.size() < 4) return 0.0;
  const int exponent = static_cast<int>(b[0]) - 128;
  const uint32_t mantissa = (uint32_t{b[1] & 0x7Fu} << 16) | (uint32_t{b[2]} << 8) | b[3];
  const double value = std::ldexp(0.5 + mantissa / kTwo24, exponent);
  return (b[1] & 0x80) != 0 ? -value : value;
}

std::array<uint8_t, 4> EncodeGaugeFloat(double x) {
  if (x == 0.0 || std::isnan(x)) x = 0.00001;
  const bool negative = x < 0;
  int exponent = 0;
  const double fraction = std::frexp(std::fabs(x), &exponent);  // [0.5, 1)
  auto mantissa = static_cast<uint32_t>(RoundToInt64(fraction * kTwo24));
  if (mantissa >= (1u << 24)) {
    mantissa = 1u << 23;
    ++exponent;
  }
  exponent = std::clamp(exponent, -128, 127);
  return {static_cast<uint8_t>(exponent + 128),
          static_cast<uint8_t>(((mantissa >> 16) & 0x7F) | (negative ? 0x80 : 0x00)),
          static_cast<uint8_t>(mantissa >> 8), static_cast<uint8_t>(mantissa)};
}

int ReadWordBE(std::span<const uint8_t> flash, int at) {
  if (at < 0 || at + 2 > static_cast<int>(flash.size())) return 0;
  return flash[at] << 8 | flash[at + 1];
}

void StoreWordBE(GaugeMemory& memory, int at, int value) {
  const uint8_t bytes[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  memory.StoreDataFlash(at, bytes);
}

void StoreFloat(GaugeMemory& memory, int at, double x) {
  memory.StoreDataFlash(at, EncodeGaugeFloat(x));
}

void StoreByte(GaugeMemory& memory, int at, int value) {
  const uint8_t byte = static_cast<uint8_t>(value);
  memory.StoreDataFlash(at, std::span<const uint8_t>(&byte, 1));
}

}  // namespace tester
