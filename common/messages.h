#pragma once
// The operator message table, numbered 101..144, shared by the engine, the controller and the
// image reader. A program loads a text by number at the moment it shows it. Message numbers
// are not status codes.
#include <string>
#include <string_view>

#include "common/status_codes.h"

namespace tester {

inline constexpr int kMsgFirst = 101;
inline constexpr int kMsgLast = 144;

inline constexpr int kMsgProductName = 101;             // "Ardentis Software"
inline constexpr int kMsgCredits = 102;                 // credits line
inline constexpr int kMsgAdapterNotFound = 103;         // adapter missing or held elsewhere
inline constexpr int kMsgErrorCodeDecimal = 104;        // "Error Code(decimal) ="
inline constexpr int kMsgPasswordIncorrect = 105;       // used by the password lock
inline constexpr int kMsgSavePasswordFailed = 106;      // used by the password lock
inline constexpr int kMsgErrorWritingFile = 107;        // followed by the path
inline constexpr int kMsgCommErrorReading = 108;        // gauge did not answer a read
inline constexpr int kMsgVersionMismatch = 109;         // identity differs from the target
inline constexpr int kMsgRomModeFailed = 110;           // ROM loader could not be entered
inline constexpr int kMsgDfWriteRomFailed = 111;        // programming in ROM mode failed
inline constexpr int kMsgCustomCodeFailed = 112;
inline constexpr int kMsgDfWriteGaugeFailed = 113;
inline constexpr int kMsgCalibrationError = 114;
inline constexpr int kMsgGaugeCodeFailed = 115;         // return from ROM mode failed
inline constexpr int kMsgSerialWriteFailed = 116;
inline constexpr int kMsgAskImageFileName = 117;        // image reader's file-name prompt
inline constexpr int kMsgImageReaderTitle = 118;        // "Data Flash Image Reader"
inline constexpr int kMsgErrorReadingFile = 119;
inline constexpr int kMsgFileHeaderError = 120;
inline constexpr int kMsgFileDfSizeError = 121;
inline constexpr int kMsgDfReadError = 122;             // reading the golden gauge failed
inline constexpr int kMsgCommError = 123;
inline constexpr int kMsgDfChecksumMismatch = 124;
inline constexpr int kMsgImageCreated = 125;
inline constexpr int kMsgBadFileName = 126;
inline constexpr int kMsgCalOutOfRange = 127;           // calibrated values out of range
inline constexpr int kMsgSenseResistorHigh = 128;
inline constexpr int kMsgSenseResistorLow = 129;
inline constexpr int kMsgTempOffsetHigh = 130;
inline constexpr int kMsgTempOffsetLow = 131;
inline constexpr int kMsgRefVoltageHigh = 132;
inline constexpr int kMsgRefVoltageLow = 133;
inline constexpr int kMsgCalModeFailed = 134;
inline constexpr int kMsgMfrDataWriteFailed = 135;      // manufacturer data or date
inline constexpr int kMsgPermanentFail = 136;           // gauge is in permanent-fail mode
inline constexpr int kMsgSerialCapped = 137;
inline constexpr int kMsgSealFailed = 138;
inline constexpr int kMsgPathMissing = 139;             // followed by the folder
inline constexpr int kMsgUnsupportedTarget = 140;
inline constexpr int kMsgChooseTarget = 141;
inline constexpr int kMsgConfirmOverwrite = 142;        // Yes/No question
inline constexpr int kMsgWorkaroundsFailed = 143;
inline constexpr int kMsgMonowireFailed = 144;

// The text of message `number`. A number outside 101..144 gives an empty text: the caller
// still shows whatever it adds (a status, a path), and nothing fails for want of a text.
std::string LoadMessage(int number);

// A status as the operator sees it: `prefix` followed by the status in decimal, for example
// FormatStatus("Error code = ", 65539) gives "Error code = 65539".
std::string FormatStatus(std::string_view prefix, Status status);

}  // namespace tester
