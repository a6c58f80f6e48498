#include "components/global_config_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "components/config_values.h"
#include "testing/scratch_folder.h"

namespace tester {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

const ConfigKey& Key(std::string_view name) { return *FindConfigKey(name); }

constexpr const char* kFile =
    "; written by hand\r\n"
    "[Target]\r\n"
    "; the pack of line 3\r\n"
    "CellCount = 2\r\n"
    "LineSpeed=fast\r\n"
    "[Files]\r\n"
    "LogFile=\"/var/log/jig.log\"\r\n"
    "[References]\r\n"
    "RefVoltage1=3700\r\n"
    "[Custom]\r\n"
    "Owner=line 3\r\n";

TEST(GlobalConfigModel, SavingEditsOnlyTheChangedGlobalKeysInPlace) {
  test::ScratchFolder folder("global-config");
  const std::string path = folder.Write("Station1", kFile);
  GlobalConfigModel model;
  ASSERT_EQ(model.Load(path), "");
  EXPECT_EQ(model.Value(Key("CellCount")), "2");
  EXPECT_EQ(model.Value(Key("LogFile")), "/var/log/jig.log");
  ASSERT_EQ(model.SetValue(Key("CellCount"), "3"), "");
  ASSERT_EQ(model.SetValue(Key("LogFile"), "/var/log/jig.log"), "");
  ASSERT_EQ(model.Save(path), "");
  std::string expected = kFile;
  expected.replace(expected.find("CellCount = 2"), 13, "CellCount = 3");
  EXPECT_EQ(folder.Read("Station1"), expected);

  GlobalConfigModel again;
  ASSERT_EQ(again.Load(path), "");
  EXPECT_EQ(again.Value(Key("CellCount")), "3");
}

TEST(GlobalConfigModel, BadValuesAreRefusedNamingTheField) {
  test::ScratchFolder folder("global-config");
  const std::string path = folder.Write("global.ini", "[Target]\nCellCount=9\n");
  GlobalConfigModel model;
  EXPECT_THAT(model.Load(path), AllOf(HasSubstr("CellCount"), HasSubstr("line 2")));
  EXPECT_EQ(model.Value(Key("CellCount")), "1") << "shown as its default";
  EXPECT_EQ(model.SetValue(Key("CellCount"), "5"),
            "Cell count (CellCount): \"5\" is outside 1 to 4; accepted: whole numbers 1 to 4");
  EXPECT_THAT(model.SetValue(Key("TargetName"), "800\n1"), HasSubstr("Target name"));
  EXPECT_THAT(model.SetValue(Key("RefVoltage1"), "1"), HasSubstr("not a global setting"));
  ASSERT_EQ(model.Save(path), "");
  EXPECT_EQ(folder.Read("global.ini"), "[Target]\nCellCount=9\n")
      << "a refused value nobody changed stays as written";
}

TEST(GlobalConfigModel, GroupsAndLabelsComeFromTheKeyTable) {
  GlobalConfigModel model;
  std::vector<std::string> titles;
  for (const GlobalConfigGroup& group : model.Groups()) titles.push_back(group.title);
  EXPECT_THAT(titles, ::testing::ElementsAre("Device under test", "Test steps",
                                             "Calibration switches", "Limits",
                                             "Serial and manufacturer data", "Image and log",
                                             "Operator lock and reminder"));
  EXPECT_EQ(FieldLabel("CalCCOffset"), "Cal CC offset");
  EXPECT_EQ(FieldLabel("TS1CalEnabled"), "TS1 cal enabled");
  EXPECT_EQ(FieldLabel("VTIAlwaysAllowed"), "VTI always allowed");
  EXPECT_EQ(FieldLabel("CalParamL"), "Cal param L");
  EXPECT_THAT(model.Groups()[0].fields[2].tooltip,
              AllOf(HasSubstr("Series cells"), HasSubstr("whole numbers 1 to 4"),
                    HasSubstr("[Target] CellCount")));
}

}  // namespace
}  // namespace tester
