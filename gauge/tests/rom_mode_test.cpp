// Entering, probing and leaving both ROM loaders against hand-written adapter traces.
#include "common/status_codes.h"
#include "gauge/rom_mode.h"
#include "testing/replay_fixtures.h"

namespace tester {
namespace {

using RomModeTest = ReplayLinkTest;

// The ROM-entry word 0x0F00 to command 0x00 at 0x17, acknowledged.
constexpr const char* kSmbusEntry = "PutWord cmd=0x00 word=0x0F00 addr=0x17 -> 0\nBusStatus -> 0\n";
// The register-style loader's probe command 0x0D with its checksum.
constexpr const char* kLoaderProbe = R"(RegByteOp mode=1 dev=0x16 reg=0x00 val=0x0D -> 0
PutRegBlock reg=0x64 addr=0x16 len=2 data=0D00 -> 0
BusStatus -> 0
)";

std::string ProbeWord(const char* word, int status = 0) {
  return "GetWord cmd=0x0D addr=0x17 -> " + std::to_string(status) + " word=" + word + "\n";
}

TEST_F(RomModeTest, SmbusEntryChecksTheProbeWordAbove100) {
  Replay(std::string(kSmbusEntry) + ProbeWord("0x0065"));
  EXPECT_EQ(EnterROMMode(link, 0x00, 0x0F00), kTrue);
  ExpectTraceDone();

  Replay(std::string(kSmbusEntry) + ProbeWord("0x0064"));  // exactly 100 is not ROM mode
  EXPECT_EQ(EnterROMMode(link, 0x00, 0x0F00), kFalse);
  ExpectTraceDone();

  Replay(std::string(kSmbusEntry) + ProbeWord("0x0200", 2));
  EXPECT_EQ(EnterROMMode(link, 0x00, 0x0F00), kFalse);
  ExpectTraceDone();

  Replay("PutWord cmd=0x00 word=0x0F00 addr=0x17 -> 0\nBusStatus -> 1\n");
  EXPECT_EQ(EnterROMMode(link, 0x00, 0x0F00), kFalse);
  ExpectTraceDone();
}

struct SwitchedCase {
  const char* name;
  std::string trace;
  int16_t expected;
};

void PrintTo(const SwitchedCase& c, std::ostream* os) { *os << c.name; }

// Command set 5: every path that switched the bus to register style switches it back.
class SwitchedLoaderTest : public ReplayLinkTest,
                           public ::testing::WithParamInterface<SwitchedCase> {};

TEST_P(SwitchedLoaderTest, BusModeEndsAtZero) {
  settings.COMMANDSET = 5;
  Replay(std::string(kSmbusEntry) + GetParam().trace);
  EXPECT_EQ(EnterROMMode(link, 0x00, 0x0F00), GetParam().expected);
  ExpectTraceDone();
}

const std::string kProbeAnswer =
    std::string(kLoaderProbe) + "GetRegBlock reg=0x04 addr=0x16 len=2 -> 0 len=2 data=6500\n" +
    "BusStatus -> 0\n";

INSTANTIATE_TEST_SUITE_P(
    Paths, SwitchedLoaderTest,
    ::testing::Values(
        SwitchedCase{"InRom",
                     "SetBusMode mode=1 -> 0\n" + kProbeAnswer + "SetBusMode mode=0 -> 0\n",
                     kTrue},
        SwitchedCase{"SwitchBackFails",
                     "SetBusMode mode=1 -> 0\n" + kProbeAnswer + "SetBusMode mode=0 -> 4\n",
                     kFalse},
        SwitchedCase{"ProbeWriteFails",
                     "SetBusMode mode=1 -> 0\n"
                     "RegByteOp mode=1 dev=0x16 reg=0x00 val=0x0D -> 3\n"
                     "SetBusMode mode=0 -> 0\n",
                     kFalse},
        SwitchedCase{"ProbeTooLow",
                     "SetBusMode mode=1 -> 0\n" + std::string(kLoaderProbe) +
                         "GetRegBlock reg=0x04 addr=0x16 len=2 -> 0 len=2 data=6400\n"
                         "BusStatus -> 0\nSetBusMode mode=0 -> 0\n",
                     kFalse},
        SwitchedCase{"ProbeShort",
                     "SetBusMode mode=1 -> 0\n" + std::string(kLoaderProbe) +
                         "GetRegBlock reg=0x04 addr=0x16 len=2 -> 0 len=1 data=65\n"
                         "SetBusMode mode=0 -> 0\n",
                     kFalse},
        // The switch itself failed: nothing to switch back.
        SwitchedCase{"SwitchFails", "SetBusMode mode=1 -> 2\n", kFalse}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RomModeTest, RegisterEntryReturnsOnceTheLoaderAnswers) {
  Replay(R"(PutRegBlock reg=0x00 addr=0xAA len=2 data=000F -> 0
BusStatus -> 0
RegByteOp mode=2 dev=0x16 reg=0x66 -> 1 val=0x00
Pause ms=10
RegByteOp mode=2 dev=0x16 reg=0x66 -> 0 val=0xFF
)");
  EXPECT_EQ(EnterROMModeI2C(link, 0x00, 0x0F00), 0);  // the value read is not examined
  ExpectTraceDone();
}

TEST_F(RomModeTest, RegisterEntryTimesOutAfterTwoSecondsOfTenMsPauses) {
  Replay("PutRegBlock reg=0x00 addr=0xAA len=2 data=000F -> 0\nBusStatus -> 0\n" +
         Repeat("RegByteOp mode=2 dev=0x16 reg=0x66 -> 1 val=0x00\nPause ms=10", 200));
  EXPECT_EQ(EnterROMModeI2C(link, 0x00, 0x0F00), kStatusRomLoaderTimeout);
  EXPECT_EQ(ElapsedMs(), 1 + 2000);
  ExpectTraceDone();
}

// An adapter whose pause lets no time pass on the station clock, and whose loader would
// answer only at the 1000th probe: the probing must still give up after 2 s worth of pauses.
class TimelessPauseControl final : public GaugeControl {
public:
  int probes = 0;
  BusStatus16 PutWord(uint8_t, int16_t, uint8_t) override { return 0; }
  BusStatus16 GetWord(uint8_t, int16_t&, uint8_t) override { return 0; }
  BusStatus16 PutBlock(uint8_t, std::span<const uint8_t>, int16_t, uint8_t) override { return 0; }
  BusStatus16 GetBlock(uint8_t, std::span<uint8_t>, int16_t& length, uint8_t) override {
    length = 0;
    return 0;
  }
  int OpenAdapter(const std::string&) override { return 0; }
  void CloseLink() override {}
  void ListAdapters(int32_t, int32_t& count, std::string&) override { count = 0; }
  BusStatus16 PutCommand(uint8_t, uint8_t) override { return 0; }
  BusStatus16 RegByteOp(int32_t, uint8_t, uint8_t, uint8_t&) override {
    return ++probes < 1000 ? 1 : 0;
  }
  BusStatus16 BusStatus() override { return 0; }
  void Pause(int32_t) override {}
  BusStatus16 GetRegBlock(uint8_t, std::span<uint8_t>, int16_t& length, uint8_t) override {
    length = 0;
    return 0;
  }
  BusStatus16 PutRegBlock(uint8_t, std::span<const uint8_t>, int16_t, uint8_t) override {
    return 0;
  }
  BusStatus16 SetBusMode(int16_t) override { return 0; }
  void AboutBox() override {}
};

TEST_F(RomModeTest, RegisterEntryEndsEvenWhenTheAdapterPauseTakesNoTime) {
  TimelessPauseControl control;
  link.BindGaugeControl(&control);
  EXPECT_EQ(EnterROMModeI2C(link, 0x00, 0x0F00), kStatusRomLoaderTimeout);
  EXPECT_EQ(control.probes, 200);
}

TEST_F(RomModeTest, RegisterEntryWriteFailureIsReturned) {
  Replay("PutRegBlock reg=0x00 addr=0xAA len=2 data=000F -> 13\n");
  EXPECT_EQ(EnterROMModeI2C(link, 0x00, 0x0F00), 13);
  ExpectTraceDone();
}

TEST_F(RomModeTest, RegisterLoaderExitGivesTheFirmware200Ms) {
  Replay(R"(RegByteOp mode=1 dev=0x16 reg=0x00 val=0x0F -> 0
PutRegBlock reg=0x64 addr=0x16 len=2 data=0F00 -> 0
BusStatus -> 0
)");
  EXPECT_EQ(ExitROMModeI2C(link), kTrue);
  EXPECT_EQ(ElapsedMs(), 1 + 200);
  ExpectTraceDone();

  Replay(R"(RegByteOp mode=1 dev=0x16 reg=0x00 val=0x0F -> 0
PutRegBlock reg=0x64 addr=0x16 len=2 data=0F00 -> 5
)");
  EXPECT_EQ(ExitROMModeI2C(link), kFalse);
  EXPECT_EQ(ElapsedMs(), 0);
  ExpectTraceDone();
}

TEST_F(RomModeTest, ReadyAtTheHundredthProbe) {
  Replay(Repeat(ProbeWord("0x0063"), 50) + Repeat(ProbeWord("0x0200", 7), 49) +
         ProbeWord("0x0064"));
  int32_t counter = 0;
  EXPECT_EQ(WaitROMReady(link, counter), 0);
  EXPECT_EQ(counter, 100);
  EXPECT_EQ(ElapsedMs(), 0);  // probes follow each other without delay
  ExpectTraceDone();
}

TEST_F(RomModeTest, NotReadyAfterAHundredProbes) {
  Replay(Repeat(ProbeWord("0x0000", 7), 100));
  int32_t counter = 0;
  EXPECT_EQ(WaitROMReady(link, counter), kStatusRomNotReady);
  EXPECT_EQ(counter, 100);
  ExpectTraceDone();  // and no 101st probe
}

TEST_F(RomModeTest, RomSignature) {
  const std::string select = "PutBlock cmd=0x00 addr=0x17 len=3 data=000005 -> 0\n";
  Replay(select + "GetBlock cmd=0x01 addr=0x17 -> 0 len=3 data=545415\n");
  EXPECT_EQ(HasROMSignature(link), kTrue);
  ExpectTraceDone();

  Replay(select + "GetBlock cmd=0x01 addr=0x17 -> 0 len=4 data=54541500\n");
  EXPECT_EQ(HasROMSignature(link), kFalse);
  ExpectTraceDone();

  Replay(select + "GetBlock cmd=0x01 addr=0x17 -> 3 len=3 data=545415\n");
  EXPECT_EQ(HasROMSignature(link), kFalse);
  ExpectTraceDone();

  Replay("PutBlock cmd=0x00 addr=0x17 len=3 data=000005 -> 1\n");
  EXPECT_EQ(HasROMSignature(link), kFalse);
  ExpectTraceDone();
}

TEST_F(RomModeTest, SmbusExitAndWordSequences) {
  Replay(R"(PutCommand cmd=0x08 addr=0x17 -> 0
BusStatus -> 0
PutWord cmd=0x00 word=0x0021 addr=0x17 -> 0
BusStatus -> 0
PutWord cmd=0x01 word=0x0002 addr=0x17 -> 0
BusStatus -> 0
BusStatus -> 9
PutWord cmd=0x00 word=0x0021 addr=0x17 -> 4
PutWord cmd=0x00 word=0x0051 addr=0x17 -> 0
BusStatus -> 0
GetWord cmd=0x2F addr=0x17 -> 0 word=0x1234
)");
  EXPECT_EQ(ExitROMMode(link), 0);
  EXPECT_EQ(WriteWordPair(link, 0x00, 0x0021, 0x01, 0x0002, 0x17), 9);  // the final check
  EXPECT_EQ(WriteWordPair(link, 0x00, 0x0021, 0x01, 0x0002, 0x17), 4);  // first write fails
  int16_t value = 0;
  EXPECT_EQ(WriteThenReadWord(link, 0x00, 0x0051, 0x2F, value, 0x17), 0);
  EXPECT_EQ(value, 0x1234);
  ExpectTraceDone();
}

}  // namespace
}  // namespace tester
