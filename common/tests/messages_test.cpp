#include "common/messages.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace tester {
namespace {

// The operator texts, typed out independently of the table they check.
const std::map<int, std::string>& ExpectedTexts() {
  static const std::map<int, std::string> texts = {
      {101, "Ardentis Software"},
      {103, "Linkpod not found! Please ensure that the USB cable is connected and restart the "
            "application.\r\nPlease make sure that no other program is using the Linkpod."},
      {104, "Error Code(decimal) ="},
      {105, "Password incorrect!"},
      {106, "Save Password failed."},
      {107, "Error Writing to file: "},
      {108, "Communication error reading from Gas Gauge."},
      {109, "The Gas Gauge version does not match. Please check the configuration!"},
      {110, "Gas Gauge could not be put in ROM mode."},
      {111, "Error writing Data Flash(ROM mode)."},
      {112, "Error executing custom code."},
      {113, "Error writing Data Flash(GG Mode)."},
      {114, "Calibration error."},
      {115, "Error executing GG code. Data Flash may be corrupt!"},
      {116, "Error Writing serial number."},
      {117, "Please specify the full file name(including pathname) for the file that holds the "
            "data flash image..."},
      {118, "Data Flash Image Reader"},
      {119, "Error reading from file: "},
      {120, "Error in header of file: "},
      {121, "Error. File reported incorrect Data Flash Size:"},
      {122, "Error reading Data flash:"},
      {123, "Communication error:"},
      {124, "Data Flash checksum mismatch!"},
      {125, "Data Flash image was created successfully."},
      {126, "A bad filename was specified!"},
      {127, "Calibrated values out of specified range."},
      {128, "Sense resistor value too high!"},
      {129, "Sense resistor value too low!"},
      {130, "Temperature offset too high!"},
      {131, "Temperature offset too low!"},
      {132, "Reference Voltage too high!"},
      {133, "Reference Voltage too low!"},
      {134, "Failed to put Gas Gauge in Cal mode."},
      {135, "Failed to write manufacturer data!"},
      {136, "Gas gauge is in permanent fail mode!"},
      {137, "Serial number has reached its maximum(65535)! It will be capped at 65535."},
      {138, "Error sealing Gas gauge!"},
      {139, "Path does not exist."},
      {140, "Unsupported Target!"},
      {141, "Please choose a target from the list."},
      {142, "File already exists. Do you want to overwrite it?"},
      {143, "Work around issues routine failed!"},
      {144, "Sending to Monowire Mode Failed"},
  };
  return texts;
}

TEST(MessageTable, EveryTextIsExact) {
  for (const auto& [number, text] : ExpectedTexts()) {
    EXPECT_EQ(LoadMessage(number), text) << "message " << number;
  }
}

TEST(MessageTable, CreditsLineIsPresentAndNeutral) {
  const std::string credits = LoadMessage(kMsgCredits);
  EXPECT_FALSE(credits.empty());
  EXPECT_EQ(credits.find('\n'), std::string::npos);
}

TEST(MessageTable, AdapterNotFoundBreaksLineWithCrLf) {
  const std::string text = LoadMessage(kMsgAdapterNotFound);
  const auto cr = text.find('\r');
  ASSERT_NE(cr, std::string::npos);
  EXPECT_EQ(text[cr + 1], '\n');
  EXPECT_EQ(text.find('\n'), cr + 1);  // no bare line feed before it
  EXPECT_EQ(text.find('\r', cr + 1), std::string::npos);
}

TEST(MessageTable, NumbersOutsideTheTableGiveEmptyText) {
  for (int number : {0, -1, 1, 100, 145, 65539, 2147483647, -2147483647 - 1}) {
    EXPECT_EQ(LoadMessage(number), "") << "message " << number;
  }
  EXPECT_FALSE(LoadMessage(kMsgFirst).empty());
  EXPECT_FALSE(LoadMessage(kMsgLast).empty());
}

TEST(MessageTable, NamedNumbersPointAtTheirTexts) {
  EXPECT_EQ(LoadMessage(kMsgCommErrorReading), "Communication error reading from Gas Gauge.");
  EXPECT_EQ(LoadMessage(kMsgRomModeFailed), "Gas Gauge could not be put in ROM mode.");
  EXPECT_EQ(LoadMessage(kMsgMfrDataWriteFailed), "Failed to write manufacturer data!");
  EXPECT_EQ(LoadMessage(kMsgPathMissing), "Path does not exist.");
  EXPECT_EQ(LoadMessage(kMsgMonowireFailed), "Sending to Monowire Mode Failed");
}

TEST(FormatStatus, ShowsDecimalAfterPrefix) {
  EXPECT_EQ(FormatStatus("Error code = ", 0), "Error code = 0");
  EXPECT_EQ(FormatStatus("Error code = ", 65539), "Error code = 65539");
  // A control status outside every own range is shown as its number like any other.
  EXPECT_EQ(FormatStatus("Err code = ", 1234), "Err code = 1234");
  EXPECT_EQ(FormatStatus("Err code = ", -1), "Err code = -1");
  EXPECT_EQ(FormatStatus("", -2147483647 - 1), "-2147483648");
  EXPECT_EQ(FormatStatus(".Error code =", 65557), ".Error code =65557");
}

}  // namespace
}  // namespace tester
