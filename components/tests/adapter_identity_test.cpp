// Adapter identification and station lights, on the virtual jig (the default jig plus a
// station without a calibration board) and, where the exact bus bytes matter, on replay.
#include "components/adapter_identity.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <sstream>

#include "common/component_error.h"
#include "platform/replay_control.h"
#include "platform/virtual_clock.h"
#include "sim/default_jig.h"
#include "sim/sim_control.h"
#include "testing/jig_checks.h"
#include "testing/scratch_folder.h"

namespace tester {
namespace {

using LockDir = test::ScratchFolder;
using test::MustParse;

constexpr const char* kNormal = "3F2A9C41D07B4E8895A1C6E2B0F47D01";    // default jig, station 1
constexpr const char* kAdvanced = "D4E7A2C90B1F48365AC3E0917B2D8F5C";  // advanced board
constexpr const char* kBoardless = "00000000000000000000000000000C03";
constexpr size_t kJigAdapters = 5;
constexpr const char* kFactoryDefault = "4C696E6B706F642064656661756C7400";
constexpr const char* kFactoryUntitled = "556E7469746C65642056583430787820";
constexpr uint8_t kSupplyOn = 0x08;  // output bit 3: the supply relay

std::string JigText() {
  return DefaultJigText() + "\n[adapter " + kBoardless + "]\ncal_board = no\n[pack bare]\n";
}

// The two 64-bit halves of a 32-digit identifier, as a random source would give them.
std::vector<uint64_t> Halves(const std::string& id) {
  return {std::stoull(id.substr(0, 16), nullptr, 16), std::stoull(id.substr(16), nullptr, 16)};
}

// Gives the listed values in turn, then counts up from 1.
AdapterIdentity::RandomSource Scripted(std::vector<uint64_t> values) {
  auto next = std::make_shared<size_t>(0);
  return [values = std::move(values), next]() -> uint64_t {
    size_t at = (*next)++;
    return at < values.size() ? values[at] : at;
  };
}

bool IsIdentifier(const std::string& id) {
  if (id.size() != 32) return false;
  for (char c : id) {
    if (!std::isdigit(static_cast<unsigned char>(c)) && (c < 'A' || c > 'F')) return false;
  }
  return true;
}

class AdapterIdentityTest : public ::testing::Test {
protected:
  AdapterIdentityTest() {
    control = Make();
    identity.SetGaugeControl(control.get());
  }

  std::unique_ptr<SimControl> Make() {
    std::string error;
    auto made = MakeSimControl(MustParse(JigText()), locks.Path(), clock, error);
    EXPECT_TRUE(made) << error;
    return made;
  }

  void Open(const char* name) { ASSERT_EQ(control->OpenAdapter(name), 0) << name; }
  CalBoardPort& Port() { return control->OpenStation()->CalBoard().Port(); }
  uint8_t WritePort(uint8_t value) {
    EXPECT_EQ(control->RegByteOp(1, kAddrCalBoard, 0x44, value), 0);
    return value;
  }

