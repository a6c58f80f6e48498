#pragma once
// A controller over the fakes of controller_fakes.h, for the GoogleTest tests.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "controller/tests/controller_fakes.h"

namespace tester::test {

class ControllerTest : public ::testing::Test {
protected:
  // Loads a controller on `boards` adapters named by `jig` (default: JigFor(boards)).
  bool LoadWith(int boards, std::optional<std::string> jig = std::nullopt) {
    factory.adapters = Adapters(boards);
    home.Jig(jig ? *jig : JigFor(boards));
    ControllerParts parts{clock, dialogs, factory, serials, log, reminder, home.Path(), {}};
    parts.settings.run_time_limit_ms = 60'000;
    controller = std::make_unique<Controller>(parts, &view);
    return controller->Load();
  }
  // Hands every station its stored references, as the VTI window's Update does.
  void UpdateAllVTI() {
    for (int i = 0; i < controller->NumBoards(); ++i) {
      EXPECT_EQ(controller->UpdateVTI(3700, 0, 0, 0, 25.0f, 0, 0, 2000,
                                      controller->Slot(i).sStationName),
                "");
    }
  }
  FakeEngine& Engine(int i) { return factory.At(i); }

  VirtualClock clock;
  ScriptedDialogs dialogs;
  FakeEngineFactory factory;
  MemorySerialCounter serials;
  MemoryTesterLog log;
  MemoryReminder reminder;
  ControllerHome home;
  RecordingView view;
  std::unique_ptr<Controller> controller;
};

}  // namespace tester::test
