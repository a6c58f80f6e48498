#include "common/messages.h"

#include <iterator>

namespace tester {
namespace {

// Entry i holds message kMsgFirst + i.
constexpr std::string_view kTexts[] = {
    "Ardentis Software",
    "Battery pack production tester - maintained by the test engineering team",
    "Linkpod not found! Please ensure that the USB cable is connected and restart the "
    "application.\r\nPlease make sure that no other program is using the Linkpod.",
    "Error Code(decimal) =",
    "Password incorrect!",
    "Save Password failed.",
    "Error Writing to file: ",
    "Communication error reading from Gas Gauge.",
    "The Gas Gauge version does not match. Please check the configuration!",
    "Gas Gauge could not be put in ROM mode.",
    "Error writing Data Flash(ROM mode).",
    "Error executing custom code.",
    "Error writing Data Flash(GG Mode).",
    "Calibration error.",
    "Error executing GG code. Data Flash may be corrupt!",
    "Error Writing serial number.",
    "Please specify the full file name(including pathname) for the file that holds the data "
    "flash image...",
    "Data Flash Image Reader",
    "Error reading from file: ",
    "Error in header of file: ",
    "Error. File reported incorrect Data Flash Size:",
    "Error reading Data flash:",
    "Communication error:",
    "Data Flash checksum mismatch!",
    "Data Flash image was created successfully.",
    "A bad filename was specified!",
    "Calibrated values out of specified range.",
    "Sense resistor value too high!",
    "Sense resistor value too low!",
    "Temperature offset too high!",
    "Temperature offset too low!",
    "Reference Voltage too high!",
    "Reference Voltage too low!",
    "Failed to put Gas Gauge in Cal mode.",
    "Failed to write manufacturer data!",
    "Gas gauge is in permanent fail mode!",
    "Serial number has reached its maximum(65535)! It will be capped at 65535.",
    "Error sealing Gas gauge!",
    "Path does not exist.",
    "Unsupported Target!",
    "Please choose a target from the list.",
    "File already exists. Do you want to overwrite it?",
    "Work around issues routine failed!",
    "Sending to Monowire Mode Failed",
};
static_assert(std::size(kTexts) == kMsgLast - kMsgFirst + 1, "one text per message number");

}  // namespace

std::string LoadMessage(int number) {
  if (number < kMsgFirst || number > kMsgLast) return {};
  return std::string(kTexts[static_cast<std::size_t>(number - kMsgFirst)]);
}

std::string FormatStatus(std::string_view prefix, Status status) {
  std::string text(prefix);
  text += std::to_string(status);
  return text;
}

}  // namespace tester
