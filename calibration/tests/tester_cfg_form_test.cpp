// The configuration window's logic: which reference boxes show and how they read, the
// numeric check, saving only what reads, and the quit question.
#include "calibration/tester_cfg_form.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/scripted_dialogs.h"
#include "testing/memory_tester_config.h"

namespace tester {
namespace {

// Remembers the references of every SaveVTIConfig; fails on demand.
class SavingConfig final : public MemoryTesterConfig {
public:
  std::string SaveVTIConfig() override {
    if (!fail.empty()) return fail;
    saved.push_back({RefVoltage1, RefVoltage2, RefVoltage3, RefVoltage4, RefCurrent});
    saved_temperature = RefTemperature;
    return {};
  }
  std::vector<std::vector<int32_t>> saved;
  float saved_temperature = 0.0f;
  std::string fail;
};

TesterConfigProperties Station(int16_t enabled, int16_t mode, int16_t cells) {
  TesterConfigProperties config;
  config.VoltageCalEnabled = enabled;
  config.VoltageCalMode = mode;
  config.CellCount = cells;
  config.CurrentCalEnabled = 1;
  return config;
}

using Shown = std::array<bool, 4>;

// The window's tests show voltage calibration off and three cells with a VBAT box.
TEST(TesterCfgLayout, VoltageBoxesFollowTheCalibrationSwitches) {
  VtiLayout three = LayoutVti(Station(1, kVoltageCalPerTapInside, 3), 0);
  EXPECT_EQ(three.voltage_shown, (Shown{true, true, true, false}));

  // One pack reference: its one box is not called "Cell1".
  VtiLayout total = LayoutVti(Station(1, kVoltageCalTotal, 3), 1);
  EXPECT_EQ(total.voltage_shown, (Shown{true, false, false, false}));
  EXPECT_EQ(total.voltage_label[0], "Total Voltage");

  TesterConfigProperties kind6 = Station(1, kVoltageCalPerTapInside, 2);
  kind6.TargetKind = kTargetKindNoFirstVoltage;
  kind6.CurrentCalEnabled = 0;
  VtiLayout no_label = LayoutVti(kind6, 0);
  EXPECT_EQ(no_label.voltage_label[0], "");
  EXPECT_FALSE(no_label.current_shown);
}

TEST(ReferenceText, NumbersAreDecimalAndWholeNumbersRoundToEven) {
  for (const char* text : {"12", " -3.5 ", ".5", "5.", "+1e3", "2E-2"}) {
    EXPECT_TRUE(IsNumericText(text)) << text;
  }
  for (const char* text : {"", " ", "abc", "12a", "1e", ".", "-", "1,5", "0x10", "1 2"}) {
    EXPECT_FALSE(IsNumericText(text)) << text;
  }
  EXPECT_EQ(WholeNumberFromText("2.5"), 2);
  EXPECT_EQ(WholeNumberFromText("3.5"), 4);
  EXPECT_EQ(WholeNumberFromText("3e9"), std::nullopt);
  EXPECT_EQ(SingleFromText("1e39"), std::nullopt);
  EXPECT_EQ(SingleFromText("24.7"), 24.7f);
}

class TesterCfgFormTest : public ::testing::Test {
protected:
  TesterCfgFormTest() {
    auto owned = std::make_unique<SavingConfig>();
    config = owned.get();
    config->VoltageCalEnabled = 0;  // no voltage box shown
    config->RefVoltage1 = 3700;
    config->RefVoltage4 = 14800;
    config->RefCurrent = 2000;
    config->RefTemperature = 24.5f;
    form = std::make_unique<TesterCfgForm>(dialogs, std::move(owned), "/station/ardentis.ini");
    layout = form->LoadVti(0);
  }

  ScriptedDialogs dialogs;
  SavingConfig* config = nullptr;
  std::unique_ptr<TesterCfgForm> form;
  VtiLayout layout;
};

TEST_F(TesterCfgFormTest, NothingIsSavedUnlessEveryBoxReadsAndTheSaveSucceeds) {
  EXPECT_FALSE(form->LeaveBox(""));
  EXPECT_TRUE(form->LeaveBox("12"));
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{kMsgNotNumeric});

  form->Texts().voltage[0] = "9000";
  form->Texts().temperature = "warm";
  EXPECT_FALSE(form->Save(nullptr));
  EXPECT_EQ(dialogs.Messages().back(), kMsgInvalidInput);
  EXPECT_EQ(config->RefVoltage1, 3700);  // the object is untouched too
  EXPECT_TRUE(config->saved.empty());

  form->Texts().temperature = "25";
  config->fail = "Settings not saved: disk full";
  EXPECT_TRUE(form->Changed());
  EXPECT_FALSE(form->Save(nullptr));
  const std::vector<std::string> messages = dialogs.Messages();
  const std::vector<std::string> last(messages.end() - 2, messages.end());
  EXPECT_EQ(last, (std::vector<std::string>{kMsgInvalidData, "Settings not saved: disk full"}));
}

TEST_F(TesterCfgFormTest, ClosingAfterAChangeAsksYesNoOrCancel) {
  EXPECT_TRUE(form->QueryClose(nullptr));  // no change: no question
  EXPECT_TRUE(dialogs.shown().empty());

  form->Texts().current = "1500";
  dialogs.QueueChoice(DialogChoice::kCancel);
  EXPECT_FALSE(form->QueryClose(nullptr));
  dialogs.QueueChoice(DialogChoice::kNo);
  EXPECT_TRUE(form->QueryClose(nullptr));
  EXPECT_TRUE(config->saved.empty());
  dialogs.QueueChoice(DialogChoice::kYes);
  EXPECT_TRUE(form->QueryClose(nullptr));
  ASSERT_EQ(config->saved.size(), 1u);
  EXPECT_EQ(config->saved[0][4], 1500);
  ASSERT_FALSE(dialogs.shown().empty());
  EXPECT_EQ(dialogs.shown()[0].text, kMsgQuitQuestion);
  EXPECT_EQ(dialogs.shown()[0].title, kMsgQuitTitle);
  EXPECT_TRUE(dialogs.script_errors().empty());
}

}  // namespace
}  // namespace tester
