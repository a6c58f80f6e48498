// `rigwright scan` and `rigwright write` on a virtual jig: the lines printed, the files
// written, and refused writes that leave every file as it was.
#include <gtest/gtest.h>

#include <sstream>

#include "common/gauge_control.h"
#include "platform/profile.h"
#include "setup/cli/setup_cli.h"
#include "setup/tests/setup_rig.h"

namespace tester::test {
namespace {

struct CliRig : SetupRig {
  using SetupRig::SetupRig;
  int Scan() {
    out.str("");
    err.str("");
    return RunScanVerb(*control, clock, home.Home(), out, err);
  }
  int Write(const WriteVerbArgs& args) {
    out.str("");
    err.str("");
    return RunWriteVerb(*control, clock, home.Home(), args, out, err);
  }
  std::string Jig(const std::string& section, const std::string& key) {
    return profile::ReadString(home.File("JigSetup.ini"), section, key, "<none>", 255);
  }
  // Every file of the application folder.
  std::string Files() {
    std::string all;
    for (const char* name : {"JigSetup.ini", "global.ini", "Bay01", "A", "B", "C"}) {
      all += std::string(name) + ":" + home.Read(name) + "\n";
    }
    return all;
  }
  std::ostringstream out, err;
};

std::string Factory() { return "adapter_id = " + std::string(kFactoryAdapterId) + "\n"; }

TEST(SetupCli, ScanPrintsEveryAdapterAndChangesNoIdentifier) {
  CliRig rig(SetupAdapter(AdapterName(0)) + SetupAdapter(AdapterName(1), "sensors = 0x94\n") +
             SetupAdapter(AdapterName(2), Factory()));
  rig.home.Write("JigSetup.ini", "[BoardMapping]\n" + AdapterName(1) + "=Bay07\n");
  EXPECT_EQ(rig.Scan(), 0);
  EXPECT_EQ(rig.out.str(),
            "0 " + AdapterName(0) + " cal_board=yes its=yes ets=yes advanced=no station=\n" +
                "1 " + AdapterName(1) + " cal_board=yes its=yes ets=no advanced=no station=Bay07\n" +
                "2 " + kFactoryAdapterId + " cal_board=yes its=yes ets=yes advanced=no station=\n");
  EXPECT_NE(rig.err.str().find("Rigwright: Found unnamed/duplicate board."), std::string::npos);
  EXPECT_EQ(rig.Scan(), 0);
  EXPECT_NE(rig.out.str().find(kFactoryAdapterId), std::string::npos);
}

TEST(SetupCli, WriteNamesTheAdaptersAndWritesWhatTheWindowWrites) {
  CliRig rig(SetupAdapter(AdapterName(0)) + SetupAdapter(AdapterName(1), "sensors = 0x94\n") +
             SetupAdapter(AdapterName(2), Factory()));
  WriteVerbArgs args;
  args.assign_unnamed = true;
  args.names = {"A", "B", "C"};
  args.no_test = {"c"};
  args.probes = {{"A", "EA"}};
  ASSERT_EQ(rig.Write(args), 0) << rig.err.str();
  EXPECT_EQ(rig.Jig("BoardMapping", AdapterName(1)), "B");
  EXPECT_EQ(rig.Jig("A", "Probe"), "EA");
  EXPECT_EQ(rig.Jig("B", "Probe"), "");
  EXPECT_EQ(rig.Jig("C", "DoTesting"), "0");
  EXPECT_EQ(rig.Jig("C", "Probe"), "IA");
  EXPECT_EQ(rig.Jig("B", "ETS"), "0");
  EXPECT_NE(rig.home.Read("C"), "<missing>");
  EXPECT_EQ(rig.out.str().find("A " + AdapterName(0) + " test=yes probe=EA\n"), 0u);
  // The factory identifier was replaced, so a scan reads the new one under its name.
  EXPECT_EQ(rig.Scan(), 0);
  EXPECT_EQ(rig.out.str().find(kFactoryAdapterId), std::string::npos);
  EXPECT_NE(rig.out.str().find("station=C\n"), std::string::npos);
}

TEST(SetupCli, ARefusedWriteChangesNoFile) {
  CliRig rig(SetupAdapter(AdapterName(0)) + SetupAdapter(AdapterName(1), "sensors = 0x94\n") +
             SetupAdapter(AdapterName(2), Factory()));
  const std::string before = rig.Files();
  WriteVerbArgs good;
  good.names = {"A", "B", "C"};
  auto refused = [&](WriteVerbArgs args, const std::string& why) {
    EXPECT_EQ(rig.Write(args), 2) << why;
    EXPECT_NE(rig.err.str().find(why), std::string::npos) << rig.err.str();
    EXPECT_EQ(rig.Files(), before) << why;
  };
  refused(good, "The board names are not unique!");  // the factory identifier is kept
  good.assign_unnamed = true;
  WriteVerbArgs args = good;
  args.names = {"A", "B"};
  refused(args, "3 adapters found, 2 names given");
  args = good;
  args.names = {"A", "a", "C"};
  refused(args, "The custom name A appears twice.");
  args = good;
  args.no_test = {"D"};
  refused(args, "--no-test names no station of this jig: D");
  args = good;
  args.probes = {{"A", "EB"}};
  refused(args, "station B has no external probe: EB");
  args = good;
  args.probes = {{"Z", "IA"}};
  refused(args, "--probe names no station of this jig: Z");
  args = good;
  profile::WriteString(rig.home.File("global.ini"), "Target", "CellCount", "9");
  const std::string broken = rig.Files();
  EXPECT_EQ(rig.Write(args), 2);
  EXPECT_NE(rig.err.str().find("The global settings cannot be used: "), std::string::npos);
  EXPECT_EQ(rig.Files(), broken);
}

TEST(SetupCli, ProbeArguments) {
  std::pair<std::string, std::string> probe;
  EXPECT_TRUE(ParseProbeArgument("Bay02=IBay01", probe));
  EXPECT_EQ(probe, (std::pair<std::string, std::string>{"Bay02", "IBay01"}));
  for (const char* bad : {"Bay02", "=IBay01", "Bay02=I", "Bay02=XBay01", "Bay02="}) {
    EXPECT_FALSE(ParseProbeArgument(bad, probe)) << bad;
  }
}

}  // namespace
}  // namespace tester::test
