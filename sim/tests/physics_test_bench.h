#pragma once
// Bench of the calibration-physics tests: one pack on a station of a private jig, bus
// access the way the tester speaks to the gauge, and the environment set directly.
#include <cmath>
#include <string>
#include <vector>

#include "sim/cal_layout.h"
#include "sim/tests/sim_test_support.h"

namespace tester::simtest {

class PhysicsBench {
public:
  explicit PhysicsBench(const std::string& pack_keys) : bench_(OnePackJig(pack_keys)) {}

  SimControl& Control() { return bench_.Control(); }
  PackModel& Pack() { return bench_.Pack(); }
  VirtualClock& Clock() { return bench_.Clock(); }
  uint8_t addr = kAddrSmbusGauge;

  // References of the station: taps 3700 mV apart, a load of `current_ma` (negative =
  // discharge), 25 degC.
  void Apply(bool voltage, double current_ma, double ambient_c = 25.0) {
    PackEnvironment env;
    env.reference_voltage = voltage;
    env.tap_mv = {3700.0, 7400.0, 11100.0, 14800.0};
    env.reference_current = current_ma != 0.0;
    env.current_ma = current_ma;
    env.ambient_c = ambient_c;
    Pack().SetEnvironment(env);
  }

  void Wait(int ms) { Clock().WaitMs(ms); }

  void Put(uint8_t cmd, int word) {
    ASSERT_EQ(Control().PutWord(cmd, static_cast<int16_t>(word), addr), 0);
  }
  int Get(uint8_t cmd) {
    int16_t word = 0;
    EXPECT_EQ(Control().GetWord(cmd, word, addr), 0);
    return static_cast<uint16_t>(word);
  }
  int GetSigned(uint8_t cmd) { return static_cast<int16_t>(Get(cmd)); }
  std::vector<uint8_t> Block(uint8_t cmd) {
    std::vector<uint8_t> data(256);
    int16_t length = 256;
    EXPECT_EQ(Control().GetBlock(cmd, data, length, addr), 0);
    data.resize(length > 0 ? length : 0);
    return data;
  }
  void PutBlock(uint8_t cmd, const std::vector<uint8_t>& data) {
    ASSERT_EQ(Control().PutBlock(cmd, data, static_cast<int16_t>(data.size()), addr), 0);
  }
  std::span<const uint8_t> Flash() { return Pack().Memory().DataFlash(); }
  static int ReadN(std::span<const uint8_t> flash, int at) { return ReadWordBE(flash, at); }

  // Register-style access at 0xAA.
  void PutReg(uint8_t reg, int word) {
    const std::vector<uint8_t> bytes = {static_cast<uint8_t>(word),
                                        static_cast<uint8_t>(word >> 8)};
    ASSERT_EQ(Control().PutRegBlock(reg, bytes, 2, kAddrRegGauge), 0);
  }
  std::vector<uint8_t> GetRegs(uint8_t reg, int count) {
    std::vector<uint8_t> data(count);
    int16_t length = static_cast<int16_t>(count);
    EXPECT_EQ(Control().GetRegBlock(reg, data, length, kAddrRegGauge), 0);
    return data;
  }
  int GetReg(uint8_t reg) {
    auto b = GetRegs(reg, 2);
    return static_cast<int16_t>(b[0] | b[1] << 8);
  }

private:
  SimBench bench_;
};

// Tenths of a kelvin of a Celsius temperature, as the tester forms its reference.
inline double TenthsK(double celsius) { return (celsius + 273.15) * 10.0; }

}  // namespace tester::simtest
