// Loading the station settings from Config.ini files written for each case.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "gauge/gauge_link.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

class SettingsTest : public ::testing::Test {
protected:
  SettingsTest() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::filesystem::temp_directory_path() /
              ("settings_" + std::to_string(getpid()) + "_" + info->name());
    std::filesystem::create_directories(folder_);
  }
  ~SettingsTest() override { std::filesystem::remove_all(folder_); }

  void WriteConfig(const std::string& text) {
    std::ofstream(folder_ / "Config.ini") << text;
  }
  int16_t Load(const std::string& target = "800.1.02") {
    return LoadStationSettings(settings, folder_.string(), target);
  }
  // Warnings mentioning `needle`.
  int WarningsAbout(const std::string& needle) const {
    int count = 0;
    for (const auto& line : settings.warnings) count += line.find(needle) != std::string::npos;
    return count;
  }

  std::filesystem::path folder_;
  StationSettings settings;
};

TEST_F(SettingsTest, NoFileGivesEveryDefault) {
  EXPECT_EQ(Load(), kTrue);
  EXPECT_EQ(settings.CB_V_SETTLE, 1000);
  EXPECT_EQ(settings.USB_RESP_TIME, 1);
  EXPECT_EQ(settings.GG_FWEXEC, 600);
  EXPECT_EQ(settings.RetROMWd, 0x0F00);
  EXPECT_EQ(static_cast<uint16_t>(settings.KFactorOverride), 0x9669);
  EXPECT_EQ(settings.Platform, 0x8024);
  EXPECT_EQ(PlatformSectionName(settings.Platform), "8024P");
  EXPECT_EQ(settings.DF_BASE_ADDR, 0x4000);
  EXPECT_EQ(settings.DF_CHKSUM_SZ, 2016);
  EXPECT_EQ(settings.COMMANDSET, 1);
  EXPECT_EQ(settings.MANUFACTURE_STATUS_COMMAND, 0xB1);
  EXPECT_EQ(settings.CAL_MODE, 15);
  EXPECT_EQ(settings.GGModeDFDelay, 72);
  EXPECT_EQ(settings.SBSWrDelay, 36);
  EXPECT_EQ(settings.ET2Off_DFOff, 19);
  EXPECT_TRUE(settings.warnings.empty());
}

TEST_F(SettingsTest, VersionSectionOverDeviceSectionOverDefault) {
  WriteConfig(R"([800D]
GG_FWEXEC=700
CalWr=31
QZMAC=68
DATEOFFSET=12
[800_1_02]
GG_FWEXEC=800
CalWrSig=61
COMMANDSET=6
)");
  Load();
  EXPECT_EQ(settings.GG_FWEXEC, 800);  // both: the version section wins
  EXPECT_EQ(settings.CalWr, 31);       // device section only
  EXPECT_EQ(settings.CalWrSig, 61);    // version section only
  EXPECT_EQ(settings.DateOffset, 12);  // key names ignore case
  EXPECT_EQ(settings.COMMANDSET, 1);   // a device-only key is not looked up by version
  EXPECT_EQ(settings.maCommand, 68);   // the manufacturer-access command follows QZMAC
}

TEST_F(SettingsTest, EachKeyIsLookedUpOnlyWhereItsKindAllows) {
  WriteConfig(R"([Delay]
GG_FWEXEC=1
[800D]
CAL MODE=3
DF_PROGROW=9
USB_RESP_TIME=7
[800_1_02]
Platform=4660
SkipVBATCal=1
[1234P]
DF_ERASEROW=20
[8024P]
DF_ERASEROW=30
)");
  Load();
  EXPECT_EQ(settings.CAL_MODE, 3);           // a key with a blank in its name
  EXPECT_EQ(settings.DF_PROGROW, 2);         // platform-only: not read from the device section
  EXPECT_EQ(settings.USB_RESP_TIME, 1);      // "Delay" only
  EXPECT_EQ(settings.GG_FWEXEC, 600);        // layered: not read from "Delay"
  EXPECT_EQ(settings.Platform, 0x1234);      // layered: the version section names the platform
  EXPECT_EQ(settings.DF_ERASEROW, 20);       // ... and the platform section follows it
  EXPECT_EQ(settings.GGModeDFDelay, (20 + 1 * 2) * 6);
  EXPECT_EQ(settings.SkipVBATCal, 0);        // device-only
}

