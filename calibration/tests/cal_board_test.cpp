// The calibration board driver: exact bus sequences against hand-written traces, the
// "not used" rule, settle waits, sensor words to tenths of a degree, and the driver on
// the virtual jig (relays reaching the pack, sensors in 12-bit mode).
#include "calibration/cal_board.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "testing/gauge_bench.h"
#include "testing/replay_fixtures.h"

namespace tester {
namespace {

// A private folder with a Config.ini holding `text` (no file when `text` is empty).
class ConfigFolder {
public:
  explicit ConfigFolder(const std::string& text) {
    char pattern[] = "/tmp/cal-board-test-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    folder_ = made != nullptr ? made : "";
    if (!text.empty()) std::ofstream(IniPath()) << text;
  }
  ~ConfigFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::string IniPath() const { return folder_ + "/Config.ini"; }

private:
  std::string folder_;
};

// The trace lines of one output-byte write: the write, then its bus-status check.
std::string PortWrite(int value, int status = 0) {
  char line[96];
  std::snprintf(line, sizeof line, "RegByteOp mode=1 dev=0xC0 reg=0x44 val=0x%02X -> %d\n",
                value, status);
  return std::string(line) + "BusStatus -> 0\n";
}

// Probe and its check, then voltage off and load off starting from `state`.
std::string InitSwitches(int state) {
  return "RegByteOp mode=0 dev=0x01 reg=0x01 val=0x00 -> 0\nBusStatus -> 0\n" +
         PortWrite(state & ~0x08) + PortWrite(state & ~0x0C);
}

// Both sensors cleared, then put into 12-bit conversions.
constexpr const char* kSensorSetup =
    "RegByteOp mode=1 dev=0x90 reg=0x01 val=0x00 -> 0\n"
    "RegByteOp mode=1 dev=0x90 reg=0x01 val=0x60 -> 0\n"
    "RegByteOp mode=1 dev=0x94 reg=0x01 val=0x00 -> 0\n"
    "RegByteOp mode=1 dev=0x94 reg=0x01 val=0x60 -> 0\n";

class CalBoardReplayTest : public ReplayLinkTest {
protected:
  CalBoardReplayTest() {
    settings.CB_V_SETTLE = 300;
    settings.CB_I_SETTLE = 701;
  }

