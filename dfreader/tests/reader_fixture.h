#pragma once
// The image reader on one station of the virtual jig: a scratch application folder (a copy
// of demo/, which is also the current folder for bare file names), scripted dialogs and a
// scripted target chooser, on the virtual clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/messages.h"
#include "dfreader/image_reader.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_clock.h"
#include "sim/sim_control.h"
#include "testing/demo_home.h"
#include "testing/jig_station.h"
#include "testing/scratch_folder.h"

namespace tester::readertest {

// The demo jig's stations, by the family of their gauges.
inline constexpr std::size_t kStation800 = 0;  // SMBus loader
inline constexpr std::size_t kStation450 = 1;  // register-style loader behind the bus switch
inline constexpr std::size_t kStation100 = 2;  // register-style gauge and loader

class ScriptedChooser final : public TargetChooser {
public:
  std::string ChooseTarget() override {
    ++shown;
    return answer;
  }
  std::string answer;
  int shown = 0;
};

// The default jig with only station `adapter` (its reference pack first), the pack of the
// reference changed by `change`.
template <typename Change>
JigDescription OneStation(std::size_t adapter, Change change) {
  JigDescription jig = DefaultJig();
  jig.adapters = {jig.adapters.at(adapter)};
  change(jig.adapters[0].packs[0]);
  return jig;
}
inline JigDescription OneStation(std::size_t adapter) {
  return OneStation(adapter, [](PackDescription&) {});
}

class ReaderTest : public ::testing::Test {
protected:
  // The reader on `jig`, loaded (Form_Load) with its current target set to `target`.
  void Start(const JigDescription& jig, const std::string& target = "800.1.02") {
    ASSERT_TRUE(home.Ok()) << home.Error();
    std::string error;
    control = MakeSimControl(jig, home.Locks(), clock, error);
    ASSERT_TRUE(control) << error;
    reader = std::make_unique<ImageReader>(
        ReaderEnvironment{clock, *control, dialogs, chooser, home.Home(), home.Home()});
    statuses.clear();
    reader->Form().SetObserver([this] {
      const std::string& now = reader->Form().Status();
      if (statuses.empty() || statuses.back() != now) statuses.push_back(now);
    });
    outcome = reader->Load();
    reader->Form().SetCurrentTarget(target);
  }
  ~ReaderTest() override {
    if (reader) reader->Unload();
  }

  ReaderForm& Form() { return reader->Form(); }
  // The message of `number` followed by `tail`.
  static std::string Msg(int number, const std::string& tail = "") {
    return LoadMessage(number) + tail;
  }
  std::vector<std::string> Messages() const { return dialogs.Messages(); }
  std::string Read(const std::string& name) const { return home.Read(name); }
  // The read got as far as the data flash.
  bool ReachedTheRows() const {
    return std::find(statuses.begin(), statuses.end(), kStatusReadingFlash) != statuses.end();
  }

  VirtualClock clock;
  test::DemoHome home{test::DemoFolder(), "tester-reader"};
  ScriptedDialogs dialogs;
  ScriptedChooser chooser;
  std::unique_ptr<SimControl> control;
  std::unique_ptr<ImageReader> reader;
  std::vector<std::string> statuses;  // the status line's texts in turn
  ImageReader::LinkOutcome outcome = ImageReader::LinkOutcome::kNoAdapter;
};

}  // namespace tester::readertest
