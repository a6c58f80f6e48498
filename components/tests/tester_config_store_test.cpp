#include "components/tester_config_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <limits>

#include "common/component_error.h"
#include "testing/scratch_folder.h"

namespace tester {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::SizeIs;
using ConfigScratch = test::ScratchFolder;

// A value for every property, none of them its default, with texts that need quoting.
void SetDistinct(TesterConfigProperties& p) {
  p.ProgramDataFlash = 1;
  p.CalCCOffset = 1;
  p.VoltageCalEnabled = 1;
  p.TemperatureCalEnabled = 1;
  p.CurrentCalEnabled = 1;
  p.TS1CalEnabled = 1;
  p.TS2CalEnabled = 1;
  p.TS3CalEnabled = 1;
  p.TS4CalEnabled = 1;
  p.IntTSCalEnabled = 1;
  p.CalBoardOffset = 1;
  p.CalParamL = -32768;
  p.CalParamE = 32767;
  p.CalSimultaneous = 1;
  p.CellCount = 4;
  p.IntSensorAddress = kIntSensorAddressAdvanced;
  p.WriteMfrDate = 1;
  p.WriteMfrData = 1;
  p.WriteSerialNumber = 1;
  p.DataFlashImageFile = "  images/Tester_800.1.02.rom ";
  p.LogFile = "\"quoted\" log; a=b [x]";
  p.NominalSenseResistor = 20;
  p.SenseResistorTolerance = 7;
  p.NominalCellGain = 800;
  p.CellGainTolerance = 3;
  p.VoltageWindow = 123;
  p.TempOffsetTolerance = 35;
  p.IssuesParam = -5;
  p.MonowireMode = 1;
  p.NextSerialNumber = std::numeric_limits<int32_t>::max();
  p.NoSerialOnFail = 1;
  p.MfrDateCode = -12345;
  p.MfrDataValue = std::numeric_limits<int32_t>::min();
  p.MfrDataText = "ACME \xC3\xA9 = ;";
  p.UseCurrentDate = 1;
  p.CheckIntSensor = 1;
  p.ExtTempOffset = -17;
  p.IntTempOffset = 23;
  p.TargetName = "450.2.01";
  p.VoltageCalMode = kVoltageCalPerTapInside;
  p.TargetKind = 6;
  p.CalBoardOffsetAlt = 1;
  p.BoardOffsetValue = -42;
  p.RefVoltage1 = 3712;
  p.RefVoltage2 = 7421;
  p.RefVoltage3 = 11133;
  p.RefVoltage4 = 65535;
  p.RefTemperature = 23.456789f;
  p.RefCurrent = -32767;
}

#define EXPECT_SAME(field) EXPECT_EQ(a.field, b.field) << #field
void ExpectSameProperties(const TesterConfigProperties& a, const TesterConfigProperties& b) {
  EXPECT_SAME(ProgramDataFlash); EXPECT_SAME(CalCCOffset); EXPECT_SAME(VoltageCalEnabled);
  EXPECT_SAME(TemperatureCalEnabled); EXPECT_SAME(CurrentCalEnabled); EXPECT_SAME(TS1CalEnabled);
  EXPECT_SAME(TS2CalEnabled); EXPECT_SAME(TS3CalEnabled); EXPECT_SAME(TS4CalEnabled);
  EXPECT_SAME(IntTSCalEnabled); EXPECT_SAME(CalBoardOffset); EXPECT_SAME(CalParamL);
  EXPECT_SAME(CalParamE); EXPECT_SAME(CalSimultaneous); EXPECT_SAME(CellCount);
  EXPECT_SAME(IntSensorAddress); EXPECT_SAME(WriteMfrDate); EXPECT_SAME(WriteMfrData);
  EXPECT_SAME(WriteSerialNumber); EXPECT_SAME(DataFlashImageFile); EXPECT_SAME(LogFile); EXPECT_SAME(RequireImageDigest);
  EXPECT_SAME(NominalSenseResistor); EXPECT_SAME(SenseResistorTolerance);
  EXPECT_SAME(NominalCellGain); EXPECT_SAME(CellGainTolerance); EXPECT_SAME(VoltageWindow);
  EXPECT_SAME(TempOffsetTolerance); EXPECT_SAME(IssuesParam); EXPECT_SAME(MonowireMode);
  EXPECT_SAME(NextSerialNumber); EXPECT_SAME(NoSerialOnFail); EXPECT_SAME(MfrDateCode);
  EXPECT_SAME(MfrDataValue); EXPECT_SAME(MfrDataText); EXPECT_SAME(UseCurrentDate);
  EXPECT_SAME(CheckIntSensor); EXPECT_SAME(ExtTempOffset); EXPECT_SAME(IntTempOffset);
  EXPECT_SAME(TargetName); EXPECT_SAME(VoltageCalMode); EXPECT_SAME(TargetKind);
  EXPECT_SAME(CalBoardOffsetAlt); EXPECT_SAME(BoardOffsetValue); EXPECT_SAME(RefVoltage1);
  EXPECT_SAME(RefVoltage2); EXPECT_SAME(RefVoltage3); EXPECT_SAME(RefVoltage4);
  EXPECT_SAME(RefTemperature); EXPECT_SAME(RefCurrent);
}
#undef EXPECT_SAME

// The properties of a freshly built store.
TesterConfigProperties Defaults() {
  TesterConfigStore fresh;
  return fresh;
}

// A hand-edited station file: comments, odd spacing, CRLF line ends, an unknown key and
// an unknown section that a save must keep.
constexpr char kHandWritten[] =
    "; Line 3, station 7\r\n"
    "[Target]\r\n"
    "TargetName = 800.1.02\r\n"
    "CellCount=3\r\n"
    "Operator = Kim\r\n"
    "\r\n"
    "[References]\r\n"
    "; measured 2024-05-02\r\n"
    "RefVoltage1 = 3650\r\n"
    "refvoltage2=7300\r\n"
    "RefTemperature=24.5\r\n"
    "\r\n"
    "[Station]\r\n"
    "IntSensorAddress=146\r\n"
    "ExtTempOffset=4\r\n"
    "\r\n"
    "[Maintenance]\r\n"
    "LastService=2024-04-01\r\n";

TEST(ConfigDefaults, AFreshStoreHoldsTheFactoryDefaults) {
  const TesterConfigStore config;
  EXPECT_EQ(config.CellCount, 1);
  EXPECT_EQ(config.IntSensorAddress, kIntSensorAddressNormal);
  EXPECT_EQ(config.VoltageCalMode, kVoltageCalTotal);
  EXPECT_EQ(config.NominalSenseResistor, 10);
  EXPECT_EQ(config.SenseResistorTolerance, 10);
  EXPECT_EQ(config.CellGainTolerance, 5);
  EXPECT_EQ(config.TempOffsetTolerance, 50);
  EXPECT_EQ(config.NextSerialNumber, 1);
  // Reference values are measured per station: none is invented.
  EXPECT_EQ(config.RefVoltage1, 0);
  EXPECT_EQ(config.RefCurrent, 0);
  EXPECT_EQ(config.RefTemperature, 0.0f);
  for (int16_t flag : {config.ProgramDataFlash, config.CalCCOffset, config.VoltageCalEnabled,
                       config.TemperatureCalEnabled, config.CurrentCalEnabled,
                       config.TS1CalEnabled, config.IntTSCalEnabled, config.CalBoardOffset,
                       config.CalSimultaneous, config.WriteSerialNumber, config.NoSerialOnFail,
                       config.UseCurrentDate, config.CheckIntSensor, config.CalBoardOffsetAlt}) {
    EXPECT_EQ(flag, 0);
  }
  EXPECT_THAT(config.TargetName, IsEmpty());
  EXPECT_THAT(config.IniFile, IsEmpty());
}

TEST(ConfigDefaults, MissingFileAndMissingKeysGiveDefaults) {
  ConfigScratch dir;
  TesterConfigStore config;
  SetDistinct(config);
  config.IniFile = dir.File("never-written");
  EXPECT_NO_THROW(config.LoadConfig());
  ExpectSameProperties(config, Defaults());
  EXPECT_THAT(config.Problems(), IsEmpty());

  // A later load of a thin file does not keep values of the earlier one.
  config.IniFile = dir.Write("full", "[Target]\nCellCount=3\n[Steps]\nProgramDataFlash=1\n");
  config.LoadConfig();
  EXPECT_EQ(config.CellCount, 3);
  config.IniFile = dir.Write("thin", "[Steps]\nProgramDataFlash=1\n");
  config.LoadConfig();
  EXPECT_EQ(config.CellCount, 1);
  EXPECT_EQ(config.ProgramDataFlash, 1);
}

TEST(ConfigRoundTrip, EveryPropertySurvivesSaveAndLoad) {
  ConfigScratch dir;
  TesterConfigStore saved;
  SetDistinct(saved);
  saved.IniFile = dir.File("Station1");
  ASSERT_EQ(saved.SaveConfig(), "");

  TesterConfigStore loaded;
  loaded.IniFile = saved.IniFile;
  loaded.LoadConfig();
  EXPECT_THAT(loaded.Problems(), IsEmpty());
  ExpectSameProperties(loaded, saved);

  // Saving what was loaded changes nothing in the file.
  const std::string first = dir.Read("Station1");
  ASSERT_EQ(loaded.SaveConfig(), "");
  EXPECT_EQ(dir.Read("Station1"), first);
}

TEST(ConfigRoundTrip, RealsReadBackBitForBit) {
  ConfigScratch dir;
  for (float t : {0.1f, 1.0f / 3.0f, -49.99f, 149.999f, 25.0f, -0.0f, 1e-7f,
                  std::nextafter(25.0f, 26.0f)}) {
    TesterConfigStore config;
    config.IniFile = dir.File("t");
    config.RefTemperature = t;
    ASSERT_EQ(config.SaveVTIConfig(), "");
    TesterConfigStore loaded;
    loaded.IniFile = config.IniFile;
    loaded.LoadVTIConfig();
    EXPECT_EQ(loaded.RefTemperature, t) << dir.Read("t");
  }
}

TEST(ConfigRoundTrip, SaveIntoAHandEditedFileKeepsItsCommentsAndUnknownKeys) {
  ConfigScratch dir;
  TesterConfigStore config;
  config.IniFile = dir.Write("Station7", kHandWritten);
  config.LoadConfig();
  EXPECT_EQ(config.CellCount, 3);
  EXPECT_EQ(config.RefVoltage2, 7300);  // key names compare ignoring case
  SetDistinct(config);
  ASSERT_EQ(config.SaveConfig(), "");

  const std::string text = dir.Read("Station7");
  EXPECT_THAT(text, AllOf(HasSubstr("; Line 3, station 7\r\n"), HasSubstr("Operator = Kim\r\n"),
                          HasSubstr("; measured 2024-05-02\r\n"),
                          HasSubstr("[Maintenance]\r\nLastService=2024-04-01\r\n"),
                          HasSubstr("RefVoltage1 = 3712\r\n"), HasSubstr("refvoltage2=7421\r\n"),
                          HasSubstr("[Limits]\r\n")));
  EXPECT_EQ(text.find("\n\n"), std::string::npos) << "line ends stay CRLF";
  TesterConfigStore loaded;
  loaded.IniFile = config.IniFile;
  loaded.LoadConfig();
  ExpectSameProperties(loaded, config);
}

TEST(ConfigPartialSave, VtiSaveChangesOnlyTheSixReferences) {
  ConfigScratch dir;
  TesterConfigStore config;
  config.IniFile = dir.Write("Station7", kHandWritten);
  config.LoadConfig();
  config.CellCount = 2;  // not a reference: stays 3 in the file
  config.ExtTempOffset = 9;
  config.RefVoltage1 = 3701;
  config.RefVoltage2 = 7402;
  config.RefVoltage3 = 11103;
  config.RefVoltage4 = 14804;
  config.RefTemperature = 26.5f;
  config.RefCurrent = 1999;
  ASSERT_EQ(config.SaveVTIConfig(), "");

  std::string expected = kHandWritten;
  auto replace = [&expected](const std::string& from, const std::string& to) {
    expected.replace(expected.find(from), from.size(), to);
  };
  replace("RefVoltage1 = 3650", "RefVoltage1 = 3701");
  replace("refvoltage2=7300", "refvoltage2=7402");
  replace("RefTemperature=24.5\r\n",
          "RefTemperature=26.5\r\n; mV across cells 1 to 3\r\nRefVoltage3=11103\r\n"
          "; mV across cells 1 to 4\r\nRefVoltage4=14804\r\n; mA (positive: discharge)\r\n"
          "RefCurrent=1999\r\n");
  EXPECT_EQ(dir.Read("Station7"), expected);

  TesterConfigStore later;
  later.IniFile = config.IniFile;
  later.LoadConfig();
  EXPECT_EQ(later.RefVoltage1, 3701);
  EXPECT_EQ(later.RefVoltage4, 14804);
  EXPECT_EQ(later.RefTemperature, 26.5f);
  EXPECT_EQ(later.RefCurrent, 1999);
  EXPECT_EQ(later.CellCount, 3);
  EXPECT_EQ(later.ExtTempOffset, 4);
}

TEST(ConfigPartialSave, VtiSaveAppendsAMissingSectionAndLeavesTheRestAsItWas) {
  ConfigScratch dir;
  const std::string original = "[Target]\nCellCount=2";  // no line end at the end
  TesterConfigStore config;
  config.IniFile = dir.Write("s", original);
  config.RefVoltage1 = 3700;
  ASSERT_EQ(config.SaveVTIConfig(), "");
  const std::string text = dir.Read("s");
  EXPECT_EQ(text.substr(0, original.size() + 1), original + "\n");
  EXPECT_THAT(text, HasSubstr("[References]\n; mV across cell 1\nRefVoltage1=3700\n"));
  EXPECT_THAT(text, Not(HasSubstr("[Station]")));
}

TEST(ConfigPartialSave, TemperatureOffsetsAloneAreLoadedAndSaved) {
  ConfigScratch dir;
  TesterConfigStore config;
  config.IniFile = dir.Write("Station7", kHandWritten);
  SetDistinct(config);
  config.LoadTempConfig();
  EXPECT_EQ(config.ExtTempOffset, 4);
  EXPECT_EQ(config.IntTempOffset, 0);  // absent: default
  EXPECT_EQ(config.CellCount, 4);      // not touched by this load
  EXPECT_EQ(config.RefVoltage1, 3712);
  EXPECT_EQ(config.IntSensorAddress, kIntSensorAddressAdvanced);

  config.ExtTempOffset = -3;
  config.IntTempOffset = 12;
  ASSERT_EQ(config.SaveTempConfig(), "");
  std::string expected = kHandWritten;
  expected.replace(expected.find("ExtTempOffset=4\r\n"), 17,
                   "ExtTempOffset=-3\r\n; added to the board's own sensor readings, 0.1 degC\r\n"
                   "IntTempOffset=12\r\n");
  EXPECT_EQ(dir.Read("Station7"), expected);
}

TEST(ConfigPartialLoad, GlobalLoadReadsOnlyTheSharedSwitches) {
  ConfigScratch dir;
  TesterConfigStore station;
  SetDistinct(station);
  station.IniFile = dir.File("global.ini");
  ASSERT_EQ(station.SaveConfig(), "");

  TesterConfigStore config;
  config.IniFile = station.IniFile;
  config.RefVoltage1 = 1111;
  config.RefTemperature = 11.5f;
  config.IntSensorAddress = 150;
  config.ExtTempOffset = 2;
  config.LoadGlobalConfig();
  // The per-station values stay as they were ...
  EXPECT_EQ(config.RefVoltage1, 1111);
  EXPECT_EQ(config.RefVoltage2, 0);
  EXPECT_EQ(config.RefTemperature, 11.5f);
  EXPECT_EQ(config.IntSensorAddress, 150);
  EXPECT_EQ(config.ExtTempOffset, 2);
  EXPECT_EQ(config.IntTempOffset, 0);
  // ... everything else comes from the file.
  config.RefVoltage1 = station.RefVoltage1;
  config.RefVoltage2 = station.RefVoltage2;
  config.RefVoltage3 = station.RefVoltage3;
  config.RefVoltage4 = station.RefVoltage4;
  config.RefTemperature = station.RefTemperature;
  config.RefCurrent = station.RefCurrent;
  config.IntSensorAddress = station.IntSensorAddress;
  config.ExtTempOffset = station.ExtTempOffset;
  config.IntTempOffset = station.IntTempOffset;
  ExpectSameProperties(config, station);
}

TEST(ConfigPartialLoad, VtiLoadReadsOnlyTheReferences) {
  ConfigScratch dir;
  TesterConfigStore config;
  config.IniFile = dir.Write("Station7", kHandWritten);
  config.RefCurrent = 500;  // absent from the file: back to its default
  config.LoadVTIConfig();
  EXPECT_EQ(config.RefVoltage1, 3650);
  EXPECT_EQ(config.RefVoltage2, 7300);
  EXPECT_EQ(config.RefTemperature, 24.5f);
  EXPECT_EQ(config.RefCurrent, 0);
  EXPECT_EQ(config.CellCount, 1);
  EXPECT_EQ(config.IntSensorAddress, kIntSensorAddressNormal);
}

TEST(ConfigBadInput, RejectedValuesKeepTheirDefaultAndAreReported) {
  ConfigScratch dir;
  TesterConfigStore config;
  config.IniFile = dir.Write("bad",
                             "[Target]\n"
                             "CellCount=9\n"
                             "TargetKind=\n"  // empty number: absent, no warning
                             "[Steps]\n"
                             "ProgramDataFlash=yes\n"
                             "WriteSerialNumber=-1\n"
                             "MonowireMode=0x01\n"
                             "[Calibration]\n"
                             "VoltageCalMode=3\n"
                             "[Limits]\n"
                             "VoltageWindow=70000\n"
                             "NominalSenseResistor=12abc\n"
                             "CellGainTolerance=99999999999999\n"
                             "[References]\n"
                             "RefVoltage1=-5\n"
                             "RefTemperature=abc\n"
                             "RefCurrent=40000\n"
                             "[Station]\n"
                             "IntSensorAddress=300\n"
                             "ExtTempOffset=\t7 \n");
  const std::string before = dir.Read("bad");
  EXPECT_THROW(config.LoadConfig(), ConfigValueError);
  ExpectSameProperties(config, [] {
    TesterConfigProperties p = Defaults();
    p.ExtTempOffset = 7;
    return p;
  }());
  ASSERT_THAT(config.Problems(), SizeIs(12));
  EXPECT_THAT(config.Problems()[0],
              AllOf(HasSubstr(dir.File("bad") + ", line 2: [Target] CellCount = \"9\""),
                    HasSubstr("outside 1 to 4"), HasSubstr("accepted: whole numbers 1 to 4")));
  EXPECT_THAT(config.Problems()[1],
              HasSubstr("line 5: [Steps] ProgramDataFlash = \"yes\" is not 0 or 1"));
  EXPECT_THAT(config.Problems()[10], HasSubstr("RefCurrent = \"40000\" is outside -32767"));
  EXPECT_THAT(config.Problems()[9], HasSubstr("RefTemperature = \"abc\" is not a number"));

  // A save writes only what changed: the operator's mistyped values stay for him to see.
  config.NextSerialNumber = 4711;
  ASSERT_EQ(config.SaveConfig(), "");
  const std::string after = dir.Read("bad");
  EXPECT_THAT(after, HasSubstr("ProgramDataFlash=yes\n"));
  EXPECT_THAT(after, HasSubstr("CellCount=9\n"));
  EXPECT_THAT(after, HasSubstr("NextSerialNumber=4711"));
  EXPECT_EQ(std::count(after.begin(), after.end(), '\n'),
            std::count(before.begin(), before.end(), '\n') + 5);  // the new [Serial] part

  // Problems belong to the last load only.
  config.IniFile = dir.File("absent");
  config.LoadConfig();
  EXPECT_THAT(config.Problems(), IsEmpty());
}

TEST(ConfigBadInput, RealsTakeOnlyAPointAndFiniteValues) {
  ConfigScratch dir;
  TesterConfigStore config;
  for (const char* text : {"25,5", "nan", "inf", "1e9", "", "25.5.1", "0x19", " "}) {
    config.IniFile = dir.Write("t", std::string("[References]\nRefTemperature=") + text + "\n");
    config.RefTemperature = 99.0f;
    if (std::string_view(text).find_first_not_of(' ') == std::string_view::npos) {
      config.LoadVTIConfig();  // empty: absent
    } else {
      EXPECT_THROW(config.LoadVTIConfig(), ConfigValueError) << text;
    }
    EXPECT_EQ(config.RefTemperature, 0.0f) << text;
  }
  config.IniFile = dir.Write("t", "[References]\nRefTemperature = +24.25\n");
  config.LoadVTIConfig();
  EXPECT_EQ(config.RefTemperature, 24.25f);
  EXPECT_THAT(config.Problems(), IsEmpty());
}

TEST(ConfigBadInput, GarbageLinesAndBinaryDataDoNotBreakALoad) {
  ConfigScratch dir;
  TesterConfigStore config;
  std::string junk = "\xEF\xBB\xBF[Target]\n=7\nno equals sign\n[Limits\nCellGainTolerance=8\n";
  junk += std::string("\0\xFF\x01[x]\n", 7);
  junk += "[Target]\nCellCount=2\n";  // a second section of a name does not count
  config.IniFile = dir.Write("junk", junk);
  EXPECT_NO_THROW(config.LoadConfig());
  EXPECT_EQ(config.CellGainTolerance, 8);  // header without ']' still names the section
  EXPECT_EQ(config.CellCount, 1);
}

TEST(ConfigBadInput, SaveRefusesValuesThatWouldNotReadBack) {
  ConfigScratch dir;
  TesterConfigStore config;
  config.IniFile = dir.Write("s", "[Target]\nCellCount=2\n");
  config.MfrDataText = "first line\nCellCount=4";
  EXPECT_THAT(config.SaveConfig(), AllOf(HasSubstr(dir.File("s")), HasSubstr("MfrDataText")));
  config.MfrDataText.clear();
  config.RefTemperature = std::numeric_limits<float>::quiet_NaN();
  EXPECT_THAT(config.SaveVTIConfig(), HasSubstr("RefTemperature is not a finite number"));
  EXPECT_EQ(dir.Read("s"), "[Target]\nCellCount=2\n");
}

TEST(ConfigFileErrors, AFileThatCannotBeReadThrowsAndChangesNothing) {
  ConfigScratch dir;
  std::filesystem::create_directory(dir.File("folder"));
  TesterConfigStore config;
  config.IniFile = dir.File("folder");
  config.CellCount = 3;
  try {
    config.LoadConfig();
    ADD_FAILURE() << "no ComponentError";
  } catch (const ComponentError& e) {
    EXPECT_THAT(e.what(), HasSubstr(dir.File("folder")));
  }
  EXPECT_EQ(config.CellCount, 3);
  EXPECT_THROW(config.LoadVTIConfig(), ComponentError);
  EXPECT_THAT(config.SaveConfig(), HasSubstr(dir.File("folder")));
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder")));

  config.IniFile.clear();
  EXPECT_THROW(config.LoadGlobalConfig(), ComponentError);
  EXPECT_THAT(config.SaveTempConfig(), HasSubstr("no settings file"));
}

TEST(ConfigFileErrors, BackslashPathsAreOpenedWithSlashes) {
  ConfigScratch dir;
  std::filesystem::create_directory(dir.File("app"));
  dir.Write("app/Station2", "[Target]\nCellCount=4\n");
  TesterConfigStore config;
  config.IniFile = dir.File("app") + "\\Station2";
  config.LoadConfig();
  EXPECT_EQ(config.CellCount, 4);
}

TEST(ConfigFileErrors, AFailedWriteLeavesTheOldFileIntact) {
  ConfigScratch dir;
  const std::string old_text = "[Target]\nCellCount=2\n";
  TesterConfigStore config;
  config.IniFile = dir.Write("Station1", old_text);

  // A folder that is not there: nothing can be created.
  TesterConfigStore nowhere;
  nowhere.IniFile = dir.File("no-such-folder/Station1");
  EXPECT_THAT(nowhere.SaveConfig(),
              AllOf(HasSubstr("Settings not saved"), HasSubstr(dir.File("no-such-folder"))));

  // A disk that fills up half-way through the new text (works even for root, whom
  // permissions do not stop): the file size limit cuts the temporary file short.
  struct rlimit old_limit {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  struct rlimit small = old_limit;
  small.rlim_cur = 64;
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string result = config.SaveConfig();
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_THAT(result, AllOf(HasSubstr("Settings not saved"), HasSubstr(dir.File("Station1"))));
  EXPECT_EQ(dir.Read("Station1"), old_text);
  EXPECT_EQ(dir.EntryCount(), 1u) << "no temporary file left behind";
}

TEST(ConfigDemoFiles, DemoFilesLoadCleanlyWithEveryStepOn) {
  TesterConfigStore global;
  global.IniFile = std::string(TESTER_SOURCE_DIR) + "/demo/global.ini";
  global.LoadGlobalConfig();
  EXPECT_THAT(global.Problems(), IsEmpty());
  EXPECT_EQ(global.TargetName, "800.1.02");

  TesterConfigStore station;
  station.IniFile = std::string(TESTER_SOURCE_DIR) + "/demo/Station1.ini";
  station.LoadConfig();
  EXPECT_THAT(station.Problems(), IsEmpty());
  for (int16_t step : {station.ProgramDataFlash, station.VoltageCalEnabled,
                       station.CurrentCalEnabled, station.TemperatureCalEnabled,
                       station.WriteSerialNumber, station.WriteMfrData, station.WriteMfrDate}) {
    EXPECT_EQ(step, 1);
  }
  EXPECT_EQ(station.CellCount, 3);
  EXPECT_EQ(station.RefVoltage1, 3700);
  EXPECT_EQ(station.RefVoltage3, 3 * 3700);
  // The station file repeats the global switches: the wizard writes both from one object.
  TesterConfigStore copy = station;
  copy.LoadGlobalConfig();
  copy.IniFile = global.IniFile;
  copy.LoadGlobalConfig();
  ExpectSameProperties(copy, station);
}

}  // namespace
}  // namespace tester
