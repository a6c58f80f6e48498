#include "sim/pack_physics.h"

#include <algorithm>

namespace tester {
namespace {

// Noise amplitudes, small against every calibration tolerance.
constexpr double kCellNoiseCounts = 0.4;  // 0.1 mV
constexpr double kPackNoiseCounts = 0.4;
constexpr double kCcNoiseCounts = 0.3;
constexpr double kTempNoiseTenths = 0.3;
// Noise channels.
constexpr int kChannelCell = 0;  // + cell index
constexpr int kChannelPack = 8;
constexpr int kChannelCc = 9;
constexpr int kChannelTemp = 16;  // + sensor index
// A pack without cell voltages in its description: three healthy cells.
constexpr int kDefaultCells = 3;
constexpr double kDefaultCellMv = 3700.0;

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

uint64_t PackSeed(const PackDescription& pack) {
  uint64_t seed = static_cast<uint64_t>(pack.line) * 1000003u + static_cast<uint64_t>(pack.family);
  for (char c : pack.label) seed = Mix(seed ^ static_cast<unsigned char>(c));
  return seed;
}

}  // namespace

int PackPhysics::Cells() const {
  const auto& cells = Truth().cell_mv;
  return cells.empty() ? kDefaultCells : std::min<int>(static_cast<int>(cells.size()), kSimTaps);
}

double PackPhysics::CellMv(int cell) const {
  if (cell < 0 || cell >= kSimTaps) return 0.0;
  const PackEnvironment& env = core_.Environment();
  if (env.reference_voltage) {
    double below = cell == 0 ? 0.0 : env.tap_mv[cell - 1];
    return std::max(0.0, env.tap_mv[cell] - below);
  }
  if (cell >= Cells()) return 0.0;
  const auto& cells = Truth().cell_mv;
  return cells.empty() ? kDefaultCellMv : cells[cell];
}

double PackPhysics::CurrentMa() const {
  const PackEnvironment& env = core_.Environment();
  return env.reference_current ? env.current_ma : 0.0;
}

double PackPhysics::TrueTenthsK() const {
  return core_.Environment().ambient_c * 10.0 + kSimZeroCelsiusTenths;
}

double PackPhysics::CellGainError(int cell) const {
  const auto& errors = Truth().cell_gain_error;
  return cell < static_cast<int>(errors.size()) ? errors[cell] : 0.0;
}

double PackPhysics::CellCounts(int cell, int64_t sample) const {
  double counts = CellMv(cell) * (1.0 + CellGainError(cell)) * kSimCellCountsPerMv;
  return std::max(0.0, counts + kCellNoiseCounts * Noise(kChannelCell + cell, sample));
}

double PackPhysics::PackCounts(int64_t sample) const {
  // The pack input sits on top of the pack's last cell.
  double mv = 0.0;
  for (int cell = 0; cell < Cells(); ++cell) mv += CellMv(cell);
  double counts = mv * (1.0 + Truth().pack_gain_error) * 65536.0 / kSimNominalPackGain;
  return std::max(0.0, counts + kPackNoiseCounts * Noise(kChannelPack, sample));
}

double PackPhysics::CcOffsetCounts(SenseInput input) const {
  double uv = Truth().cc_offset_uv;
  if (input == SenseInput::kConnected) uv += Truth().board_offset_uv;
  return CcPolarity() * uv / CcMicrovolts();
}

double PackPhysics::CcCounts(SenseInput input, int64_t sample) const {
  // mA x mOhm = uV. With the input shorted inside the gauge no current shows.
  double signal_uv = input == SenseInput::kConnected ? CurrentMa() * Truth().sense_mohm : 0.0;
  double counts = CcPolarity() * signal_uv / CcMicrovolts() + CcOffsetCounts(input);
  return counts + kCcNoiseCounts * Noise(kChannelCc, sample);
}

double PackPhysics::SensorTenths(int sensor, int64_t sample) const {
  const auto& errors = Truth().temp_error_c;
  double error = sensor >= 0 && sensor < static_cast<int>(errors.size()) ? errors[sensor] : 0.0;
  return TrueTenthsK() + error * 10.0 + kTempNoiseTenths * Noise(kChannelTemp + sensor, sample);
}

int PackPhysics::CcPolarity() const {
  int family = core_.Pack().family;
  return family == 5 || family == 6 || family == 7 ? -1 : 1;
}

double PackPhysics::CcMicrovolts() const {
  int family = core_.Pack().family;
  return family == 6 || family == 7 ? kSimRegCcMicrovolts : kSimCcMicrovolts;
}

double PackPhysics::Noise(int channel, int64_t sample) const {
  uint64_t h = Mix(PackSeed(core_.Pack()) ^ Mix(static_cast<uint64_t>(channel) << 40 ^
                                                static_cast<uint64_t>(sample)));
  return static_cast<double>(h >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

}  // namespace tester
