// A reference-value update from a file on real `ardentis --automation` engines of the
// virtual jig: the values land in the station files, and a board tracking its own sensor
// gets its offset from the given reading and reports the reference it now reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "apps/tests/engine_jig.h"
#include "components/tester_config_store.h"
#include "controller/vti_file.h"
#include "platform/automation/single_site_client.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_clock.h"
#include "testing/qt_app.h"

namespace tester {
namespace {

// The controller's side, as far as the VTI logic needs it.
class EnginesHost final : public VtiHost {
public:
  std::vector<VtiStation> stations;
  std::vector<std::pair<int, float>> references;
  int updated = 0;

  std::vector<VtiStation> Stations() const override { return stations; }
  int32_t ShowBoard(int slot, bool bShow) override {
    return stations[slot].engine->CBFlashLEDs(bShow);
  }
  void ReadTempValues(VtiTenths& internal, VtiTenths& external, int16_t n) override {
    for (int i = 0; i < n; ++i) {
      stations[i].engine->CBReadTemperature(true, internal[i]);
      stations[i].engine->CBReadTemperature(false, external[i]);
    }
  }
  void TakeReferenceTemperature(int slot, float degrees) override {
    references.emplace_back(slot, degrees);
  }
  void ReferencesUpdated() override { ++updated; }
};

TEST(VtiOnEngines, TheFilesValuesArriveInTheStationFiles) {
  EnsureQtApp();
  ScratchJig jig(2);
  EnginesHost host;
  std::vector<std::unique_ptr<SingleSiteClient>> engines;
  const char* names[] = {"Bay0", "Bay1"};
  for (int i = 0; i < 2; ++i) {
    const std::string file = jig.Home() + "/" + names[i];
    std::filesystem::copy_file(jig.Home() + "/Station1.ini", file);
    EngineStart start;
    start.executable = ARDENTIS_PATH;
    start.environment = jig.Environment();
    engines.push_back(std::make_unique<SingleSiteClient>(start, nullptr));
    std::string id;
    ASSERT_EQ(engines[i]->AttachLinkpod(id), 0);
    engines[i]->SetIniFile(jig.Home() + "\\" + names[i]);
    ASSERT_EQ(engines[i]->InitCacheFromSetup(), 0);
    host.stations.push_back({i, names[i], jig.Home() + "\\" + names[i], i == 0, false,
                             i == 0 ? "IBay0" : "", engines[i].get()});
  }
  const std::string refs = jig.Root() + "/refs.ini";
  std::ofstream(refs) << "[Bay0]\nRefVoltage1=3712.5\nRefCurrent=1999\nRefTemperature=24.6\n"
                         "IntTemperature=24.0\n[Bay1]\nRefTemperature=26.5\n";
  VirtualClock clock;
  ScriptedDialogs dialogs;
  const VtiFileOutcome outcome = ApplyVtiFile(
      {host, clock, dialogs, [] { return std::make_unique<TesterConfigStore>(); }, jig.Home()},
      refs);
  EXPECT_TRUE(outcome.applied);
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{});
  EXPECT_EQ(host.updated, 2);
  // The jig's board reads 25.0 degC; told it is 24.0, its offset becomes -1.0 degC and
  // the reading after the update, the watch's new reference, is 24.0.
  EXPECT_EQ(host.references, (std::vector<std::pair<int, float>>{{0, 24.0f}}));
  for (auto& engine : engines) engine->Quit();

  TesterConfigStore bay0;
  bay0.IniFile = jig.Home() + "/Bay0";
  bay0.LoadVTIConfig();
  bay0.LoadTempConfig();
  EXPECT_EQ(bay0.RefVoltage1, 3712);
  EXPECT_EQ(bay0.RefCurrent, 1999);
  EXPECT_EQ(bay0.RefTemperature, 24.6f);
  EXPECT_EQ(bay0.IntTempOffset, -10);
  TesterConfigStore bay1;
  bay1.IniFile = jig.Home() + "/Bay1";
  bay1.LoadVTIConfig();
  EXPECT_EQ(bay1.RefVoltage1, 3700);  // no key in the file: the station file's own
  EXPECT_EQ(bay1.RefTemperature, 26.5f);
}

}  // namespace
}  // namespace tester
