// The automation object on the virtual jig: attaching an adapter, loading a station,
// synchronous and deferred runs, reference values and temperature reads.
#include "engine/single_site.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/component_error.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_clock.h"
#include "sim/sim_control.h"
#include "testing/demo_home.h"
#include "testing/gauge_bench.h"

namespace tester {
namespace {

// Identification that answers a fixed identifier and records what it was asked.
class FakeLinkpod final : public LinkpodID {
public:
  void SetGaugeControl(GaugeControl* control) override { control_ = control; }
  Status ReadAdapterId(std::string& id) override {
    if (control_ == nullptr) throw ComponentError("no control");
    id = "ID-OF-OPEN-ADAPTER";
    return read_status;
  }
  Status AssignAdapterId(std::string&) override { return 0; }
  void FlashLights(int32_t code, int16_t, bool) override { lights.push_back(code); }
  int32_t AdapterCount() override { return 0; }
  Status OpenAdapterByIndex(int16_t, int32_t, int16_t) override { return 0; }
  void CloseAdapter() override {}
  int32_t FirmwareAge() override { return 0; }
  bool HasCalBoard() override { return true; }
  bool HasTempSensor(bool) override { return true; }

  GaugeControl* control_ = nullptr;
  Status read_status = 0;
  std::vector<int32_t> lights;
};

class RecordingReports final : public SingleSiteEvents {
public:
  void CurrentStatus(const std::string& text, int32_t) override {
    statuses.push_back(text);
    if (text == throw_at) throw ComponentError("the window is gone");
  }
  void RequestSerialNo(int32_t& n) override { n = next_serial++; }
  void Completed(const CompletionReport& report, const RunRecord&) override {
    completions.push_back(report);
    if (on_completed) on_completed();
  }
  void SetWindowTitle(const std::string& title) override { titles.push_back(title); }
  std::vector<std::string> statuses;
  std::vector<CompletionReport> completions;
  std::vector<std::string> titles;
  int32_t next_serial = 500;
  std::function<void()> on_completed;
  std::string throw_at;  // a status text whose report fails
};

// One engine on a scratch copy of the demo application folder, the default jig.
class SingleSiteTest : public ::testing::Test {
protected:
  SingleSiteTest() {
    EXPECT_TRUE(folder.Ok()) << folder.Error();
    std::string error;
    control = MakeSimControl(DefaultJig(), folder.Locks(), clock, error);
    EXPECT_TRUE(control) << error;
    site = std::make_unique<SingleSite>(SingleSiteParts{
        clock, dialogs, *control, linkpod, reports, folder.Home(), "ardentis",
        {}});
  }

  void Attach() {
    std::string id;
    ASSERT_EQ(site->AttachLinkpod(id), 0);
    ASSERT_EQ(id, "ID-OF-OPEN-ADAPTER");
  }
  void AttachAndLoad(const std::string& ini = "Station1.ini") {
    Attach();
    site->SetIniFile(folder.File(ini));
    ASSERT_EQ(site->InitCacheFromSetup(), 0);
  }

