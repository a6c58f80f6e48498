#pragma once
// The controller's captions and operator messages, each written once.
namespace tester {

inline constexpr const char* kControllerTitle = "Gangwright";
inline constexpr const char* kMainCaption = "Gangwright Software";
inline constexpr const char* kCaptionTitlePrefix = "Gangwright Software - ";
inline constexpr const char* kCaptionClosing = "Please wait...";
// The program's file description, after the engine's version in the about box.
inline constexpr const char* kFileDescription = "Gangwright multi-station controller";

// Start-up.
inline constexpr const char* kMsgSerialConfig = "Error in configuration for serial number: ";
inline constexpr const char* kMsgCreateInstances =
    "Error creating instances of Single station tester";
inline constexpr const char* kMsgExpectedBoards = "Error: Expected ";
inline constexpr const char* kMsgBoardsFound = " boards, Found ";
inline constexpr const char* kMsgMissingBoard = "Missing board:";
inline constexpr const char* kMsgMoreThan = "This error may also be shown if more than ";
inline constexpr const char* kMsgBoardsConnected = " boards are connected.";
inline constexpr const char* kMsgInitCacheFailed =
    "Single site InitCacheFromSetup() failed for board ";
inline constexpr const char* kMsgErrorCode = ".Error code =";
// A [BoardMapping] line the setup wizard never writes.
inline constexpr const char* kMsgMappingWithoutEquals =
    "Error in [BoardMapping] of JigSetup.ini: no \"=\" in the line: ";
// Two mapping lines named the same adapter, so a board was left without a station name.
inline constexpr const char* kMsgUnnamedBoard = "No station name in [BoardMapping] for board ";

// Runs.
inline constexpr const char* kMsgTryAgain = "Please try again!";
inline constexpr const char* kMsgTesterRefused = "Tester returned error for board ";
inline constexpr const char* kMsgStationSuffix = " : Station=";
inline constexpr const char* kMsgIntTempError = "Error reading int temperature from board ";
inline constexpr const char* kMsgExtTempError = "Error reading ext temperature from board ";
inline constexpr const char* kMsgRefTempError = "Error reading temperature from board ";
inline constexpr const char* kMsgWatchReadError =
    "Temperature check failed due to error reading temperature! Err code = ";
inline constexpr const char* kLabelTempBasedStop =
    "Recalibration required to proceed! Cause:Temperature Variation>Tolerance";
inline constexpr const char* kMsgStillRunning =
    "Stations are still running: a new start waits until every station has completed.";
inline constexpr const char* kMsgNotLogged = "The result log did not take the result of ";
inline constexpr const char* kMsgSerialFateNotKept = "The serial counter did not keep the fate of ";

// Reference values (the VTI window and the headless push).
inline constexpr const char* kMsgOnBoardTempRead = "On Board Temp Sensor Read Error";

}  // namespace tester
