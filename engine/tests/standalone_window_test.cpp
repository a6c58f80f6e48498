// The single-station window's logic: the lamps, the lock's tag rule, the configuration
// buttons, the log and the serial numbers of a completion,
// and what a run keeps from being touched.
#include "engine/standalone_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "common/component_error.h"
#include "platform/profile.h"
#include "platform/scripted_dialogs.h"
#include "testing/component_doubles.h"
#include "testing/memory_tester_config.h"
#include "testing/scratch_folder.h"

namespace tester {
namespace {

// The engine's object as far as the window drives it.
class FakeSite final : public SingleSiteMembers {
public:
  int32_t AttachLinkpod(std::string& id) override {
    id = "ADAPTER";
    return attach_result;
  }
  int32_t DetachLinkpod(const std::string&) override {
    ++detaches;
    return 0;
  }
  int32_t Execute(std::optional<bool> wait) override {
    executes.push_back(wait.value_or(false));
    if (during_run) during_run();
    return 0;
  }
  void SetIniFile(const std::string& path) override { ini = path; }
  int32_t InitCacheFromSetup() override {
    if (init_throws) throw ComponentError("Cannot read settings file ardentis.ini");
    const int32_t result = init_results.empty() ? 0 : init_results.front();
    if (!init_results.empty()) init_results.erase(init_results.begin());
    ++inits;
    return result;
  }
  std::string SetupMessage() override { return {}; }
  std::string UpdateVTIConfig(int32_t nV, int32_t, int32_t, int32_t nV4, float nT, float nIT,
                              float nET, int32_t nI) override {
    vti = {nV, nV4, static_cast<int32_t>(nT), static_cast<int32_t>(nIT),
           static_cast<int32_t>(nET), nI};
    return vti_error;
  }
  int32_t CBFlashLEDs(bool) override { return 0; }
  int32_t CBReadTemperature(bool, int16_t&) override { return 0; }
  int32_t SetTemperatureForCalibration(int16_t) override { return 0; }
  void Quit() override {}
  std::string VersionSS() override { return "1.1.0"; }
  bool m_bCalEnabled() override { return false; }
  void set_m_bCalEnabled(bool) override {}
  int32_t SetToMonowireMode(int16_t) override { return 0; }

  int32_t attach_result = 0;
  bool init_throws = false;
  std::vector<int32_t> init_results;
  int inits = 0;
  int detaches = 0;
  std::vector<bool> executes;
  std::function<void()> during_run;
  std::string ini;
  std::vector<int32_t> vti;
  std::string vti_error;
};

class StandaloneWindowTest : public ::testing::Test {
protected:
  StandaloneWindowTest()
      : serial(counter, folder.File("ardentis.ini"), true),
        window(StandaloneWindowParts{dialogs, lock, log, serial, folder.File("ardentis.ini"),
                                     [this] {
                                       auto config = std::make_unique<MemoryTesterConfig>();
                                       config->RefVoltage1 = 11100;
                                       config->RefVoltage4 = 14800;
                                       config->RefTemperature = 25.0f;
                                       config->RefCurrent = 2000;
                                       return config;
                                     },
                                     [this](int mode) { modes.push_back(mode); },
                                     [this](bool use) { board_use.push_back(use); },
                                     {}}) {
    lock.SetListener(&window);
    window.SetExposedClass(&site);
  }

  void Start() {
    window.StartByHand([this] { ++shows; });
  }

