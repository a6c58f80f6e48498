#pragma once
// The setup wizard's captions and operator messages, each written once. Texts that go on
// with a number or a name end where the number or name is inserted.
namespace tester {

inline constexpr const char* kSetupTitle = "Rigwright";
// The window's caption ends in a blank.
inline constexpr const char* kSetupCaption = "Station Setup for Gangwright ";
// The program's file description, after the version in the about box.
inline constexpr const char* kSetupFileDescription = "Rigwright station setup wizard";

inline constexpr int kSetupVersionMajor = 1;
inline constexpr int kSetupVersionMinor = 0;
inline constexpr int kSetupVersionRevision = 0;

// The files, in the program folder.
inline constexpr const char* kJigSetupFileName = "JigSetup.ini";
inline constexpr const char* kGlobalFileName = "global.ini";
inline constexpr const char* kConfigFileName = "Config.ini";
inline constexpr const char* kBoardMappingSection = "BoardMapping";

// Board rows.
inline constexpr const char* kRowReset = "...";
inline constexpr const char* kRowNotFound = "Not found";
inline constexpr const char* kRowFound = ".  Found";  // after the row number

// The search.
inline constexpr const char* kMsgTooManyBoards = "Aborting operation. A maximum of ";
inline constexpr const char* kMsgTooManyBoardsEnd =
    " boards may be connected. Please disconnect any extra boards!";
inline constexpr const char* kMsgBoard = "Board ";
inline constexpr const char* kMsgBoardInUse =
    " was either disconnected or is in use by another program. Please make corrections and "
    "try again.";
inline constexpr const char* kMsgOldFirmware =
    "Detected LinkpodX with an old firmware version. Please update to version 3.1l or above "
    "for Linkpod/version 0.7.97 or above for Dockpod";
inline constexpr const char* kMsgOldFirmwareLeds =
    "The LEDs connected to I2C Vout(on LinkpodX) and ReadyBusyPassFail(on Cal board) have been "
    "turned ON to assist in physical identification of this LinkpodX. LEDs will be turned off "
    "sometime after pressing ok.";
inline constexpr const char* kMsgCommError = "Communication error ";
inline constexpr const char* kMsgCommErrorEnd = " trying to read ID for board number  ";
inline constexpr const char* kMsgInconsistentBoard =
    "Detected inconsistant board type for board number ";

// Unique identifiers.
inline constexpr const char* kAskAssignName =
    "Found unnamed/duplicate board. Do you want to proceed by assigning it a unique name?";
inline constexpr const char* kAskAssignNameNo =
    "If you select NO then you must close the program to avoid corruption of setup data.";
inline constexpr const char* kMsgAssignFailed =
    "Error assigning unique name. Please close this application and try again!";
inline constexpr const char* kMsgViewOnly =
    "Do not change/save anything as duplicate board names will corrupt your data. You may only "
    "view the data.";

// Custom names.
inline constexpr const char* kMsgBlankName = "Custom name cannot be blank!";
inline constexpr const char* kMsgTheCustomName = "The custom name ";
inline constexpr const char* kMsgAppearsTwice = " appears twice.";
inline constexpr const char* kMsgSelectUnique =
    "Please select a unique custom name for each board and mark it on the board.";
inline constexpr const char* kMsgNameIsIdentifier =
    "The custom name is the identifier for the board in the Gangwright program.";
inline constexpr const char* kMsgNotSaved = "Your changes were not saved!";
inline constexpr const char* kMsgIdsNotUnique =
    "The board names are not unique! Please search all boards again and assign a unique name "
    "when prompted.";
// Ours: a custom name becomes a file name and a section name.
inline constexpr const char* kMsgUnsafeName =
    " cannot be used: it names the station's settings file and its section of JigSetup.ini, "
    "so it may not be \".\" or \"..\" nor hold / \\ [ ] \" or control characters.";

// Flash LEDs.
inline constexpr const char* kMsgFlashInUse =
    "This board was either disconnected or is in use by another program. Please make "
    "corrections and try again.";

// Save && Proceed.
inline constexpr const char* kMsgSearchFirst = "You must first search for boards!";
inline constexpr const char* kMsgSaveMapping = "Error saving Board mapping!";
inline constexpr const char* kMsgSaveSensors = "Error saving Cal board sensor information!";
inline constexpr const char* kMsgSaveVti = "Error saving VTI!";

// Probe page.
inline constexpr const char* kProbeNoTracking = "No tracking - Use entered value";
inline constexpr const char* kProbeInternal = "Internal probe:";
inline constexpr const char* kProbeExternal = "External probe:";
inline constexpr const char* kMsgErrorWriting = "Error writing to ";

// Ours: the station files at the end.
inline constexpr const char* kMsgStationFile = "Station file ";
inline constexpr const char* kMsgGlobalFile = "The global settings cannot be used: ";

// Window.
inline constexpr const char* kFrame2Caption = "Boards found for setup";
inline constexpr const char* kFrame4Caption = "Temperature Probe selection";
inline constexpr const char* kFrame3Caption = "Global configuration";
inline constexpr const char* kCmdSearch = "Search for connected Boards";
inline constexpr const char* kCmdNext = "Save && Proceed >>";
inline constexpr const char* kCmdTProbeNext = "&Next >>";
inline constexpr const char* kCmdFinish = "&Save Configuration  && Close";
inline constexpr const char* kProbeHeader = "Polytrak Board Temp Probe Select:";
inline constexpr const char* kAdvancedNote = "Detect Advanced Polytrak Board";
inline constexpr const char* kSensorNote = "Note: Only Temperature sensors on Calibration board are shown.";

}  // namespace tester