  LockDir locks;
  VirtualClock clock;
  std::unique_ptr<SimControl> control;
  AdapterIdentity identity;
};

TEST_F(AdapterIdentityTest, CountsOpensByIndexAndReadsEveryIdentifier) {
  ASSERT_EQ(identity.AdapterCount(), static_cast<int32_t>(kJigAdapters));
  for (int16_t i = 0; i < static_cast<int16_t>(kJigAdapters); ++i) {
    ASSERT_EQ(identity.OpenAdapterByIndex(i, kLightsNone, kLightsTiming), 0) << i;
    std::string id;
    EXPECT_EQ(identity.ReadAdapterId(id), 0);
    EXPECT_EQ(id, control->Jig().adapters[static_cast<size_t>(i)].identifier);
    EXPECT_EQ(control->OpenStation()->CalBoard().Port().Writes(), 0);  // searching: no lights
  }
  // An index means the same adapter whichever was open before (the loop opened 0 first).
  ASSERT_EQ(identity.OpenAdapterByIndex(0, kLightsNone, kLightsTiming), 0);
  EXPECT_EQ(control->OpenStation(), &control->Station(0));
  EXPECT_EQ(identity.OpenAdapterByIndex(static_cast<int16_t>(kJigAdapters), 0, 300), -1);
  EXPECT_EQ(identity.OpenAdapterByIndex(-1, 0, 300), -1);
}

TEST_F(AdapterIdentityTest, OpenByIndexLightsTheStationAndReleasesTheAdapterItHeld) {
  ASSERT_EQ(identity.OpenAdapterByIndex(1, kLightsIdentifyOn, kLightsTiming), 0);
  EXPECT_EQ(Port().Leds(), 0x0F);
  EXPECT_EQ(identity.LastTiming(), kLightsTiming);
  ASSERT_EQ(identity.OpenAdapterByIndex(2, kLightsNone, kLightsTiming), 0);
  auto other = Make();  // another process can now claim the first one
  EXPECT_EQ(other->OpenAdapter(control->Jig().adapters[1].identifier), 0);

  identity.CloseAdapter();
  EXPECT_EQ(control->OpenStation(), nullptr);
  // Held elsewhere: it is listed last and cannot be opened.
  EXPECT_EQ(identity.AdapterCount(), static_cast<int32_t>(kJigAdapters));
  EXPECT_EQ(identity.OpenAdapterByIndex(static_cast<int16_t>(kJigAdapters - 1), 0, 300), -1);
}

TEST_F(AdapterIdentityTest, AssignedIdentifierIsUniqueAndReadByALaterProcess) {
  Open(kNormal);
  std::string first;
  ASSERT_EQ(identity.AssignAdapterId(first), 0);
  EXPECT_TRUE(IsIdentifier(first)) << first;
  EXPECT_NE(first, kNormal);
  std::string read;
  EXPECT_EQ(identity.ReadAdapterId(read), 0);
  EXPECT_EQ(read, first);

  Open(kAdvanced);
  std::string second;
  ASSERT_EQ(identity.AssignAdapterId(second), 0);
  EXPECT_NE(second, first);

  control->CloseLink();
  auto later = Make();  // a second process on the same jig
  AdapterIdentity later_identity;
  later_identity.SetGaugeControl(later.get());
  ASSERT_EQ(later->OpenAdapter(kNormal), 0);
  EXPECT_EQ(later_identity.ReadAdapterId(read), 0);
  EXPECT_EQ(read, first);
  ASSERT_EQ(later->OpenAdapter(kAdvanced), 0);
  EXPECT_EQ(later_identity.ReadAdapterId(read), 0);
  EXPECT_EQ(read, second);

  std::set<std::string> drawn;
  for (int i = 0; i < 20; ++i) {
    std::string id;
    ASSERT_EQ(later_identity.AssignAdapterId(id), 0);
    drawn.insert(id);
  }
  EXPECT_EQ(drawn.size(), 20u);
}

TEST_F(AdapterIdentityTest, DrawsAgainWhenAnIdentifierIsInUse) {
  Open(kNormal);
  std::vector<uint64_t> script = Halves(kAdvanced);  // another listed adapter's name
  for (const char* taken : {kFactoryDefault, kFactoryUntitled, kNormal}) {
    std::vector<uint64_t> halves = Halves(taken);
    script.insert(script.end(), halves.begin(), halves.end());
  }
  script.push_back(0x0123456789ABCDEFull);
  script.push_back(0xFEDCBA9876543210ull);
  AdapterIdentity scripted(Scripted(script));
  scripted.SetGaugeControl(control.get());
  std::string id;
  ASSERT_EQ(scripted.AssignAdapterId(id), 0);
  EXPECT_EQ(id, "0123456789ABCDEFFEDCBA9876543210");

  // A source that only ever gives an identifier in use gives up and writes nothing.
  std::vector<uint64_t> halves = Halves(kFactoryDefault);
  AdapterIdentity stuck([&halves, n = size_t{0}]() mutable { return halves[n++ % 2]; });
  stuck.SetGaugeControl(control.get());
  std::string kept = "kept";
  EXPECT_EQ(stuck.AssignAdapterId(kept), kIdentityNoFreshId);
  EXPECT_EQ(kept, "kept");
  EXPECT_EQ(identity.ReadAdapterId(id), 0);
  EXPECT_EQ(id, "0123456789ABCDEFFEDCBA9876543210");
}

// The lamps are bits 4-7; bits 0-3 (relays, unwired bits) must survive every light code,
// or the supply relay would drop and bring the next pack onto the station.
TEST_F(AdapterIdentityTest, LightsChangeOnlyTheLampNibble) {
  Open(kNormal);
  const uint8_t relays = WritePort(kSupplyOn | 0x03);  // pack 0 powered
  const size_t pack = control->OpenStation()->PackIndex();
  struct Step {
    int32_t code;
    bool flag;
    uint8_t lamps;
  };
  for (Step step : {Step{kLightsIdentifyOn, true, 0x0F}, Step{kLightsIdentifyOff, false, 0x00},
                    Step{kLightsOldFirmware, true, 0x0F}, Step{kLightsOldFirmware, false, 0x00},
                    Step{kLightsIdentifyOn, false, 0x0F}}) {
    identity.FlashLights(step.code, kLightsTiming, step.flag);
    EXPECT_EQ(Port().Output(), (step.lamps << 4) | relays) << step.code << " " << step.flag;
  }
  const int writes = Port().Writes();
  identity.FlashLights(7, 150, true);  // no such light code: nothing happens
  EXPECT_EQ(Port().Writes(), writes);
  EXPECT_EQ(identity.LastTiming(), 150);

  WritePort(Port().Output());  // the engine's next write with the supply still on
  EXPECT_EQ(control->OpenStation()->PackIndex(), pack);
  EXPECT_TRUE(Port().SupplyOn());
}

TEST_F(AdapterIdentityTest, BoardAndSensorPresence) {
  struct Case {
    const char* adapter;
    bool board, on_board, external;
  };
  // The advanced board answers without a sensor at 0x94: that is how set-up tells it.
  for (Case c : {Case{kNormal, true, true, true}, Case{kAdvanced, true, false, true},
                 Case{kBoardless, false, false, false}}) {
    Open(c.adapter);
    EXPECT_EQ(identity.HasCalBoard(), c.board) << c.adapter;
    EXPECT_EQ(identity.HasTempSensor(true), c.on_board) << c.adapter;
    EXPECT_EQ(identity.HasTempSensor(false), c.external) << c.adapter;
  }
  // No board: no lamps, and that is not a failure.
  EXPECT_NO_THROW(identity.FlashLights(kLightsIdentifyOn, kLightsTiming, true));
  EXPECT_EQ(identity.OpenAdapterByIndex(4, kLightsIdentifyOn, kLightsTiming), 0);
}

TEST_F(AdapterIdentityTest, FirmwareAgeCountsFromTheOldestSupportedVersion) {
  Open(kNormal);
  EXPECT_EQ(identity.FirmwareAge(), 3200 - kOldestAdapterFirmware);
  control->CloseLink();
  EXPECT_THROW(identity.FirmwareAge(), ComponentError);  // no adapter: version unknown

  std::string error;
  auto old = MakeSimControl(MustParse(std::string("[adapter ") + kBoardless +
                                      "]\nadapter_firmware = 3111\n[adapter " + kNormal +
                                      "]\nadapter_firmware = 3112\n"),
                            locks.Path(), clock, error);
  ASSERT_TRUE(old) << error;
  identity.SetGaugeControl(old.get());
  ASSERT_EQ(identity.OpenAdapterByIndex(0, kLightsNone, kLightsTiming), 0);
  EXPECT_EQ(identity.FirmwareAge(), -1);
  ASSERT_EQ(identity.OpenAdapterByIndex(1, kLightsNone, kLightsTiming), 0);
  EXPECT_EQ(identity.FirmwareAge(), 0);
}

TEST(AdapterIdentityNoControl, StatusOperationsFailAndTheOthersThrow) {
  AdapterIdentity identity;
  for (int round = 0; round < 2; ++round) {
    std::string id = "kept";
    EXPECT_EQ(identity.ReadAdapterId(id), kStatusNoGaugeControl);
    EXPECT_EQ(identity.AssignAdapterId(id), kStatusNoGaugeControl);
    EXPECT_EQ(id, "kept");
    EXPECT_EQ(identity.OpenAdapterByIndex(0, kLightsIdentifyOn, kLightsTiming),
              kStatusNoGaugeControl);
    EXPECT_THROW(identity.FlashLights(kLightsIdentifyOn, kLightsTiming, true), ComponentError);
    EXPECT_THROW(identity.AdapterCount(), ComponentError);
    EXPECT_THROW(identity.CloseAdapter(), ComponentError);
    EXPECT_THROW(identity.FirmwareAge(), ComponentError);
    EXPECT_THROW(identity.HasCalBoard(), ComponentError);
    EXPECT_THROW(identity.HasTempSensor(true), ComponentError);
    identity.SetGaugeControl(nullptr);  // cleared after a use: the same
  }
}

// Exact bus bytes, answered from hand-written traces.
class AdapterIdentityReplay : public ::testing::Test {
protected:
  ReplayControl& Load(const std::string& text) {
    std::string error;
    replay = ReplayControl::FromText(text, clock, error, &report);
    EXPECT_TRUE(replay) << error;
    identity.SetGaugeControl(replay.get());
    return *replay;
  }

