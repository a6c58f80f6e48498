#include "engine/cli/station_cli.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/virtual_clock.h"
#include "sim/default_jig.h"
#include "sim/sim_control.h"
#include "testing/scratch_folder.h"

namespace tester {
namespace {

namespace fs = std::filesystem;

// A station of the default virtual jig on a virtual clock, with its own lock folder and
// an application folder holding `config` as Config.ini (none when empty).
class StationCliTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.Ok()) << scratch_.Error();
    fs::create_directories(root_ / "home");
    fs::create_directories(root_ / "locks");
  }

  std::unique_ptr<SimControl> MakeJig() {
    std::string error;
    auto jig = ParseJigText(DefaultJigText(), error);
    EXPECT_TRUE(jig) << error;
    auto control = MakeSimControl(*jig, (root_ / "locks").string(), clock_, error);
    EXPECT_NE(control, nullptr) << error;
    return control;
  }

  void WriteConfig(const std::string& text) {
    std::ofstream(root_ / "home" / "Config.ini") << text;
  }

  std::string Home() const { return (root_ / "home").string(); }

  // Claims the first `count` free adapters through other controls, as other engines would.
  void HoldAdapters(int count) {
    for (int i = 0; i < count; ++i) {
      holders_.push_back(MakeJig());
      GaugeLink holder(clock_, settings_);
      holder.BindGaugeControl(holders_.back().get());
      ASSERT_EQ(holder.OpenFirstAdapter(), kTrue);
    }
  }

  test::ScratchFolder scratch_{"station-cli"};
  fs::path root_ = scratch_.Path();
  VirtualClock clock_;
  StationSettings settings_;
  std::ostringstream out_, err_;
  std::vector<std::unique_ptr<SimControl>> holders_;
};

