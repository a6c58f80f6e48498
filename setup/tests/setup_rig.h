#pragma once
// The wizard on a virtual jig: a scratch copy of the demo application folder, the jig's
// adapters behind the real adapter identification, scripted dialogs and a virtual clock.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "components/adapter_identity.h"
#include "components/tester_config_store.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_clock.h"
#include "setup/setup_wizard.h"
#include "sim/sim_control.h"
#include "testing/demo_home.h"
#include "testing/jig_checks.h"

namespace tester::test {

// An adapter of a jig: a calibration board with both sensors unless `keys` say otherwise.
inline std::string SetupAdapter(const std::string& name, const std::string& keys = "") {
  return "[adapter " + name + "]\ncal_board = yes\nsensors = 0x90 0x94\n" + keys +
         "[pack p]\nfamily = 1\n";
}

// Adapter names of test jigs: 32 hexadecimal digits ending in the number.
inline std::string AdapterName(int n) {
  std::string digits = std::to_string(n);
  return std::string("A1B2C3D4E5F60718293A4B5C6D7E") + std::string(4 - digits.size(), '0') +
         digits;
}

// `count` plain adapters.
inline std::string PlainJig(int count) {
  std::string jig;
  for (int i = 0; i < count; ++i) jig += SetupAdapter(AdapterName(i));
  return jig;
}

struct SetupRig {
  explicit SetupRig(const std::string& jig_text) {
    EXPECT_TRUE(home.Ok()) << home.Error();
    std::string error;
    control = MakeSimControl(MustParse(jig_text), home.Locks(), clock, error);
    EXPECT_TRUE(control) << error;
    wizard = std::make_unique<SetupWizard>(
        SetupParts{*control, identity, dialogs, clock, home.Home(),
                   [] { return std::make_unique<TesterConfigStore>(); }});
  }

  // A second holder of the jig's adapters ("another program").
  std::unique_ptr<SimControl> OtherProgram() {
    std::string error;
    auto other = MakeSimControl(control->Jig(), home.Locks(), clock, error);
    EXPECT_TRUE(other) << error;
    return other;
  }

  // Names rows 0..n-1 `prefix`0, `prefix`1, ...
  void Name(int n, const std::string& prefix = "Line") {
    for (int i = 0; i < n; ++i) wizard->SetCustomName(i, prefix + std::to_string(i));
  }

  uint8_t Lamps(int adapter) { return control->Station(adapter).CalBoard().Port().Leds(); }

  DemoHome home{DemoFolder(), "tester-setup"};
  VirtualClock clock;
  ScriptedDialogs dialogs;
  AdapterIdentity identity;
  std::unique_ptr<SimControl> control;
  std::unique_ptr<SetupWizard> wizard;
};

}  // namespace tester::test
