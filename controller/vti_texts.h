#pragma once
// Captions and operator messages of the reference-value (VTI) window and of its headless
// form, each written once.
namespace tester {

inline constexpr const char* kVtiCaption = "Update VTI";

// Headers.
inline constexpr const char* kVtiStationTitle = "Station";
inline constexpr const char* kVtiVoltTitle = "Voltage (mv)";
inline constexpr const char* kVtiVoltTitleSingle = "V(mV)";
inline constexpr const char* kVtiVolt[4] = {"V1", "VT2", "VT3", "VT4"};
inline constexpr const char* kVtiVoltTotal = "VTotal";
inline constexpr const char* kVtiCurrentTitle = "Current (mA)";
inline constexpr const char* kVtiTempTitle = "Temperature (\u00B0C)";
inline constexpr const char* kVtiTempColumns = "Value    Internal  External";

// Help lines lblVHelp(0..4).
inline constexpr const char* kVtiHelp[5] = {
    "VTotal = Total Pack Voltage from Polytrak",
    "V1 = Cell1 Voltage for Parts that Require Multi-Cell Calibration",
    "VT2 = Cell1 + Cell2 Voltage",
    "VT3 = Cell1 + Cell2 + Cell3",
    "VT4 = Cell1 + Cell2 + Cell3 + Cell4",
};
inline constexpr const char* kVtiNote =
    "Note: when the program starts, the Start button stays disabled until VTI has been "
    "updated.";

// Buttons.
inline constexpr const char* kVtiApply = "&Apply Changes";
inline constexpr const char* kVtiUpdateClose = "&Update VTI && Close";
inline constexpr const char* kVtiReadTemp = "&Read Currently calibrated temperatures";

// Calibration-mode display.
inline constexpr const char* kVtiInCalMode = "is now in Calibration Mode";
inline constexpr const char* kVtiAlertIntro =
    "\n\n\nPlease use reference meter to calibrate the following for this Polytrak Board: ";
inline constexpr const char* kVtiVoltageSource = "\n    Voltage Source.";
inline constexpr const char* kVtiCurrentSource = "\n    Current Source.";
inline constexpr const char* kVtiTempSensors = "\n    Temperature Sensors";

// The password control's state line.
inline constexpr const char* kVtiLocked = "Locked: the reference values are read-only";
inline constexpr const char* kVtiLockedButAllowed = "Locked (reference values allowed)";

// Messages.
inline constexpr const char* kMsgVtiUpdateError = "Error updating VTI: ";
inline constexpr const char* kMsgVtiInvalid = "Please enter valid values! Error updating VTI: ";
inline constexpr const char* kMsgFlashLeds = "Error flashing LEDs";
inline constexpr const char* kMsgVtiOnBoardTemp = "On Board Temp Sensor Read Error";
inline constexpr const char* kMsgVtiEngineEnded = "The station's engine has ended";
inline constexpr const char* kMsgVtiUnreadable = "The reference values of station ";
inline constexpr const char* kMsgVtiUnreadableTail = " could not be read; enter them anew: ";

}  // namespace tester