TEST_F(SettingsTest, PlatformSectionIsFourHexDigits) {
  EXPECT_EQ(PlatformSectionName(0x24), "0024P");
  EXPECT_EQ(PlatformSectionName(0x1234), "1234P");
  EXPECT_EQ(PlatformSectionName(0xABCDE), "ABCDEP");  // no digit dropped
  WriteConfig(R"([800D]
Platform=36
[0024P]
DF_PROGROW_SZ=16
[8024P]
DF_PROGROW_SZ=8
)");
  Load();
  EXPECT_EQ(settings.DF_PROGROW_SZ, 16);
  EXPECT_EQ(settings.GGModeDFDelay, (10 + 2 * 2) * 6);
}

TEST_F(SettingsTest, ComputedDelayDefaultsFollowThePlatformTimings) {
  WriteConfig("[8024P]\nDF_PROGROW=3\n");
  Load();
  EXPECT_EQ(settings.GGModeDFDelay, 78);
  EXPECT_EQ(settings.SBSWrDelay, 39);

  WriteConfig("[8024P]\nDF_PROGROW=3\n[800_1_02]\nGGModeDFDelay=500\n");
  Load();
  EXPECT_EQ(settings.GGModeDFDelay, 500);
  EXPECT_EQ(settings.SBSWrDelay, 39);  // half the computed default, not of the value read
}

TEST_F(SettingsTest, ZeroRowSizeFallsBackTo32WithAWarning) {
  WriteConfig("[8024P]\nDF_PROGROW_SZ=0\n");
  EXPECT_EQ(Load(), kTrue);
  EXPECT_EQ(settings.DF_PROGROW_SZ, 32);
  EXPECT_EQ(settings.GGModeDFDelay, 72);
  EXPECT_EQ(WarningsAbout("[8024P] DF_PROGROW_SZ"), 1);
}

TEST_F(SettingsTest, TargetWithoutDotRereadsOnlyTheDelayKeys) {
  Load();
  WriteConfig("[Delay]\nUSB_RESP_TIME=5\n[800D]\nGG_FWEXEC=999\nQZMAC=3\n");
  EXPECT_EQ(Load("800"), kFalse);
  EXPECT_EQ(settings.USB_RESP_TIME, 5);
  EXPECT_EQ(settings.GG_FWEXEC, 600);
  EXPECT_EQ(settings.maCommand, 0);
  EXPECT_EQ(settings.GGModeDFDelay, 72);
}

TEST_F(SettingsTest, SixteenBitFieldsTakeThePatternOfEitherSpelling) {
  WriteConfig(R"([800D]
KFactorOverride=38505
SerialClsID=-27031
DF_IMAGE_SZ=100000
)");
  Load();
  EXPECT_EQ(settings.KFactorOverride, -27031);
  EXPECT_EQ(settings.SerialClsID, -27031);
  EXPECT_EQ(settings.DF_IMAGE_SZ, 100000);  // a 32-bit field
  EXPECT_TRUE(settings.warnings.empty());
}

