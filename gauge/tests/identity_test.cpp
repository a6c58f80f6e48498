// Reading the gauge's identity text through each bus dialect.
#include "common/status_codes.h"
#include "gauge/gauge_identity.h"
#include "testing/replay_fixtures.h"

namespace tester {
namespace {

using IdentityTest = ReplayLinkTest;

// Device type 0x0800, firmware 0x0102 through manufacturer-access command 0x00.
constexpr const char* kSmbusIdentity = R"(PutWord cmd=0x00 word=0x0001 addr=0x17 -> 0
BusStatus -> 0
GetWord cmd=0x00 addr=0x17 -> 0 word=0x0800
PutWord cmd=0x00 word=0x0002 addr=0x17 -> 0
BusStatus -> 0
GetWord cmd=0x00 addr=0x17 -> 0 word=0x0102
)";

TEST(VersionTextTest, Format) {
  EXPECT_EQ(FormatVersionText(0x0800, 0x01, 0x02), "800.1.02");
  EXPECT_EQ(FormatVersionText(0, 0, 0), "0.0.00");
  EXPECT_EQ(FormatVersionText(0xABCD, 0x1F, 0xE0), "ABCD.1F.E0");
}

TEST_F(IdentityTest, SmbusWords) {
  Replay(kSmbusIdentity);
  std::string text;
  EXPECT_EQ(ReadDeviceVersion(link, text, 0x00), 0);
  EXPECT_EQ(text, "800.1.02");
  ExpectTraceDone();
}

TEST_F(IdentityTest, GaugeAnsweringZerosGivesZeroText) {
  Replay(R"(PutWord cmd=0x44 word=0x0001 addr=0x17 -> 0
BusStatus -> 0
GetWord cmd=0x44 addr=0x17 -> 0 word=0x0000
PutWord cmd=0x44 word=0x0002 addr=0x17 -> 0
BusStatus -> 0
GetWord cmd=0x44 addr=0x17 -> 0 word=0x0000
)");
  std::string text;
  EXPECT_EQ(ReadDeviceVersion(link, text, 0x44), 0);
  EXPECT_EQ(text, "0.0.00");
  ExpectTraceDone();
}

// Cut the identity trace after `lines` lines and let the last one fail with status 6:
// the sequence ends there with the status and an empty text.
class IdentityFailureTest : public ReplayLinkTest, public ::testing::WithParamInterface<int> {};

TEST_P(IdentityFailureTest, FirstFailureEndsTheSequence) {
  std::istringstream in(kSmbusIdentity);
  std::string trace;
  std::string line;
  for (int i = 0; i < GetParam() && std::getline(in, line); ++i) {
    if (i + 1 == GetParam()) {
      const std::size_t arrow = line.find("-> 0");
      line.replace(arrow, 4, "-> 6");
    }
    trace += line + "\n";
  }
  Replay(trace);
  std::string text = "stale";
  EXPECT_EQ(ReadDeviceVersion(link, text, 0x00), 6);
  EXPECT_EQ(text, "");
  ExpectTraceDone();
}

INSTANTIATE_TEST_SUITE_P(EveryStep, IdentityFailureTest, ::testing::Range(1, 7));

TEST_F(IdentityTest, SmbusBlocksKeepFourTypeDigitsAndWaitAfterEachBlock) {
  Replay(R"(PutWord cmd=0x00 word=0x0001 addr=0x17 -> 0
BusStatus -> 0
GetBlock cmd=0x23 addr=0x17 -> 0 len=2 data=0008
PutWord cmd=0x00 word=0x0002 addr=0x17 -> 0
BusStatus -> 0
GetBlock cmd=0x23 addr=0x17 -> 0 len=4 data=00000102
)");
  std::string text;
  EXPECT_EQ(ReadDeviceVersionBlock(link, text, 0x00), 0);
  EXPECT_EQ(text, "0800.1.02");
  EXPECT_EQ(ElapsedMs(), 2 * (1 + 120));
  ExpectTraceDone();
}

TEST_F(IdentityTest, SmbusBlockFailureEndsWithEmptyText) {
  Replay(R"(PutWord cmd=0x00 word=0x0001 addr=0x17 -> 0
BusStatus -> 0
GetBlock cmd=0x23 addr=0x17 -> 11 len=0 data=
)");
  std::string text = "stale";
  EXPECT_EQ(ReadDeviceVersionBlock(link, text, 0x00), 11);
  EXPECT_EQ(text, "");
  ExpectTraceDone();
}

TEST_F(IdentityTest, RegisterStyleAt0xAA) {
  Replay(R"(PutRegBlock reg=0x3E addr=0xAA len=2 data=0100 -> 0
BusStatus -> 0
GetRegBlock reg=0x3E addr=0xAA len=2 -> 0 len=2 data=0008
BusStatus -> 0
PutRegBlock reg=0x3E addr=0xAA len=2 data=0200 -> 0
BusStatus -> 0
GetRegBlock reg=0x3E addr=0xAA len=2 -> 0 len=2 data=0201
BusStatus -> 0
)");
  std::string text;
  EXPECT_EQ(ReadDeviceVersionI2C(link, text, 0x3E), 0);
  EXPECT_EQ(text, "800.1.02");  // version register: minor in byte 0, major in byte 1
  ExpectTraceDone();
}

TEST_F(IdentityTest, RegisterStyleShortAnswerEndsWith772) {
  Replay(R"(PutRegBlock reg=0x3E addr=0xAA len=2 data=0100 -> 0
BusStatus -> 0
GetRegBlock reg=0x3E addr=0xAA len=2 -> 0 len=1 data=08
)");
  std::string text = "stale";
  EXPECT_EQ(ReadDeviceVersionI2C(link, text, 0x3E), kStatusRegCountMismatch);
  EXPECT_EQ(text, "");
  ExpectTraceDone();
}

}  // namespace
}  // namespace tester