  ConfigFolder folder{""};  // no Config.ini: "Use" defaults to 1
  CalBoard board{link, folder.IniPath()};
};

TEST_F(CalBoardReplayTest, InitSequenceEndsOnAQuietBus) {
  Replay(InitSwitches(0) + kSensorSetup + "BusStatus -> 5\nBusStatus -> 5\nBusStatus -> 0\n");
  EXPECT_EQ(board.CalBoardInit(), 0);
  ExpectTraceDone();
  EXPECT_TRUE(board.UseCalBrd());
  EXPECT_EQ(board.CalBoardState(), 0x00);
}

// Init again after the lamp flashing: the relays open, the lamps keep the station status.
TEST_F(CalBoardReplayTest, InitOpensTheRelaysAndKeepsTheLamps) {
  Replay(PortWrite(0x20) + PortWrite(0x2C) + "BusStatus -> 0\n" + InitSwitches(0x2C) +
         kSensorSetup + "BusStatus -> 0\n");
  ASSERT_EQ(board.CalBoardSetStatus(2), 0);
  ASSERT_EQ(board.CalBoardPowerOn(1, 1), 0);
  EXPECT_EQ(board.CalBoardInit(), 0);
  ExpectTraceDone();
  EXPECT_EQ(board.CalBoardState(), 0x20);
}

// A failing probe ends the start-up at once with its status.
TEST_F(CalBoardReplayTest, InitStopsAtAFailedProbe) {
  Replay("RegByteOp mode=0 dev=0x01 reg=0x01 val=0x00 -> 258\n");
  EXPECT_EQ(board.CalBoardInit(), 258);
  ExpectTraceDone();
}

// A board whose bus status never clears: the quiet-bus wait gives up after 2 s of polling
// (or 2000 polls when the status wait lets no time pass) with the last status.
TEST_F(CalBoardReplayTest, InitGivesUpOnABusThatNeverQuietens) {
  struct Case {
    int resp_ms;
    int polls;
  };
  for (Case c : {Case{50, 40}, Case{0, 2000}}) {
    settings.USB_RESP_TIME = c.resp_ms;
    Replay(InitSwitches(0) + kSensorSetup + Repeat("BusStatus -> 7", c.polls));
    const int64_t before = ElapsedMs();
    EXPECT_EQ(board.CalBoardInit(), 7) << c.resp_ms;
    ExpectTraceDone();
    EXPECT_EQ(ElapsedMs() - before, c.resp_ms * (3 + c.polls));
  }
}

// "Use" other than 1: no bus traffic at all, every switch returns 0 and leaves the state;
// a temperature read leaves the caller's value alone.
TEST(CalBoardUnused, NoTrafficAndEveryOperationReturnsZero) {
  for (const char* use : {"0", "2", "yes"}) {
    ConfigFolder folder(std::string("[CalBrd]\nUse=") + use + "\n");
    VirtualClock clock;
    StationSettings settings;
    settings.CB_V_SETTLE = 1000;
    settings.CB_I_SETTLE = 1000;
    GaugeLink link(clock, settings);
    std::string error;
    auto replay = ReplayControl::FromText("", clock, error);
    ASSERT_NE(replay, nullptr) << error;
    link.BindGaugeControl(replay.get());
    CalBoard board(link, folder.IniPath());
    const int64_t start = clock.Now();

    EXPECT_EQ(board.CalBoardInit(), 0);
    EXPECT_FALSE(board.UseCalBrd()) << use;
    EXPECT_EQ(board.CalBoardPowerOn(1, 0), 0);
    EXPECT_EQ(board.CalBoardLoadOn(), 0);
    EXPECT_EQ(board.CalBoardSetStatus(4), 0);
    EXPECT_EQ(board.CalBoardLoadOff(), 0);
    EXPECT_EQ(board.CalBoardVoltageOff(), 0);
    EXPECT_EQ(board.CalBoardPowerOff(), 0);
    EXPECT_EQ(board.CalBoardWrite(0xFF), 0);
    int16_t tenths = 123;
    EXPECT_EQ(board.CalBoardReadTemperature(tenths), 0);
    EXPECT_EQ(tenths, 123);
    EXPECT_EQ(board.CalBoardState(), 0x00);
    EXPECT_TRUE(replay->Complete()) << "no operation reached the control";
    EXPECT_EQ(clock.Now(), start) << "no settle waits either";
  }
}

// Pass lamp after power-on with the load: 0x4C. Power-on waits the load settle time (no
// extra 500 ms when asked), then checks the bus.
TEST_F(CalBoardReplayTest, PassLampAfterPowerOnWithLoadWrites4C) {
  Replay(PortWrite(0x0C) + "BusStatus -> 0\n" + PortWrite(0x4C));
  ASSERT_EQ(board.CalBoardPowerOn(1, 1), 0);
  EXPECT_EQ(ElapsedMs(), 1 + 701 + 1);
  EXPECT_EQ(board.CalBoardSetStatus(4), 0);
  ExpectTraceDone();
  EXPECT_EQ(board.CalBoardState(), 0x4C);
}

TEST_F(CalBoardReplayTest, PowerOnSettleTimes) {
  struct Case {
    int16_t with_current;
    int16_t no_extra;
    int value;
    int settle_ms;
  };
  for (Case c : {Case{0, 0, 0x08, 300}, Case{0, 1, 0x08, 300}, Case{1, 0, 0x0C, 701 + 500},
                 Case{1, 1, 0x0C, 701}}) {
    Replay(PortWrite(c.value) + "BusStatus -> 0\n" + PortWrite(0x00));
    ASSERT_EQ(board.CalBoardPowerOn(c.with_current, c.no_extra), 0);
    EXPECT_EQ(ElapsedMs(), 1 + c.settle_ms + 1) << c.with_current << c.no_extra;
    ASSERT_EQ(board.CalBoardPowerOff(), 0);
    ExpectTraceDone();
  }
}

// The load alone: write, then the adapter and the host both wait the settle time, then
// half of it again (701 / 2 = 350.5 rounds to the even 350).
TEST_F(CalBoardReplayTest, LoadOnPausesBothThenWaitsHalfTheSettleTime) {
  Replay(PortWrite(0x04) + "Pause ms=701\n" + PortWrite(0x00) + PortWrite(0x08) +
         PortWrite(0x00));
  ASSERT_EQ(board.CalBoardLoadOn(), 0);
  EXPECT_EQ(ElapsedMs(), 1 + 701 + 701 + 350);
  EXPECT_EQ(board.CalBoardLoadOff(), 0);
  EXPECT_EQ(board.CalBoardState(), 0x00);
  EXPECT_EQ(board.CalBoardWrite(0x08), 0);
  EXPECT_EQ(board.CalBoardState(), 0x00) << "a raw write does not change the state";
  EXPECT_EQ(board.CalBoardVoltageOff(), 0);
  ExpectTraceDone();
}

// A refused write is the result, whatever the bus status says afterwards; the state
// holds what was meant to be written.
TEST_F(CalBoardReplayTest, RefusedWriteIsReturned) {
  Replay(PortWrite(0x30, 258));
  EXPECT_EQ(board.CalBoardSetStatus(3), 258);
  ExpectTraceDone();
  EXPECT_EQ(board.CalBoardState(), 0x30);
}

TEST_F(CalBoardReplayTest, TemperatureReadsTheSensorWordBigEndian) {
  Replay(
      "GetRegBlock reg=0x00 addr=0x90 len=2 -> 0 len=2 data=1900\nBusStatus -> 0\n"
      "GetRegBlock reg=0x00 addr=0x92 len=2 -> 0 len=2 data=FF80\nBusStatus -> 0\n"
      "GetRegBlock reg=0x00 addr=0x94 len=2 -> 258 len=0 data=\n");
  int16_t tenths = 0;
  EXPECT_EQ(board.CalBoardReadTemperature(tenths), 0);
  EXPECT_EQ(tenths, 250);
  EXPECT_EQ(board.CalBoardReadTemperature(tenths, 0x92), 0);
  EXPECT_EQ(tenths, -5);
  EXPECT_EQ(board.CalBoardReadTemperature(tenths, 0x94), 258);
  EXPECT_EQ(tenths, -5) << "a failed read leaves the value";
  ExpectTraceDone();
}

TEST(SensorWordToTenths, DivisionTruncatesAndRoundingGoesToEven) {
  EXPECT_EQ(SensorWordToTenths(0x1900), 250);                       // 25 degC
  EXPECT_EQ(SensorWordToTenths(static_cast<int16_t>(0xFF80)), -5);  // -0.5 degC
  EXPECT_EQ(SensorWordToTenths(4 * 16), 2);    // 2.5 -> 2
  EXPECT_EQ(SensorWordToTenths(12 * 16), 8);   // 7.5 -> 8
  EXPECT_EQ(SensorWordToTenths(-4 * 16), -2);  // -2.5 -> -2
  EXPECT_EQ(SensorWordToTenths(31), 1);        // 31 div 16 = 1: 0.625 -> 1
  EXPECT_EQ(SensorWordToTenths(-31), -1);      // toward zero: -1, not -2
  EXPECT_EQ(SensorWordToTenths(static_cast<int16_t>(0x8000)), -1280);
  EXPECT_EQ(SensorWordToTenths(0x7FF0), 1279);  // 2047 * 0.625 = 1279.375
}

// --- the driver on the virtual jig ---

// The default jig with its first station changed.
JigDescription JigWith(void (*change)(AdapterDescription&)) {
  JigDescription jig = DefaultJig();
  change(jig.adapters.at(0));
  return jig;
}

TEST(CalBoardOnSim, SensorsGiveFullResolutionOnlyAfterInit) {
  SimGaugeBench bench(0, JigWith([](AdapterDescription& a) {
                        a.ambient_c = 24.3;
                        a.sensor_errors = {{0x94, -0.4}};
                      }));
  CalBoard board(bench.link, std::string(TESTER_SOURCE_DIR) + "/demo/Config.ini");
  int16_t tenths = 0;
  board.CalBoardSetUse(1);
  ASSERT_EQ(board.CalBoardReadTemperature(tenths), 0);
  EXPECT_EQ(tenths, 245) << "power-up 9-bit mode: 24.5 degC steps of 0.5";

  ASSERT_EQ(board.CalBoardInit(), 0);
  int16_t word = 0;
  ASSERT_EQ(bench.link.ReadRegWordBE(0x00, word, 0x90), 0);
  EXPECT_EQ(word, 389 * 16) << "24.3 degC in 1/16 steps, high byte first";
  ASSERT_EQ(board.CalBoardReadTemperature(tenths), 0);
  EXPECT_EQ(tenths, 243);
  ASSERT_EQ(board.CalBoardReadTemperature(tenths, 0x94), 0);
  EXPECT_EQ(tenths, 239) << "the board sensor reads 0.4 degC low";
  EXPECT_EQ(board.CalBoardReadTemperature(tenths, 0x92), kSimAddressNack);
}

// Two runs as the test sequence drives the board: power on (with the load), lamps, power
// off. The pack sees the references only while the relays are closed, and the second
// run's power-on finds the next pack.
TEST(CalBoardOnSim, RunsSwitchTheReferencesAndTheNextPackComesOn) {
  SimGaugeBench bench(0);
  CalBoard board(bench.link, std::string(TESTER_SOURCE_DIR) + "/demo/Config.ini");
  ASSERT_EQ(board.CalBoardInit(), 0);
  const std::string first = bench.Pack().Description().label;

  ASSERT_EQ(board.CalBoardSetStatus(2), 0);
  ASSERT_EQ(board.CalBoardPowerOn(0, 1), 0);
  EXPECT_EQ(bench.Pack().Description().label, first) << "the first power-on keeps pack 0";
  EXPECT_TRUE(bench.Pack().Environment().reference_voltage);
  EXPECT_FALSE(bench.Pack().Environment().reference_current);
  ASSERT_EQ(board.CalBoardLoadOn(), 0);
  EXPECT_EQ(bench.Pack().Environment().current_ma, -2000.0);
  ASSERT_EQ(board.CalBoardLoadOff(), 0);
  EXPECT_EQ(bench.Pack().Environment().current_ma, 0.0);
  ASSERT_EQ(board.CalBoardSetStatus(4), 0);
  ASSERT_EQ(board.CalBoardPowerOff(), 0);
  EXPECT_FALSE(bench.Pack().Environment().reference_voltage);
  EXPECT_EQ(bench.Control().OpenStation()->CalBoard().Port().Leds(), 4);

  ASSERT_EQ(board.CalBoardPowerOn(1, 1), 0);
  EXPECT_EQ(bench.Control().OpenStation()->PackIndex(), 1u);
  EXPECT_NE(bench.Pack().Description().label, first);
  EXPECT_TRUE(bench.Pack().Environment().reference_current) << "the new pack is told at once";
}

}  // namespace
}  // namespace tester
