// A production run through the i2c-dev backend on the fake kernel: every demo target of
// the default jig passes, and the bus conversation is the one the same run has on the sim
// backend, operation for operation and byte for byte. Failed transfers (the polls of the
// loaders) carry each backend's own status, so only their failing is compared.
#include <regex>
#include <string>
#include <vector>

#include "engine/tests/station_run_fixture.h"

namespace tester::runtest {
namespace {

// The line with a nonzero status written as "failed".
std::vector<std::string> WithFailuresAlike(std::vector<std::string> lines) {
  static const std::regex failed(R"(-> -?[1-9][0-9]*)");
  for (std::string& line : lines) line = std::regex_replace(line, failed, "-> failed");
  return lines;
}

struct RunOutcome {
  CompletionReport report;
  std::vector<std::string> trace;
  int64_t station_ms = 0;
};

RunOutcome RunOn(Backend backend, std::size_t adapter) {
  StationRun run(DefaultJig(), adapter, DemoFolder(), backend);
  RunOutcome outcome;
  if (!run.Ok()) return outcome;
  run.OnStation().NextPack();  // a production pack, whose data flash differs
  run.ConfigureLikeDemo(run.Pack().Description());
  outcome.report = run.InitAndRun();
  outcome.trace = WithFailuresAlike(run.TraceLines());
  outcome.station_ms = run.clock.Now() / kMicrosPerMs;
  return outcome;
}

class I2cDevRun : public ::testing::TestWithParam<std::size_t> {};

TEST_P(I2cDevRun, PassesWithTheSimBackendsConversation) {
  const RunOutcome sim = RunOn(Backend::kSim, GetParam());
  const RunOutcome i2c = RunOn(Backend::kI2cDev, GetParam());
  ASSERT_FALSE(sim.trace.empty());
  EXPECT_EQ(i2c.report.nErrCode, 0);
  EXPECT_EQ(i2c.report.nExtErrCode, 0);
  EXPECT_EQ(i2c.report.sSerial, "1");
  ASSERT_EQ(i2c.trace.size(), sim.trace.size());
  for (std::size_t i = 0; i < sim.trace.size(); ++i) {
    ASSERT_EQ(i2c.trace[i], sim.trace[i]) << "operation " << i;
  }
  EXPECT_EQ(i2c.station_ms, sim.station_ms) << "the same wire time on the station clock";
}

INSTANTIATE_TEST_SUITE_P(DefaultJig, I2cDevRun, ::testing::Values(0u, 1u, 2u, 3u),
                         [](const auto& info) { return "Station" + std::to_string(info.index); });

}  // namespace
}  // namespace tester::runtest
