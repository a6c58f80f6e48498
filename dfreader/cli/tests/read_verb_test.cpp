// flashwright read on the virtual jig: its exit statuses, and the round trip that proves an
// image: read a reference pack, program the file into a fresh pack with the engine's own
// run, and the two data flashes are equal.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "components/sqlite_serial_counter.h"
#include "components/sqlite_tester_log.h"
#include "dfreader/cli/read_cli.h"
#include "engine/cli/run_cli.h"
#include "platform/profile.h"
#include "platform/virtual_clock.h"
#include "sim/sim_control.h"
#include "testing/demo_home.h"
#include "testing/jig_station.h"

namespace tester {
namespace {

class ReadVerbTest : public ::testing::Test {
protected:
  // The default jig, or only its station `adapter` (the reference pack first).
  void Jig(std::optional<std::size_t> adapter) {
    ASSERT_TRUE(home.Ok()) << home.Error();
    JigDescription jig = DefaultJig();
    if (adapter) jig.adapters = {jig.adapters.at(*adapter)};
    std::string error;
    control = MakeSimControl(jig, home.Locks(), clock, error);
    ASSERT_TRUE(control) << error;
  }
  int Read(const ReadVerbArgs& args) {
    out.str("");
    err.str("");
    return RunReadVerb(clock, *control, home.Home(), home.Home(), args, out, err);
  }
  std::vector<uint8_t> DataFlash() {
    const auto flash = control->Station(0).Pack()->Memory().DataFlash();
    return {flash.begin(), flash.end()};
  }

  VirtualClock clock;
  test::DemoHome home{test::DemoFolder(), "tester-read-verb"};
  std::unique_ptr<SimControl> control;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(ReadVerbTest, ExitsByWhatWasWritten) {
  Jig(std::nullopt);  // four adapters: no link is opened
  EXPECT_EQ(Read({home.File("golden.rom"), "", true}), 2);
  EXPECT_NE(err.str().find("Please connect only 1 Linkpod"), std::string::npos) << err.str();

  Jig(0);
  home.Write("golden.rom", "older");
  EXPECT_EQ(Read({home.File("golden.rom"), "", false}), 1);  // typed by hand: asked, No
  EXPECT_EQ(home.Read("golden.rom"), "older");
  EXPECT_NE(err.str().find("File already exists. Do you want to overwrite it? / "),
            std::string::npos)
      << err.str();
  EXPECT_EQ(Read({home.File("golden.rom"), "", true}), 0) << err.str();
  EXPECT_EQ(out.str(), home.File("golden.rom") + "\n");
  EXPECT_EQ(home.Read("golden.rom"), home.Read("Tester_800.1.02.rom"));
  EXPECT_EQ(home.Read("flashwright.ini"), "<missing>") << "the console leaves the window's state";
}

struct TripCase {
  std::size_t adapter;
  const char* target;  // where the reader starts: register-style gauges need their own
  const char* loader;
};
void PrintTo(const TripCase& c, std::ostream* os) { *os << c.loader; }

class RoundTripTest : public ReadVerbTest, public ::testing::WithParamInterface<TripCase> {};

TEST_P(RoundTripTest, TheEngineProgramsTheReferenceIntoAFreshPack) {
  Jig(GetParam().adapter);
  const std::string image = home.File("golden.rom");
  ASSERT_EQ(Read({image, GetParam().target, true}), 0) << err.str();
  const std::vector<uint8_t> reference = DataFlash();

  ASSERT_TRUE(control->Station(0).NextPack());
  ASSERT_NE(DataFlash(), reference) << "the fresh pack starts out different";

  // A station that programs and checks nothing else, and takes only an image with its
  // digest.
  const std::string ini = home.Write("Reader.ini", home.Read("Station1.ini"));
  const std::string target = TargetOf(control->Station(0).Pack()->Description());
  const std::vector<std::vector<std::string>> keys = {
      {"Target", "TargetName", target},        {"Files", "DataFlashImageFile", image},
      {"Files", "RequireImageDigest", "1"},    {"Steps", "WriteSerialNumber", "0"},
      {"Steps", "WriteMfrData", "0"},          {"Steps", "WriteMfrDate", "0"},
      {"Calibration", "VoltageCalEnabled", "0"}, {"Calibration", "CurrentCalEnabled", "0"},
      {"Calibration", "TemperatureCalEnabled", "0"}, {"Calibration", "CalCCOffset", "0"},
      {"Calibration", "CalBoardOffset", "0"}};
  for (const auto& key : keys) ASSERT_TRUE(profile::WriteString(ini, key[0], key[1], key[2]));
  std::ostringstream run_out;
  std::ostringstream run_err;
  SqliteSerialCounter serials(home.Home(), clock);
  SqliteTesterLog log(home.Home(), clock);
  ASSERT_EQ(RunRunVerb(clock, *control, home.Home(), {ini, "ardentis"}, {serials, log}, run_out,
                       run_err),
            0)
      << run_out.str() << run_err.str();
  EXPECT_EQ(DataFlash(), reference);
}

INSTANTIATE_TEST_SUITE_P(BothLoaders, RoundTripTest,
                         ::testing::Values(TripCase{0, "800.1.02", "SMBus"},
                                           TripCase{1, "800.1.02", "RegisterBehindTheBusSwitch"},
                                           TripCase{2, "100.1.09", "Register"}));

}  // namespace
}  // namespace tester
