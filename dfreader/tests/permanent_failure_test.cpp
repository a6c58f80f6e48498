// The permanent-failure check of every decision rule against hand-written adapter traces.
#include "common/messages.h"
#include "dfreader/permanent_failure.h"
#include "dfreader/target_detection.h"
#include "platform/scripted_dialogs.h"
#include "testing/replay_fixtures.h"

namespace tester {
namespace {

struct PfCase {
  const char* name;
  const char* target;
  int use_kfactor;
  std::string trace;
  bool failed;
  Status status;
};

void PrintTo(const PfCase& c, std::ostream* os) { *os << c.name; }

class PermanentFailureTest : public ReplayLinkTest,
                             public ::testing::WithParamInterface<PfCase> {};

TEST_P(PermanentFailureTest, ReadsAndDecidesByRule) {
  const PfCase& c = GetParam();
  Replay(c.trace);
  const PermanentFailureCheck check = CheckPermanentFailure(link, c.target, c.use_kfactor);
  EXPECT_EQ(check.failed, c.failed);
  EXPECT_EQ(check.read_status, c.status);
  ExpectTraceDone();
}

std::string Word(const char* cmd, const char* word, int status = 0) {
  return std::string("GetWord cmd=") + cmd + " addr=0x17 -> " + std::to_string(status) +
         " word=" + word + "\n";
}
std::string Block(const char* cmd, const char* data, int status = 0) {
  const std::string bytes(data);
  return std::string("GetBlock cmd=") + cmd + " addr=0x17 -> " + std::to_string(status) +
         " len=" + std::to_string(bytes.size() / 2) + " data=" + bytes + "\n";
}
const std::string kSubcommand54 = "PutWord cmd=0x00 word=0x0054 addr=0x17 -> 0\nBusStatus -> 0\n";

INSTANTIATE_TEST_SUITE_P(
    Rules, PermanentFailureTest,
    ::testing::Values(
        PfCase{"PfWordFailed", "6EF0.1.00", 2, Word("0x53", "0x0001"), true, 0},
        PfCase{"PfWordClear", "3050.2.00", 2, Word("0x53", "0x0000"), false, 0},
        PfCase{"SubcommandBlockFailed", "1350.1.00", 2, kSubcommand54 + Block("0x23", "0010"),
               true, 0},
        PfCase{"SubcommandBlockClear", "1350.1.00", 2, kSubcommand54 + Block("0x23", "00EF"),
               false, 0},
        PfCase{"StatusBitsFailed", "7707.1.00", 2, Word("0x00", "0x2000"), true, 0},
        PfCase{"StatusBitsOtherBits", "7707.1.00", 2, Word("0x00", "0xCFFF"), false, 0},
        // The same status bits for these, read whatever the flag block would say.
        PfCase{"StatusBits76D5", "76D5.1.00", 2, Word("0x00", "0x1000"), true, 0},
        PfCase{"FlagBlockFailed", "4500.1.00", 2, Block("0x54", "0010"), true, 0},
        PfCase{"FlagBlockClear", "4500.1.00", 2, Block("0x54", "00EF"), false, 0},
        PfCase{"FlagBlockFallsBackToTheWord", "4500.1.00", 2,
               Block("0x54", "", 5) + Word("0x00", "0x3000"), false, 0},
        PfCase{"SafetyWordFailed", "800.1.02", 0, Word("0x23", "0x1000"), true, 0},
        PfCase{"SafetyWordFallsBack", "800.1.02", 1,
               Word("0x23", "0x0000", 5) + Word("0x53", "0x0000"), false, 0},
        PfCase{"NoAnswer", "800.1.02", 0, Word("0x23", "0x0000", 5) + Word("0x53", "0x0000", 6),
               false, 6},
        PfCase{"SubcommandRefused", "1350.1.00", 2,
               "PutWord cmd=0x00 word=0x0054 addr=0x17 -> 0\nBusStatus -> 7\n", false, 7}));

using DetectionTest = ReplayLinkTest;

TEST_F(DetectionTest, FallsBackToTheOtherIdentityCommandsThenGivesUp) {
  ScriptedDialogs dialogs;
  settings.QZMAC = 0x44;
  // QZMAC answers zeros, its block read fails, 0x67 fails, 0x00 answers.
  Replay(R"(PutWord cmd=0x44 word=0x0001 addr=0x17 -> 0
BusStatus -> 0
GetWord cmd=0x44 addr=0x17 -> 0 word=0x0000
PutWord cmd=0x44 word=0x0002 addr=0x17 -> 0
BusStatus -> 0
GetWord cmd=0x44 addr=0x17 -> 0 word=0x0000
PutWord cmd=0x44 word=0x0001 addr=0x17 -> 0
BusStatus -> 0
GetBlock cmd=0x23 addr=0x17 -> 9 len=0 data=
PutWord cmd=0x67 word=0x0001 addr=0x17 -> 9
PutWord cmd=0x00 word=0x0001 addr=0x17 -> 0
BusStatus -> 0
GetWord cmd=0x00 addr=0x17 -> 0 word=0x0800
PutWord cmd=0x00 word=0x0002 addr=0x17 -> 0
BusStatus -> 0
GetWord cmd=0x00 addr=0x17 -> 0 word=0x0102
)");
  EXPECT_EQ(AutoDetectTarget(link, dialogs), "800.1.02");
  ExpectTraceDone();
  EXPECT_TRUE(dialogs.Messages().empty());

  Replay(R"(PutRegBlock reg=0x44 addr=0xAA len=2 data=0100 -> 9
PutRegBlock reg=0x67 addr=0xAA len=2 data=0100 -> 9
PutRegBlock reg=0x00 addr=0xAA len=2 data=0100 -> 9
)");
  EXPECT_EQ(AutoDetectTargetI2C(link, dialogs), "");
  ExpectTraceDone();
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{LoadMessage(kMsgCommErrorReading)});
}

}  // namespace
}  // namespace tester