  test::ScratchFolder folder{"standalone-window"};
  ScriptedDialogs dialogs;
  test::FakePasswordLock lock;
  test::MemoryTesterLog log;
  test::MemorySerialCounter counter;
  StandaloneSerial serial;
  StandaloneWindow window;
  FakeSite site;
  std::vector<int> modes;
  std::vector<bool> board_use;
  int shows = 0;
};

TEST_F(StandaloneWindowTest, SetStateLightsTheLampOfOneStateAndNoneOtherwise) {
  EXPECT_EQ(window.Controls().lit_lamp, kNoLamp);  // window load: SetState(0, "")
  EXPECT_EQ(window.Controls().status_text, "");
  const std::vector<std::pair<int32_t, int>> states = {
      {vb_cbReady, 0}, {vb_cbbusy, 1}, {vb_cbPASS, 2}, {vb_cbfail, 3}, {3, kNoLamp}, {16, kNoLamp}};
  for (const auto& [state, lamp] : states) {
    window.SetState(state, "text " + std::to_string(state));
    EXPECT_EQ(window.Controls().lit_lamp, lamp) << state;
    EXPECT_EQ(window.Controls().status_text, "text " + std::to_string(state));
  }
  EXPECT_EQ(LampColourOf(2, 2), (LampColour{0, 255, 0}));
  EXPECT_EQ(LampColourOf(1, 2), kLampOff);
}

TEST_F(StandaloneWindowTest, ProgramStartWithoutAdapterSaysSoAndStillOpens) {
  site.attach_result = -1;
  Start();
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{kMsgNoLinkpod});
  EXPECT_EQ(shows, 1);
  EXPECT_FALSE(window.Controls().StartUsable());
  EXPECT_EQ(board_use, std::vector<bool>{false});
  EXPECT_EQ(log.stations, std::vector<std::string>{"Station01"});
}

// Locked from the start, the window cannot test until one unlock and one Quick Lock.
TEST_F(StandaloneWindowTest, LockedAfterStartNeedsOneUnlockAndQuickLockBeforeTesting) {
  Start();
  window.LockState(true);
  EXPECT_FALSE(window.Controls().StartUsable());
  EXPECT_EQ(window.Controls().start_tag, "1");

  const int changes = lock.changes;
  window.cmdQuickLock_Click();  // already locked: nothing
  EXPECT_EQ(lock.changes, changes);
  EXPECT_FALSE(window.Controls().StartUsable());

  lock.Unlock();
  EXPECT_EQ(window.Controls().start_tag, "");
  EXPECT_FALSE(window.Controls().StartUsable());
  EXPECT_TRUE(window.Controls().config_global_visible);
  EXPECT_TRUE(window.Controls().config_vti_visible);
  EXPECT_TRUE(window.Controls().quick_lock_enabled);

  window.cmdQuickLock_Click();
  EXPECT_TRUE(lock.locked);
  EXPECT_TRUE(window.Controls().StartUsable());
  EXPECT_FALSE(window.Controls().config_global_visible);
  EXPECT_FALSE(window.Controls().config_vti_visible);
  EXPECT_FALSE(window.Controls().quick_lock_enabled);

  lock.vti_always_allowed = true;
  window.LockState(true);
  EXPECT_TRUE(window.Controls().config_vti_visible);
  EXPECT_FALSE(window.Controls().config_global_visible);
}

// A station file that cannot be read is a failed load, told with its reason; no run.
TEST_F(StandaloneWindowTest, AnUnreadableStationFileIsAFailedLoad) {
  Start();
  lock.Unlock();
  lock.Lock();
  site.init_throws = true;
  window.cmdStart_Click();
  EXPECT_EQ(dialogs.Messages(), (std::vector<std::string>{
                                    "Cannot read settings file ardentis.ini", kMsgFirstLoadFailed}));
  EXPECT_TRUE(site.executes.empty());
  EXPECT_TRUE(window.Controls().StartUsable());
}

// While the run pumps events, a click on start or on a configuration button, and closing
// the window, must not reach the station: the close waits for the run's end.
TEST_F(StandaloneWindowTest, ARunKeepsTheStationFromClicksAndDefersTheClose) {
  Start();
  lock.Unlock();
  lock.Lock();
  int closes = 0;
  bool close_now = true;
  site.during_run = [&] {
    EXPECT_FALSE(window.Controls().StartUsable());
    lock.Unlock();  // the lock changing during the run does not free the button
    EXPECT_FALSE(window.Controls().StartUsable());
    window.cmdStart_Click();
    window.cmdConfigGlobal_Click();
    window.cmdConfigVTI_Click();
    close_now = window.QueryClose([&] { ++closes; });
  };
  window.cmdStart_Click();
  EXPECT_EQ(site.executes.size(), 1u);
  EXPECT_EQ(site.inits, 1);
  EXPECT_TRUE(modes.empty());
  EXPECT_FALSE(close_now);
  EXPECT_EQ(closes, 1);  // after the run
}

TEST_F(StandaloneWindowTest, GlobalConfigurationReloadsAndHidesStartWhileTheLoadFails) {
  Start();
  int32_t n = 40;
  window.RequestSerialNo(n);  // a number handed out: the start is saved before the dialog
  EXPECT_EQ(n, 40);
  site.init_results = {65539, 0};
  window.cmdConfigGlobal_Click();
  EXPECT_EQ(modes, std::vector<int>{kCfgModeGlobal});
  EXPECT_EQ(profile::ReadInt(folder.File("ardentis.ini"), "Config", "DFSrNoStart", 0), 41);
  EXPECT_EQ(counter.starts.back(), 41);
  EXPECT_FALSE(window.Controls().start_visible);
  EXPECT_EQ(dialogs.Messages().back(),
            "InitCacheFromSetup() returned error code = 65539\r\n"
            "Please See User's Guide for Error Code Meaning");
  window.cmdConfigGlobal_Click();
  EXPECT_TRUE(window.Controls().start_visible);
}

TEST_F(StandaloneWindowTest, VtiConfigurationHandsTheSavedReferencesToTheEngine) {
  Start();
  window.cmdConfigVTI_Click();
  EXPECT_EQ(modes, std::vector<int>{kCfgModeVti});
  EXPECT_EQ(site.ini, folder.File("ardentis.ini"));
  EXPECT_EQ(site.vti, (std::vector<int32_t>{11100, 14800, 25, 0, 0, 2000}));
  site.vti_error = "disk full";
  window.cmdConfigVTI_Click();
  EXPECT_EQ(dialogs.Messages().back(), "SaveVTIConfiguration returned error!\r\ndisk full");
}

TEST_F(StandaloneWindowTest, ACompletionIsLoggedAsStation01AndSettlesItsSerialNumbers) {
  int32_t n = 7;
  window.RequestSerialNo(n);
  window.RequestSerialNo(n);  // a second number for the same run (a retried write)
  RunRecord record;
  window.Completed(CompletionReport{"8", 0, 0, "log.txt", ""}, record);
  ASSERT_EQ(log.rows.size(), 1u);
  EXPECT_EQ(log.rows[0].station, "Station01");
  EXPECT_EQ(log.rows[0].serial, "8");
  EXPECT_TRUE(log.rows[0].with_record);
  using Fate = std::pair<int32_t, SerialFate>;
  EXPECT_EQ(counter.fates, (std::vector<Fate>{{7, SerialFate::kVoid}, {8, SerialFate::kWritten}}));
  EXPECT_TRUE(dialogs.Messages().empty());

  log.error = "database is locked";
  window.Completed(CompletionReport{"0", 65545, 1, "log.txt", ""}, record);
  EXPECT_EQ(dialogs.Messages().back(),
            "TesterLog.AddToLog returned error string: database is locked");
  // A run that ends without its completion (a failed call inside it): its number is void.
  Start();
  lock.Unlock();
  lock.Lock();
  site.during_run = [&] {
    int32_t proposed = 1;
    window.RequestSerialNo(proposed);
  };
  window.cmdStart_Click();
  EXPECT_EQ(counter.fates.back(), (Fate{9, SerialFate::kVoid}));
  EXPECT_EQ(counter.requester, "Station01");

  window.SetWindowTitle("Tester_800.1.02.rom (demo)");
  EXPECT_EQ(window.Controls().caption, "Ardentis - Tester_800.1.02.rom (demo)");
}

}  // namespace
}  // namespace tester