TEST_F(SettingsTest, MalformedValues) {
  WriteConfig(R"([Delay]
CB_V_SETTLE=1O00
CB_I_SETTLE=1000   ; settle time
USB_RESP_TIME=99999999999
LOAD_VI_SETTLE=
[800D]
DateOffset=70000
SerialOffset=20
GG_FWEXEC=abc
[800_1_02]
SerialOffset=-40000
CalWr=12x ; ms
)");
  Load();
  // Digits followed by anything but a comment, or no digits at all: an error each, the
  // field at its fallback.
  EXPECT_EQ(settings.CB_V_SETTLE, 1000);
  EXPECT_EQ(settings.GG_FWEXEC, 600);
  EXPECT_EQ(settings.CalWr, 30);
  ASSERT_EQ(settings.errors.size(), 3u);
  EXPECT_NE(settings.errors[0].find("Config.ini, line 2: [Delay] CB_V_SETTLE = \"1O00\""),
            std::string::npos);
  EXPECT_NE(settings.errors[1].find("line 9: [800D] GG_FWEXEC"), std::string::npos);
  EXPECT_NE(settings.errors[2].find("line 12: [800_1_02] CalWr"), std::string::npos);
  EXPECT_EQ(settings.CB_I_SETTLE, 1000);     // a trailing comment is allowed
  EXPECT_EQ(settings.USB_RESP_TIME, 1);      // beyond 32 bits: rejected with a warning
  EXPECT_EQ(WarningsAbout("[Delay] USB_RESP_TIME"), 1);
  EXPECT_EQ(settings.LOAD_VI_SETTLE, 200);   // empty: the default, no warning
  EXPECT_EQ(settings.DateOffset, 10);        // beyond 16 bits: rejected
  EXPECT_EQ(WarningsAbout("line 7: [800D] DateOffset = \"70000\""), 1);
  EXPECT_EQ(settings.SerialOffset, 20);      // the layer below stays
  EXPECT_EQ(WarningsAbout("[800_1_02] SerialOffset"), 1);
  EXPECT_EQ(settings.warnings.size(), 3u);

  WriteConfig("");
  Load();
  EXPECT_TRUE(settings.warnings.empty());  // findings are those of the last load
  EXPECT_TRUE(settings.errors.empty());
}

TEST_F(SettingsTest, TargetNameSplitsIntoDeviceAndVersionSections) {
  std::string device = "keep";
  std::string version = "keep";
  EXPECT_EQ(SplitTargetName("800", device, version), kFalse);
  EXPECT_EQ(device, "keep");
  EXPECT_EQ(SplitTargetName("A12.3.04", device, version), kTrue);
  EXPECT_EQ(device, "A12D");
  EXPECT_EQ(version, "A12_3_04");
}

TEST_F(SettingsTest, OtherReadersOfTheFile) {
  EXPECT_EQ(ReadCalBrdUse(folder_.string()), 1);
  EXPECT_EQ(ReadTemperTol(folder_.string()), 10);
  WriteConfig("[CalBrd]\nUse=0\n[Temper]\nTol=25\n[800D]\nX=7\n[800_1_02]\nX=9\n");
  EXPECT_EQ(ReadCalBrdUse(folder_.string()), 0);
  EXPECT_EQ(ReadTemperTol(folder_.string()), 25);
  const std::string file = (folder_ / "Config.ini").string();
  EXPECT_EQ(ReadLayeredInt("800D", "800_1_02", "X", 1, file), 9);
  EXPECT_EQ(ReadLayeredInt("800D", "800_1_03", "X", 1, file), 7);
  EXPECT_EQ(ReadLayeredInt("801D", "801_1_03", "X", 1, file), 1);
}

TEST_F(SettingsTest, ListingFollowsTheTableWithFileKeys) {
  Load();
  const std::string listing = FormatStationSettings(settings);
  EXPECT_EQ(listing.rfind("CB_V_SETTLE=1000\nCB_I_SETTLE=1000\n", 0), 0u);
  EXPECT_NE(listing.find("\nKFactorOverride=-27031\n"), std::string::npos);
  EXPECT_NE(listing.find("\nCAL MODE=15\n"), std::string::npos);
  EXPECT_EQ(listing.find("maCommand"), std::string::npos);
  const std::string tail = "SkipVBATCal=0\nToggleTempBit=0\n";
  EXPECT_EQ(listing.substr(listing.size() - tail.size()), tail);
  EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 63);
}

}  // namespace
}  // namespace tester