TEST_F(StationCliTest, SettingsOfAnEmptyFolderAreTheDefaults) {
  EXPECT_EQ(RunSettingsVerb(Home(), "800.1.02", out_, err_), kExitOk);
  const std::string text = out_.str();
  for (const char* line : {"CB_V_SETTLE=1000\n", "USB_RESP_TIME=1\n", "GGModeDFDelay=72\n",
                           "SBSWrDelay=36\n", "COMMANDSET=1\n", "DF_CHKSUM_SZ=2016\n",
                           "KFactorOverride=-27031\n", "CAL MODE=15\n", "Platform=32804\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(text.rfind("CB_V_SETTLE=", 0), 0u) << "table order starts with the Delay keys";
  EXPECT_EQ(err_.str(), "");
}

TEST_F(StationCliTest, SettingsWarnAboutValuesTheyCannotUse) {
  WriteConfig("[800D]\nCOMMANDSET=seven\nDF_IMAGE_SZ=99999999999\nQZMAC=70000\n");
  EXPECT_EQ(RunSettingsVerb(Home(), "800.1.02", out_, err_), kExitCannotStart);
  EXPECT_NE(out_.str().find("COMMANDSET=1\n"), std::string::npos) << "no number: refused";
  EXPECT_NE(err_.str().find("error: "), std::string::npos);
  EXPECT_NE(err_.str().find("line 2: [800D] COMMANDSET"), std::string::npos) << err_.str();
  EXPECT_NE(out_.str().find("QZMAC=0\n"), std::string::npos) << "out of range: default kept";
  EXPECT_NE(err_.str().find("QZMAC"), std::string::npos);
  EXPECT_NE(err_.str().find("DF_IMAGE_SZ"), std::string::npos);
}

TEST_F(StationCliTest, IdentifyReadsTheGaugeOnTheFirstFreeAdapter) {
  auto jig = MakeJig();
  GaugeLink link(clock_, settings_);
  link.BindGaugeControl(jig.get());
  EXPECT_EQ(RunIdentifyVerb(link, settings_, Home(), "", out_, err_), kExitOk) << err_.str();
  EXPECT_EQ(out_.str(), "800.1.02\n");
}

TEST_F(StationCliTest, IdentifyDetectsARegisterStyleGauge) {
  auto jig = MakeJig();
  // With the first two adapters held elsewhere the register-style station is the free one.
  HoldAdapters(2);
  GaugeLink link(clock_, settings_);
  link.BindGaugeControl(jig.get());
  EXPECT_EQ(RunIdentifyVerb(link, settings_, Home(), "", out_, err_), kExitOk) << err_.str();
  EXPECT_EQ(out_.str(), "100.1.09\n");
}

TEST_F(StationCliTest, IdentifyWithoutAFreeAdapterSaysSo) {
  HoldAdapters(4);
  auto jig = MakeJig();
  GaugeLink link(clock_, settings_);
  link.BindGaugeControl(jig.get());
  EXPECT_EQ(RunIdentifyVerb(link, settings_, Home(), "", out_, err_), kExitCannotStart);
  EXPECT_NE(err_.str().find("Linkpod not found!"), std::string::npos);
  EXPECT_EQ(out_.str(), "");
}

TEST_F(StationCliTest, IdentifyReportsABusErrorWithItsStatus) {
  // A register-style target read from an SMBus gauge: nobody answers at 0xAA.
  WriteConfig("[800D]\nCOMMANDSET=7\n");
  auto jig = MakeJig();
  GaugeLink link(clock_, settings_);
  link.BindGaugeControl(jig.get());
  EXPECT_EQ(RunIdentifyVerb(link, settings_, Home(), "800.1.02", out_, err_), kExitGaugeFailed);
  EXPECT_NE(err_.str().find("Communication error reading from Gas Gauge. Error code = "),
            std::string::npos)
      << err_.str();
  EXPECT_EQ(out_.str(), "");
}

TEST_F(StationCliTest, SurveyVisitsEveryAdapterWithItsSettings) {
  WriteConfig("[450D]\nCOMMANDSET=5\n[100D]\nCOMMANDSET=7\n[700D]\nCOMMANDSET=2\n");
  auto jig = MakeJig();
  GaugeLink link(clock_, settings_);
  link.BindGaugeControl(jig.get());
  EXPECT_EQ(RunSurveyVerb(link, settings_, Home(), out_, err_), kExitOk) << out_.str();
  const std::string text = out_.str();
  for (const char* line :
       {"Gauge version 800.1.02, command set 1", "Gauge version 450.2.01, command set 5",
        "Gauge version 100.1.09, command set 7", "Gauge version 700.1.05, command set 2"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  }
  EXPECT_NE(text.find("GGModeDFDelay=72"), std::string::npos);
  // No golden images in this folder: each station says so with the file's code.
  EXPECT_NE(text.find("Golden image Tester_800.1.02.rom: refused, error code = 65553"),
            std::string::npos)
      << text;
}

TEST_F(StationCliTest, SurveyChecksTheDemoGoldenImages) {
  const fs::path demo = fs::path(TESTER_SOURCE_DIR) / "demo";
  for (const auto& entry : fs::directory_iterator(demo)) {
    if (entry.is_regular_file()) {
      fs::copy_file(entry.path(), root_ / "home" / entry.path().filename());
    }
  }
  auto jig = MakeJig();
  GaugeLink link(clock_, settings_);
  link.BindGaugeControl(jig.get());
  EXPECT_EQ(RunSurveyVerb(link, settings_, Home(), out_, err_), kExitOk) << out_.str();
  const std::string text = out_.str();
  for (const char* line : {"Tester_800.1.02.rom: accepted, firmware identity 0x08A102",
                           "Tester_450.2.01.rom: accepted, firmware identity 0x045201",
                           "Tester_100.1.09.rom: accepted, firmware identity 0x01C109",
                           "Tester_700.1.05.rom: accepted, firmware identity 0x07B105"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  }
}

}  // namespace
}  // namespace tester
