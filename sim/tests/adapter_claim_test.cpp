// Adapter claims across controls and processes: free adapters listed first, held ones
// refused, a claim released by CloseLink and by the death of its holder.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "sim/tests/sim_test_support.h"

namespace tester {
namespace {

using simtest::kAdapterA;
using simtest::kAdapterB;

const std::string kTwoAdapters = std::string("[adapter ") + kAdapterA + "]\n[pack]\n[adapter " +
                                 kAdapterB + "]\n[pack]\nfamily = 7\n";

class ClaimTest : public ::testing::Test {
protected:
  std::unique_ptr<SimControl> Make() {
    std::string error;
    auto control = MakeSimControl(simtest::MustParse(kTwoAdapters), locks_.Path(), clock_, error);
    EXPECT_TRUE(control) << error;
    return control;
  }
  static std::string Names(SimControl& control, int32_t maximum = 16) {
    int32_t count = -1;
    std::string names;
    control.ListAdapters(maximum, count, names);
    return std::to_string(count) + ":" + names;
  }

  simtest::LockDir locks_;
  VirtualClock clock_;
};

TEST_F(ClaimTest, FreeAdaptersComeFirstAndHeldOnesAreRefused) {
  auto first = Make();
  auto second = Make();
  EXPECT_EQ(Names(*first), std::string("2:") + kAdapterA + "," + kAdapterB);
  EXPECT_EQ(Names(*first, 1), std::string("1:") + kAdapterA);
  EXPECT_EQ(Names(*first, 0), "0:");

  ASSERT_EQ(first->OpenAdapter(kAdapterA), 0);
  EXPECT_EQ(Names(*second), std::string("2:") + kAdapterB + "," + kAdapterA);
  EXPECT_EQ(Names(*first), std::string("2:") + kAdapterB + "," + kAdapterA);
  EXPECT_EQ(second->OpenAdapter(kAdapterA), -1) << "held by another control";
  EXPECT_EQ(second->OpenAdapter("00000000000000000000000000000FFF"), -1) << "unknown";
  EXPECT_EQ(first->OpenAdapter(kAdapterA), 0) << "reopening its own adapter";

  first->CloseLink();
  EXPECT_EQ(second->OpenAdapter(kAdapterA), 0);
  int16_t word = 0;
  EXPECT_EQ(first->GetWord(0x00, word, kAddrSmbusGauge), kSimNoAdapter);
  EXPECT_EQ(first->BusStatus(), kSimNoAdapter);
}

TEST_F(ClaimTest, OpeningAnotherAdapterReleasesTheFirst) {
  auto first = Make();
  auto second = Make();
  ASSERT_EQ(first->OpenAdapter(kAdapterA), 0);
  ASSERT_EQ(first->OpenAdapter(std::string(kAdapterB)), 0);
  EXPECT_EQ(second->OpenAdapter(kAdapterA), 0);
  EXPECT_EQ(first->Pack()->Description().family, 7);
}

TEST_F(ClaimTest, ClaimDiesWithItsProcess) {
  int ready[2];
  int hold[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(hold), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The child behaves like an engine: take the first free adapter and hold it.
    ::close(ready[0]);
    ::close(hold[1]);
    auto control = Make();
    int32_t count = 0;
    std::string names;
    control->ListAdapters(16, count, names);
    char opened = control->OpenAdapter(names.substr(0, names.find(','))) == 0 ? 'Y' : 'N';
    (void)!::write(ready[1], &opened, 1);
    char never = 0;
    (void)!::read(hold[0], &never, 1);  // blocks until killed
    ::_exit(0);
  }
  ::close(ready[1]);
  ::close(hold[0]);
  char opened = 0;
  ASSERT_EQ(::read(ready[0], &opened, 1), 1);
  EXPECT_EQ(opened, 'Y');

  auto parent = Make();
  EXPECT_EQ(Names(*parent), std::string("2:") + kAdapterB + "," + kAdapterA);
  EXPECT_EQ(parent->OpenAdapter(kAdapterA), -1);
  EXPECT_EQ(parent->OpenAdapter(kAdapterB), 0) << "the second claimant takes the next free one";
  parent->CloseLink();

  ASSERT_EQ(::kill(child, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(Names(*parent), std::string("2:") + kAdapterA + "," + kAdapterB);
  EXPECT_EQ(parent->OpenAdapter(kAdapterA), 0);
  ::close(ready[0]);
  ::close(hold[1]);
}

TEST_F(ClaimTest, UnusableLockDirectoryIsAnError) {
  std::string error;
  auto control = MakeSimControl(simtest::MustParse(kTwoAdapters), "/proc/no-locks-here", clock_,
                                error);
  EXPECT_FALSE(control);
  EXPECT_EQ(error, "cannot use adapter lock directory \"/proc/no-locks-here\"");
}

}  // namespace
}  // namespace tester
