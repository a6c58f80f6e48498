// From the setup wizard to the controller on one virtual jig: the wizard's logic finds three
// adapters (one with a factory identifier, two sharing one), gives them identifiers of their
// own and station names, and writes JigSetup.ini, global.ini and the station files; then the
// controller starts real `ardentis --automation` engines on those files, untouched, and runs
// every station.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "apps/tests/engine_jig.h"
#include "common/gauge_control.h"
#include "components/adapter_identity.h"
#include "components/recal_reminder.h"
#include "components/result_store.h"
#include "components/serial_store.h"
#include "components/tester_config_store.h"
#include "controller/controller.h"
#include "controller/stored_references.h"
#include "platform/automation/client_engine_factory.h"
#include "platform/profile.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_clock.h"
#include "setup/setup_wizard.h"
#include "sim/sim_control.h"
#include "testing/qt_app.h"

namespace tester {
namespace {

constexpr int kStations = 3;
constexpr int kRunsLimitMs = 20000;

// The scratch jig's stations, the first still with its factory identifier and the other two
// carrying the same one, as adapters fresh from a rework might.
std::string FreshAdapters(const ScratchJig& jig) {
  const char* ids[] = {kFactoryAdapterId, "00112233445566778899AABBCCDDEEFF",
                       "00112233445566778899AABBCCDDEEFF"};
  std::string text;
  for (int i = 0; i < kStations; ++i) {
    text += "[adapter " + jig.Identifiers()[i] + "]\ncal_board = yes\nsensors = 0x90 0x94\n" +
            "adapter_id = " + ids[i] + "\n" + DefaultJigPack("reference 800.1.02");
  }
  return text;
}

TEST(SetupToController, TheControllerStartsOnTheFilesTheWizardWrote) {
  EnsureQtApp();
  ScratchJig jig(kStations);
  const std::string jig_text = FreshAdapters(jig);
  std::ofstream(jig.JigFile()) << jig_text;
  // The stations' own files (references and all) exist already, as on a jig being set up
  // again; the wizard gives them the global settings.
  for (const char* name : {"Line0", "Line1", "Line2"}) {
    std::filesystem::copy_file(jig.Home() + "/Station1.ini", jig.Home() + "/" + name);
  }
  VirtualClock clock;
  ScriptedDialogs dialogs;
  {
    std::string error;
    std::optional<JigDescription> parsed = ParseJigText(jig_text, error);
    ASSERT_TRUE(parsed) << error;
    std::unique_ptr<SimControl> control = MakeSimControl(*parsed, jig.Locks(), clock, error);
    ASSERT_TRUE(control) << error;
    AdapterIdentity identity;
    SetupWizard wizard({*control, identity, dialogs, clock, jig.Home(),
                        [] { return std::make_unique<TesterConfigStore>(); }});
    dialogs.QueueYesNo(true);  // the factory identifier
    dialogs.QueueYesNo(true);  // the repeated one
    wizard.Search();
    ASSERT_EQ(wizard.BoardCount(), kStations);
    for (int i = 0; i < kStations; ++i) wizard.SetCustomName(i, "Line " + std::to_string(i));
    wizard.SetTest(2, false);
    ASSERT_TRUE(wizard.Next());
    ASSERT_TRUE(wizard.ProbeNext(nullptr));
    ASSERT_TRUE(wizard.Finish(nullptr));
    EXPECT_TRUE(dialogs.Messages().empty()) << dialogs.Messages().front();
    EXPECT_EQ(dialogs.unused_answers(), 0u);
  }
  const std::string setup = jig.Home() + "/JigSetup.ini";
  EXPECT_EQ(profile::ReadString(setup, "Line2", "Probe", "", 255), "ILine0");
  EXPECT_EQ(profile::ReadSection(setup, "BoardMapping").size(), static_cast<size_t>(kStations));

  EngineStart start;
  start.executable = ARDENTIS_PATH;
  start.environment = jig.Environment();
  ClientEngineFactory factory(start);
  std::unique_ptr<SerialStore> serials = OpenSerialStore(jig.Home(), clock);
  std::unique_ptr<ResultStore> log = OpenResultStore(jig.Home(), clock);
  RecalReminder reminder(jig.Home(), clock);
  ControllerView view;
  ControllerParts parts{clock, dialogs, factory, *serials, *log, reminder, jig.Home(), {}};
  Controller controller(parts, &view);
  ASSERT_TRUE(controller.Load()) << controller.StartupMessage();
  ASSERT_EQ(controller.NumBoards(), kStations);
  for (int i = 0; i < kStations; ++i) {
    const StationSlot& slot = controller.Slot(i);
    EXPECT_EQ(slot.sStationName, "Line" + std::to_string(i)) << slot.sLinkpodID;
    EXPECT_NE(slot.sLinkpodID, kFactoryAdapterId);
    EXPECT_TRUE(slot.bITS && slot.bETS);
    EXPECT_EQ(slot.bDoTesting, i != 2);
  }
  EXPECT_TRUE(PushStoredReferences(controller, jig.Home()).empty());
  ASSERT_TRUE(controller.StartEnabled());
  controller.Start();
  ASSERT_TRUE(PumpUntil([&] { return controller.StationsBusy() == 0; }, kRunsLimitMs));
  EXPECT_EQ(controller.Row(0).verdict, "PASS") << controller.Row(0).message;
  EXPECT_EQ(controller.Row(1).verdict, "PASS") << controller.Row(1).message;
  controller.Shutdown();
}

}  // namespace
}  // namespace tester
