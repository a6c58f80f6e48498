// The adapter's own memory on the virtual jig: stored identifiers that outlive the process
// that wrote them, the firmware version, and the jig keys behind them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sim/tests/sim_test_support.h"

namespace tester {
namespace {

using simtest::kAdapterA;
using simtest::kAdapterB;
using simtest::LockDir;
using simtest::MustParse;

constexpr const char* kFresh = "0123456789ABCDEF0123456789ABCDEF";
constexpr const char* kFactory = "4C696E6B706F642064656661756C7400";

std::string TwoAdapters() {
  return std::string("[adapter ") + kAdapterA + "]\nadapter_firmware = 3011\n" +
         "[adapter " + kAdapterB + "]\nadapter_id = " + kFactory + "\n";
}

std::unique_ptr<SimControl> Control(const std::string& jig, const LockDir& locks,
                                    VirtualClock& clock) {
  std::string error;
  auto control = MakeSimControl(MustParse(jig), locks.Path(), clock, error);
  EXPECT_TRUE(control) << error;
  return control;
}

TEST(AdapterMemory, IdentifierStartsAsTheJigGivesItAndNeedsAnOpenAdapter) {
  LockDir locks;
  VirtualClock clock;
  auto control = Control(TwoAdapters(), locks, clock);
  std::string id = "untouched";
  EXPECT_EQ(control->ReadAdapterId(id), kSimNoAdapter);
  EXPECT_EQ(control->WriteAdapterId(kFresh), kSimNoAdapter);
  EXPECT_EQ(control->AdapterFirmware(), -1);
  EXPECT_EQ(id, "untouched");

  ASSERT_EQ(control->OpenAdapter(kAdapterA), 0);
  EXPECT_EQ(control->ReadAdapterId(id), kSimOk);
  EXPECT_EQ(id, kAdapterA);
  EXPECT_EQ(control->AdapterFirmware(), 3011);
  ASSERT_EQ(control->OpenAdapter(kAdapterB), 0);
  EXPECT_EQ(control->ReadAdapterId(id), kSimOk);
  EXPECT_EQ(id, kFactory);  // adapter_id: what the adapter carries, not its name
  EXPECT_EQ(control->AdapterFirmware(), 3200);
  EXPECT_EQ(clock.Now(), VirtualClock().Now());  // nothing went over the wire
}

TEST(AdapterMemory, WrittenIdentifierOutlivesTheControlAndKeepsTheName) {
  LockDir locks;
  VirtualClock clock;
  {
    auto first = Control(TwoAdapters(), locks, clock);
    ASSERT_EQ(first->OpenAdapter(kAdapterB), 0);
    EXPECT_EQ(first->WriteAdapterId("0123456789abcdef0123456789abcdef"), kSimOk);
  }
  auto second = Control(TwoAdapters(), locks, clock);  // as a later process would
  ASSERT_EQ(second->OpenAdapter(kAdapterB), 0);
  std::string id;
  EXPECT_EQ(second->ReadAdapterId(id), kSimOk);
  EXPECT_EQ(id, kFresh);  // stored in upper case
  int32_t count = 0;
  std::string names;
  second->ListAdapters(16, count, names);
  EXPECT_EQ(names, std::string(kAdapterA) + "," + kAdapterB);
  ASSERT_EQ(second->OpenAdapter(kAdapterA), 0);  // the other adapter keeps its own
  EXPECT_EQ(second->ReadAdapterId(id), kSimOk);
  EXPECT_EQ(id, kAdapterA);
}

TEST(AdapterMemory, MalformedIdentifiersAreRefusedAndDamagedMemoryFailsTheRead) {
  LockDir locks;
  VirtualClock clock;
  auto control = Control(TwoAdapters(), locks, clock);
  ASSERT_EQ(control->OpenAdapter(kAdapterA), 0);
  for (const std::string bad : {"", "0123", "0123456789ABCDEF0123456789ABCDEG",
                                "0123456789ABCDEF0123456789ABCDEF0", "../../../etc/passwd"}) {
    EXPECT_EQ(control->WriteAdapterId(bad), kSimCommandNack) << bad;
  }
  std::string id;
  EXPECT_EQ(control->ReadAdapterId(id), kSimOk);
  EXPECT_EQ(id, kAdapterA);  // nothing was stored

  std::filesystem::create_directories(locks.Path() + "/ids");
  std::ofstream(locks.Path() + "/ids/" + kAdapterA) << "not an identifier\n";
  id = "untouched";
  EXPECT_EQ(control->ReadAdapterId(id), kSimCommandNack);
  EXPECT_EQ(id, "untouched");
  EXPECT_EQ(control->WriteAdapterId(kFresh), kSimOk);  // a new write mends it
  EXPECT_EQ(control->ReadAdapterId(id), kSimOk);
  EXPECT_EQ(id, kFresh);
}

TEST(AdapterMemory, JigKeysCheckTheirValues) {
  std::string error;
  auto parse = [&](const std::string& key_line) {
    return ParseJigText(std::string("[adapter ") + kAdapterA + "]\n" + key_line + "\n", error);
  };
  auto ok = parse("adapter_firmware = 99999");
  ASSERT_TRUE(ok) << error;
  EXPECT_EQ(ok->adapters[0].firmware, 99999);
  EXPECT_FALSE(parse("adapter_firmware = 100000"));
  EXPECT_NE(error.find("adapter_firmware"), std::string::npos) << error;
  EXPECT_FALSE(parse("adapter_firmware = -1"));
  EXPECT_FALSE(parse("adapter_id = 4C696E6B"));
  EXPECT_NE(error.find("32 hexadecimal digits"), std::string::npos) << error;
  auto lower = parse("adapter_id = 556e7469746c65642056583430787820");
  ASSERT_TRUE(lower) << error;
  EXPECT_EQ(lower->adapters[0].stored_id, "556E7469746C65642056583430787820");
}

}  // namespace
}  // namespace tester