  test::DemoHome folder;
  VirtualClock clock;
  ScriptedDialogs dialogs;
  FakeLinkpod linkpod;
  RecordingReports reports;
  std::unique_ptr<SimControl> control;
  std::unique_ptr<SingleSite> site;
};

TEST_F(SingleSiteTest, AttachOpensAnAdapterIdentifiesItAndStartsTheStationUp) {
  Attach();
  EXPECT_TRUE(site->StationContext().link.IsBound());
  EXPECT_EQ(linkpod.control_, nullptr) << "the control is taken back after identification";
  // The default target's settings are loaded at start-up.
  EXPECT_EQ(site->StationContext().settings.COMMANDSET, 1);
  EXPECT_GT(site->StationContext().settings.GG_FWEXEC, 0);

  EXPECT_EQ(site->DetachLinkpod(""), 0);
  EXPECT_FALSE(site->StationContext().link.IsBound());
  std::string id;
  EXPECT_EQ(site->AttachLinkpod(id), 0) << "a detached object attaches again";
}

TEST_F(SingleSiteTest, AttachWithoutAFreeAdapterFailsAndStartsNothing) {
  // Every adapter of the jig held by other engines.
  std::vector<std::unique_ptr<SimControl>> others;
  std::string error;
  for (const auto& adapter : control->Jig().adapters) {
    others.push_back(MakeSimControl(DefaultJig(), folder.Locks(), clock, error));
    ASSERT_EQ(others.back()->OpenAdapter(adapter.identifier), 0);
  }
  std::string id = "unchanged";
  EXPECT_EQ(site->AttachLinkpod(id), -1);
  EXPECT_EQ(id, "unchanged");
  EXPECT_EQ(site->StationContext().settings.COMMANDSET, 0) << "no start-up";
}

TEST_F(SingleSiteTest, TheIdentificationStatusIsTheResultAndStartUpHappensAnyway) {
  linkpod.read_status = 7;
  std::string id;
  EXPECT_EQ(site->AttachLinkpod(id), 7);
  EXPECT_EQ(site->StationContext().settings.COMMANDSET, 1);
}

TEST_F(SingleSiteTest, SynchronousRunReportsOneCompletionBeforeReturning) {
  AttachAndLoad();
  ASSERT_EQ(reports.titles.size(), 1u);
  EXPECT_EQ(reports.titles[0].rfind("Tester_800.1.02.rom (", 0), 0u) << reports.titles[0];
  EXPECT_EQ(site->Execute(true), 0);
  ASSERT_EQ(reports.completions.size(), 1u);
  EXPECT_EQ(reports.completions[0].nErrCode, 0) << reports.completions[0].nExtErrCode;
  EXPECT_EQ(reports.completions[0].sSerial, "500");
  EXPECT_FALSE(site->Running());
}

TEST_F(SingleSiteTest, DeferredRunStartsFromTheInvokerAndRefusesASecondStart) {
  AttachAndLoad();
  EXPECT_EQ(site->Execute(std::nullopt), 0) << "Null behaves as False";
  EXPECT_TRUE(reports.completions.empty()) << "the run has not started yet";
  EXPECT_EQ(site->Execute(false), kExecuteRefusedBusy);
  EXPECT_EQ(site->Execute(true), kExecuteRefusedBusy);
  clock.WaitMs(kInvokerIntervalMs - 1);
  EXPECT_TRUE(reports.completions.empty()) << "started before the invoker's interval";
  clock.WaitMs(1);
  ASSERT_EQ(reports.completions.size(), 1u);
  EXPECT_EQ(reports.completions[0].nErrCode, 0);
  // The next pack: a second deferred run goes through once the first has ended.
  EXPECT_EQ(site->Execute(false), 0);
  clock.WaitMs(kInvokerIntervalMs);
  EXPECT_EQ(reports.completions.size(), 2u);
}

TEST_F(SingleSiteTest, ANextRunAskedForFromTheCompletionStartsAfterSwitchOff) {
  AttachAndLoad();
  int32_t asked = -1;
  reports.on_completed = [&] {
    if (reports.completions.size() == 1) asked = site->Execute(false);
  };
  EXPECT_EQ(site->Execute(true), 0);
  EXPECT_EQ(asked, 0) << "accepted, not refused";
  ASSERT_EQ(reports.completions.size(), 1u) << "not nested inside the first run";
  clock.WaitMs(kInvokerIntervalMs);
  ASSERT_EQ(reports.completions.size(), 2u);
  EXPECT_EQ(reports.completions[1].nErrCode, 0);
  EXPECT_EQ(reports.completions[1].sSerial, "501");
}

TEST_F(SingleSiteTest, QuitBeforeADeferredRunStartsDropsIt) {
  AttachAndLoad();
  EXPECT_EQ(site->Execute(false), 0);
  site->Quit();
  clock.WaitMs(kInvokerIntervalMs);
  EXPECT_TRUE(reports.completions.empty()) << "no run on a released configuration";
  EXPECT_FALSE(site->Running());
  // Nor on an object that is gone.
  EXPECT_EQ(site->Execute(false), 0);
  site.reset();
  clock.WaitMs(kInvokerIntervalMs);
  EXPECT_TRUE(reports.completions.empty());
}

TEST_F(SingleSiteTest, ARunBrokenOffByAnOutsideFailureStillCompletesWithTheStationOff) {
  AttachAndLoad();
  reports.throw_at = "Calibrating...";
  EXPECT_EQ(site->Execute(true), 0);
  ASSERT_EQ(reports.completions.size(), 1u);
  EXPECT_EQ(reports.completions[0].nErrCode, kRunAbortedCode);
  EXPECT_EQ(reports.completions[0].nExtErrCode, kRunAbortedCode);
  EXPECT_EQ(reports.completions[0].sSerial, "0");
  EXPECT_EQ(site->StationContext().board.CalBoardState() & kCalBoardVoltageBit, 0)
      << "the supply is switched off";
  EXPECT_FALSE(site->Running());
}

TEST_F(SingleSiteTest, InitCacheUsesTheProgramsOwnIniWhenNoneIsSet) {
  Attach();
  std::filesystem::copy_file(folder.File("Station1.ini"), folder.File("ardentis.ini"));
  EXPECT_EQ(site->InitCacheFromSetup(), 0);
  EXPECT_EQ(site->Config().IniFile, folder.File("ardentis.ini"));
  EXPECT_EQ(site->Config().TargetName, "800.1.02");
}

TEST_F(SingleSiteTest, InitCacheReportsTheImageCheckAndSkipsItWithoutProgramming) {
  Attach();
  std::filesystem::remove(folder.File("Tester_800.1.02.rom"));
  site->SetIniFile(folder.File("Station1.ini"));
  EXPECT_EQ(site->InitCacheFromSetup(), kStatusImageFileUnreadable);

  site->Config().ProgramDataFlash = 0;
  folder.Write("NoImage.ini", "[Target]\nTargetName=\"800.1.02\"\n[Steps]\nProgramDataFlash=0\n");
  site->SetIniFile(folder.File("NoImage.ini"));
  EXPECT_EQ(site->InitCacheFromSetup(), 0);
}

TEST_F(SingleSiteTest, UnreadableSettingsFileIsAnErrorOfTheCall) {
  Attach();
  std::filesystem::create_directory(folder.File("folder.ini"));
  site->SetIniFile(folder.File("folder.ini"));
  EXPECT_THROW(site->InitCacheFromSetup(), ComponentError);
  EXPECT_EQ(site->Execute(true), kExecuteRefusedSetup) << "no run with settings nobody chose";
}

// The demo station file with one line replaced; the file's text.
std::string Edited(const std::string& text, const std::string& from, const std::string& to) {
  std::string out = text;
  const std::size_t at = out.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) out.replace(at, from.size(), to);
  return out;
}

TEST_F(SingleSiteTest, MistypedSettingsRefuseTheStationAndStayAsWritten) {
  Attach();
  const std::string original = folder.Read("Station1.ini");
  std::string text = original;
  text = Edited(text, "ProgramDataFlash=1", "ProgramDataFlash=yes");
  text = Edited(text, "CellCount=3", "CellCount=9");
  text = Edited(text, "VoltageCalEnabled=1", "VoltageCalEnabled=l");
  text = Edited(text, "NoSerialOnFail=1", "NoSerialOnFail=on");
  folder.Write("Station1.ini", text);
  site->SetIniFile(folder.File("Station1.ini"));
  EXPECT_EQ(site->InitCacheFromSetup(), kStatusSettingsRefused);
  const std::string message = site->SetupMessage();
  EXPECT_NE(message.find(folder.File("Station1.ini") + ", line 13: [Target] CellCount = \"9\""),
            std::string::npos) << message;
  EXPECT_NE(message.find("ProgramDataFlash = \"yes\" is not 0 or 1; accepted: 0 or 1"),
            std::string::npos) << message;
  EXPECT_NE(message.find("VoltageCalEnabled"), std::string::npos);
  EXPECT_NE(message.find("NoSerialOnFail"), std::string::npos);
  // Nothing runs with settings nobody chose, and the file keeps what the operator wrote.
  EXPECT_EQ(site->Execute(true), kExecuteRefusedSetup);
  EXPECT_EQ(site->Execute(false), kExecuteRefusedSetup);
  clock.WaitMs(100);
  EXPECT_TRUE(reports.completions.empty());
  EXPECT_EQ(folder.Read("Station1.ini"), text);

  // A value of Config.ini that is no number refuses it as well ("1O00" with a letter O);
  // digits followed by a comment still read as the number.
  folder.Write("Station1.ini", original);
  const std::string config = folder.Read("Config.ini");
  folder.Write("Config.ini", "[Delay]\nCB_V_SETTLE=1O00\nCB_I_SETTLE=1000   ; settle\n" + config);
  EXPECT_EQ(site->InitCacheFromSetup(), kStatusSettingsRefused);
  EXPECT_NE(site->SetupMessage().find("line 2: [Delay] CB_V_SETTLE = \"1O00\""),
            std::string::npos) << site->SetupMessage();
  folder.Write("Config.ini", "[Delay]\nCB_I_SETTLE=1000   ; settle\n" + config);
  EXPECT_EQ(site->InitCacheFromSetup(), 0);
  EXPECT_EQ(site->SetupMessage(), "");
  EXPECT_EQ(site->StationContext().settings.CB_I_SETTLE, 1000);
  EXPECT_EQ(site->Execute(true), 0);
  EXPECT_EQ(reports.completions.size(), 1u);
}

TEST_F(SingleSiteTest, TheGoldenImageMustMatchItsDigest) {
  Attach();
  site->SetIniFile(folder.File("Station1.ini"));
  std::string image = folder.Read("Tester_800.1.02.rom");
  image[1000] = static_cast<char>(image[1000] ^ 0x01);  // one bit of the data flash
  folder.Write("Tester_800.1.02.rom", image);
  EXPECT_EQ(site->InitCacheFromSetup(), kStatusImageFileBadHeader);
  EXPECT_NE(site->SetupMessage().find("does not match its digest"), std::string::npos)
      << site->SetupMessage();

  // Without a digest the image is taken, with a warning shown and kept in the run's record ...
  std::filesystem::remove(folder.File("Tester_800.1.02.rom.sha256"));
  EXPECT_EQ(site->InitCacheFromSetup(), 0);
  ASSERT_FALSE(reports.statuses.empty());
  EXPECT_NE(reports.statuses.back().find("has no digest file"), std::string::npos);
  EXPECT_EQ(site->Execute(true), 0);
  ASSERT_EQ(site->LastRun().warnings.size(), 1u);
  EXPECT_NE(site->LastRun().warnings[0].find("Tester_800.1.02.rom.sha256"), std::string::npos);
  EXPECT_EQ(site->LastRun().image_sha256.size(), 64u);

  // ... unless the station file requires one.
  folder.Write("Station1.ini", Edited(folder.Read("Station1.ini"), "[Files]",
                                      "[Files]\nRequireImageDigest=1"));
  EXPECT_EQ(site->InitCacheFromSetup(), kStatusImageFileBadHeader);
  EXPECT_NE(site->SetupMessage().find("requires one"), std::string::npos);
}

TEST_F(SingleSiteTest, ReferenceValuesTheFileCannotHoldAreRefusedAndNothingIsSaved) {
  AttachAndLoad();
  const std::string before = folder.Read("Station1.ini");
  EXPECT_EQ(site->UpdateVTIConfig(-5, 7400, 11100, 14800, 25.0f, 0, 0, 2000),
            "Reference values not saved: nV = -5 is outside 0 to 65535");
  EXPECT_EQ(site->UpdateVTIConfig(3700, 7400, 11100, 14800, 3e38f, 0, 0, 2000).rfind(
                "Reference values not saved: nT = 3", 0), 0u);
  EXPECT_NE(site->UpdateVTIConfig(3700, 7400, 11100, 14800, 25.0f, 0, 0, -2147483647 - 1)
                .find("nI = -2147483648 is outside -32767 to 32767"), std::string::npos);
  EXPECT_NE(site->UpdateVTIConfig(3700, 7400, 11100, 14800, 25.0f, 1e9f, 0, 2000).find("nIT"),
            std::string::npos);
  EXPECT_EQ(folder.Read("Station1.ini"), before);
}

TEST_F(SingleSiteTest, ReferenceValuesAreStoredAndSensorOffsetsDerived) {
  AttachAndLoad();
  TesterConfig& config = site->Config();
  config.IntTempOffset = 3;
  config.ExtTempOffset = -4;
  EXPECT_EQ(site->UpdateVTIConfig(3701, 7402, 11103, 14804, 24.5f, 0.0f, 0.0f, 1999), "");
  EXPECT_EQ(config.RefVoltage4, 14804);
  EXPECT_EQ(config.RefCurrent, 1999);
  // Offsets reloaded from the file (0 there), none derived.
  EXPECT_EQ(config.IntTempOffset, 0);
  EXPECT_EQ(config.ExtTempOffset, 0);

  // The jig's room is 25.0 degC; the sensors read it (12-bit after the board's start-up).
  EXPECT_EQ(site->UpdateVTIConfig(3700, 7400, 11100, 14800, 25.0f, 26.0f, 24.2f, 2000), "");
  EXPECT_EQ(config.IntTempOffset, 10);
  EXPECT_EQ(config.ExtTempOffset, -8);
  int16_t tenths = 0;
  EXPECT_EQ(site->CBReadTemperature(false, tenths), 0);
  EXPECT_EQ(tenths, 250 - 8);
}

TEST_F(SingleSiteTest, AnInternalSensorThatDoesNotAnswerIsAnErrorOnlyWhenChecked) {
  // The first three adapters are taken: this engine gets the advanced board, whose own
  // sensor sits at 0x92, so the station file's 0x94 does not answer.
  std::vector<std::unique_ptr<SimControl>> others;
  std::string error;
  for (std::size_t i = 0; i < 3; ++i) {
    others.push_back(MakeSimControl(DefaultJig(), folder.Locks(), clock, error));
    ASSERT_EQ(others.back()->OpenAdapter(control->Jig().adapters[i].identifier), 0);
  }
  AttachAndLoad();
  TesterConfig& config = site->Config();
  config.IntTempOffset = 7;
  config.CheckIntSensor = 1;
  const std::string text = site->UpdateVTIConfig(3700, 7400, 11100, 14800, 25.0f, 26.0f, 0, 2000);
  EXPECT_EQ(text.rfind("Error reading internal Temperature sensor: ", 0), 0u) << text;
  EXPECT_EQ(config.IntTempOffset, 0) << "reloaded from the file, not derived";

  config.CheckIntSensor = 0;  // unchecked: the unread reading keeps the wanted value
  EXPECT_EQ(site->UpdateVTIConfig(3700, 7400, 11100, 14800, 25.0f, 26.0f, 0, 2000), "");
  EXPECT_EQ(config.IntTempOffset, 0);
}

TEST_F(SingleSiteTest, AFailedReferenceSaveIsReturnedAndTheOffsetsStay) {
  AttachAndLoad();
  site->Config().IntTempOffset = 12;
  site->Config().IniFile = folder.File("missing-folder/station.ini");
  const std::string error = site->UpdateVTIConfig(1, 2, 3, 4, 25.0f, 30.0f, 30.0f, 5);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(site->Config().IntTempOffset, 12);
}

TEST_F(SingleSiteTest, TemperatureWithoutABoardIsTheInputPlusTheOffsetAndOverflowIsRefused) {
  folder.Write("Config.ini", "[CalBrd]\nUse=0\n");  // no board in use: nothing is read
  Attach();
  site->Config().IntTempOffset = 15;
  int16_t tenths = 200;
  EXPECT_EQ(site->CBReadTemperature(true, tenths), 0);
  EXPECT_EQ(tenths, 215);
  tenths = 32760;
  EXPECT_THROW(site->CBReadTemperature(true, tenths), ComponentError);
}

TEST_F(SingleSiteTest, SmallMembers) {
  EXPECT_EQ(site->VersionSS(), "1.1.0");
  EXPECT_FALSE(site->m_bCalEnabled());
  site->set_m_bCalEnabled(true);
  EXPECT_TRUE(site->m_bCalEnabled());
  EXPECT_EQ(site->SetTemperatureForCalibration(253), 0);
  EXPECT_FLOAT_EQ(site->Config().RefTemperature, 25.3f);
  EXPECT_EQ(site->SetToMonowireMode(0), 0);
  Attach();
  EXPECT_EQ(site->CBFlashLEDs(true), 0);
  EXPECT_EQ(site->CBFlashLEDs(false), 0);
  EXPECT_EQ(linkpod.lights, (std::vector<int32_t>{kLightsIdentifyOn, kLightsIdentifyOff}));
  site->Quit();
  EXPECT_EQ(site->Config().IniFile, "") << "a fresh settings object after Quit";
}

}  // namespace
}  // namespace tester