  VirtualClock clock;
  std::ostringstream report;
  std::unique_ptr<ReplayControl> replay;
  AdapterIdentity identity{Scripted({0x0123456789ABCDEFull, 0xFEDCBA9876543210ull})};
};

TEST_F(AdapterIdentityReplay, LightsReadThePortAndWriteOnlyTheLampNibble) {
  ReplayControl& trace = Load(
      "0 RegByteOp mode=2 dev=0xC0 reg=0x44 -> 0 val=0x4B\n"
      "0 RegByteOp mode=1 dev=0xC0 reg=0x44 val=0xFB -> 0\n"
      "0 RegByteOp mode=2 dev=0xC0 reg=0x44 -> 0 val=0xFB\n"
      "0 RegByteOp mode=1 dev=0xC0 reg=0x44 val=0x0B -> 0\n"
      "0 RegByteOp mode=2 dev=0xC0 reg=0x44 -> 258 val=0x00\n"
      "0 RegByteOp mode=2 dev=0xC0 reg=0x44 -> 0 val=0x08\n"
      "0 RegByteOp mode=1 dev=0xC0 reg=0x44 val=0xF8 -> 259\n");
  identity.FlashLights(kLightsIdentifyOn, kLightsTiming, true);
  identity.FlashLights(kLightsIdentifyOff, kLightsTiming, false);
  identity.FlashLights(kLightsIdentifyOn, kLightsTiming, true);  // no board: read only
  EXPECT_THROW(identity.FlashLights(kLightsOldFirmware, kLightsTiming, true), ComponentError);
  EXPECT_TRUE(trace.Complete()) << report.str();
}

TEST_F(AdapterIdentityReplay, SensorPresenceReadsTheConfigurationRegister) {
  ReplayControl& trace = Load(
      "0 RegByteOp mode=2 dev=0x94 reg=0x01 -> 0 val=0x60\n"
      "0 RegByteOp mode=2 dev=0x90 reg=0x01 -> 258 val=0x00\n"
      "0 RegByteOp mode=2 dev=0xC0 reg=0x44 -> 0 val=0x00\n");
  EXPECT_TRUE(identity.HasTempSensor(true));
  EXPECT_FALSE(identity.HasTempSensor(false));
  EXPECT_TRUE(identity.HasCalBoard());
  EXPECT_TRUE(trace.Complete()) << report.str();
}

TEST_F(AdapterIdentityReplay, AssignWritesThenChecksWhatTheAdapterKept) {
  const std::string preamble = std::string("0 ListAdapters max=16 -> 1 names=") + kNormal +
                               "\n0 ReadAdapterId -> 0 id=" + kNormal + "\n";
  const std::string fresh = "0123456789ABCDEFFEDCBA9876543210";
  ReplayControl& trace = Load(preamble + "0 WriteAdapterId id=" + fresh + " -> 0\n" +
                              "0 ReadAdapterId -> 0 id=" + kNormal + "\n");
  std::string id = "kept";
  EXPECT_EQ(identity.AssignAdapterId(id), kIdentityNotKept);  // the write did not hold
  EXPECT_EQ(id, "kept");
  EXPECT_TRUE(trace.Complete()) << report.str();

  AdapterIdentity again(Scripted({0x0123456789ABCDEFull, 0xFEDCBA9876543210ull}));
  ReplayControl& refused = Load(preamble + "0 WriteAdapterId id=" + fresh + " -> 259\n");
  again.SetGaugeControl(&refused);
  EXPECT_EQ(again.AssignAdapterId(id), 259);  // the adapter's status, passed on
  EXPECT_EQ(id, "kept");
  EXPECT_TRUE(refused.Complete()) << report.str();
}

TEST_F(AdapterIdentityReplay, OpenByIndexClosesListsOpensAndLights) {
  ReplayControl& trace = Load(
      "0 CloseLink\n"
      "0 ListAdapters max=16 -> 2 names=AAA,BBB\n"
      "0 OpenAdapter name=BBB -> 0\n"
      "0 RegByteOp mode=2 dev=0xC0 reg=0x44 -> 0 val=0x04\n"
      "0 RegByteOp mode=1 dev=0xC0 reg=0x44 val=0xF4 -> 0\n"
      "0 CloseLink\n"
      "0 ListAdapters max=16 -> 2 names=AAA,BBB\n"
      "0 OpenAdapter name=AAA -> -1\n");
  EXPECT_EQ(identity.OpenAdapterByIndex(1, kLightsIdentifyOn, kLightsTiming), 0);
  EXPECT_EQ(identity.OpenAdapterByIndex(0, kLightsIdentifyOn, kLightsTiming), -1);
  EXPECT_TRUE(trace.Complete()) << report.str();
}

}  // namespace
}  // namespace tester
