// The calibration board's temperature sensors on the virtual jig and the adapter keys
// that describe the board: which sensors answer, resolution by configuration, errors.
#include <algorithm>

#include "sim/tests/sim_test_support.h"

namespace tester {
namespace {

std::string Adapter(const std::string& keys) {
  return std::string("[adapter ") + simtest::kAdapterA + "]\n" + keys + "\n[pack]\n";
}

// The temperature word at `addr` through a two-byte register read; -1 when refused.
int ReadWord(SimControl& c, uint8_t addr) {
  std::vector<uint8_t> raw(2);
  int16_t n = 2;
  if (c.GetRegBlock(0x00, raw, n, addr) != kSimOk) return -1;
  return raw[0] << 8 | raw[1];
}

SimStatus Configure(SimControl& c, uint8_t addr, uint8_t config) {
  return c.RegByteOp(1, addr, 0x01, config);
}

TEST(BoardSensors, WhichSensorsAnswer) {
  struct Case {
    const char* keys;
    std::vector<uint8_t> answering;
  };
  const Case cases[] = {
      {"", {0x90, 0x94}},
      {"advanced = yes", {0x90, 0x92}},
      {"sensors = 0x94\nadvanced = yes", {0x94}},
      {"advanced = yes\nsensors = 0x90 0x92 0x94", {0x90, 0x92, 0x94}},
  };
  for (const Case& k : cases) {
    simtest::SimBench bench(Adapter(k.keys));
    for (uint8_t addr : {0x90, 0x92, 0x94}) {
      bool answers = std::ranges::count(k.answering, addr) > 0;
      EXPECT_EQ(ReadWord(bench.Control(), addr) >= 0, answers) << k.keys << " at " << int(addr);
    }
  }
}

// Power-up configuration 0x00 converts with 9 bits: 0.5 degC steps, low bits 0. Bits 5-6
// raise the resolution to 12 bits (0x60), 1/16 degC.
TEST(BoardSensors, ResolutionFollowsTheConfiguration) {
  simtest::SimBench bench(Adapter("ambient_c = 24.3\nsensor_error_c = 0x94 -0.4"));
  SimControl& c = bench.Control();
  EXPECT_EQ(ReadWord(c, 0x90), 0x1880) << "24.5 degC";
  ASSERT_EQ(Configure(c, 0x90, 0x20), 0);
  EXPECT_EQ(ReadWord(c, 0x90), 0x1840) << "10 bits: 24.25 degC";
  ASSERT_EQ(Configure(c, 0x90, 0x60), 0);
  EXPECT_EQ(ReadWord(c, 0x90), 389 * 16) << "12 bits: 24.3125 degC";
  ASSERT_EQ(Configure(c, 0x94, 0x60), 0);
  EXPECT_EQ(ReadWord(c, 0x94), 382 * 16) << "23.9 degC with the sensor's error";

  uint8_t byte = 0;
  ASSERT_EQ(c.RegByteOp(2, 0x90, 0x01, byte), 0);
  EXPECT_EQ(byte, 0x60);
  ASSERT_EQ(c.RegByteOp(2, 0x90, 0x00, byte), 0);
  EXPECT_EQ(byte, 389 * 16 >> 8) << "a one-byte read gives the high byte";
  byte = 0;
  EXPECT_EQ(c.RegByteOp(1, 0x90, 0x00, byte), kSimCommandNack) << "temperature is read-only";

  c.OpenStation()->SetAmbient(26.0);
  EXPECT_EQ(ReadWord(c, 0x90), 0x1A00);
}

TEST(BoardSensors, NegativeAndExtremeTemperatures) {
  simtest::SimBench cold(Adapter("ambient_c = -0.5"));
  EXPECT_EQ(ReadWord(cold.Control(), 0x90), 0xFF80);
  ASSERT_EQ(Configure(cold.Control(), 0x90, 0x60), 0);
  cold.Control().OpenStation()->SetAmbient(-25.0625);
  EXPECT_EQ(ReadWord(cold.Control(), 0x90), 0xE6F0);

  simtest::SimBench hot(Adapter("ambient_c = 125\nsensor_error_c = 0x90 10"));
  EXPECT_EQ(ReadWord(hot.Control(), 0x90), 0x7F80) << "held at 127.5 degC, no wrap";
}

TEST(BoardAdapterKeys, ValuesAndErrors) {
  JigDescription jig = simtest::MustParse(
      Adapter("ref_tap_mv = 3600, 7200, 10800, 14400\nref_current_ma = 0\n"
              "sensor_error_c = 0x90 0.2\nsensor_error_c = 0x90 -0.3\nsensor_error_c = 0x94 1"));
  const AdapterDescription& a = jig.adapters.at(0);
  EXPECT_EQ(a.ref_tap_mv, (std::array<double, 4>{3600, 7200, 10800, 14400}));
  EXPECT_EQ(a.ref_current_ma, 0.0);
  ASSERT_EQ(a.sensor_errors.size(), 2u) << "a sensor named again replaces its error";
  EXPECT_EQ(a.sensor_errors[0].addr, 0x90);
  EXPECT_EQ(a.sensor_errors[0].error_c, -0.3);

  for (const char* bad : {"ref_tap_mv = 3700 7400 11100", "ref_tap_mv = 3700 7400 7000 8000",
                          "ref_tap_mv = -1 7400 11100 14800", "ref_tap_mv = 1 2 3 70000",
                          "ref_tap_mv = 6000 7400 11100 14800",
                          "ref_current_ma = -2000", "ref_current_ma = 40000",
                          "sensor_error_c = 0x94", "sensor_error_c = 0x94 11",
                          "sensor_error_c = 0x194 1", "sensors = 0x90 0xC0", "sensors = 0x17",
                          "ambient_c = 126", "ambient_c = -60"}) {
    std::string error;
    EXPECT_FALSE(ParseJigText(Adapter(bad), error)) << bad;
    EXPECT_EQ(error.rfind("line 2: bad value", 0), 0u) << bad << ": " << error;
  }
}

}  // namespace
}  // namespace tester
