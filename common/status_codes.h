#pragma once
// Status codes: the outcome of every procedure as one signed 32-bit number.
//
// 0 is success. Nonzero is a failure that the caller passes on unchanged or turns into a
// code of its own. The codes the programs produce themselves fall into three groups:
//  - a handful of small local failure codes of single procedures;
//  - 5001..5039, the outcomes of calibration (5001 = nothing requested, a success);
//  - 65538..65617 (0x10002..0x10051), run and step codes; the run codes are the error code
//    of a completion report.
// Every other nonzero value is a status of the gauge control or of the operating system,
// passed on unchanged. The 16-bit statuses of single transfers widen without change
// (a control status of -1 stays -1).
#include <cstdint>

namespace tester {

using Status = int32_t;

inline constexpr Status kStatusOk = 0;

// --- local failures of single procedures -------------------------------------------------

// The gauge did not come into calibration mode: no new sample counter for more than 10
// reads while sampling, or the calibration-mode flag of command sets 4 and 8 stayed clear.
inline constexpr Status kStatusNotInCalMode = 1;
// Checksum mismatch: the gauge's data-flash sum differs from the image's, an instruction row
// came back with a wrong sum, or the register-style loader rejected a checksum or row read.
inline constexpr Status kStatusChecksumMismatch = 51;
// The register-style loader rejected a row erase or an instruction-row write, or the final
// check byte of the switch to Monowire mode was nonzero.
inline constexpr Status kStatusLoaderRejected = 52;
// A data-flash value was asked for in a type other than byte or 16-bit word.
inline constexpr Status kStatusBadValueType = 53;
// Board-offset sampling of the K-factor routines took longer than 7 s.
inline constexpr Status kStatusBoardOffsetTimeout = 65;
// A two-byte register read delivered another number of bytes than 2 (0x0304).
inline constexpr Status kStatusRegCountMismatch = 772;
// A data-flash value lies outside the block that would carry it: a negative offset, a
// word straddling the block end, a block or class number beyond what its command byte can
// address, or a block read shorter than the value's position. Refused before any write.
inline constexpr Status kStatusDfPositionOutOfBlock = 54;
// The station's data-flash geometry does not fit the image record: row size 0 or negative,
// a span negative or beyond the 2049 data bytes, or an SMBus row number that would not fit
// its byte. Refused before anything is sent to the loader.
inline constexpr Status kStatusImageGeometryInvalid = 55;
// A station's settings cannot be trusted: a value of its station file or of Config.ini
// that cannot be read or lies outside its range. The station is refused before any test
// (InitCacheFromSetup's result, with the offending values in its message).
inline constexpr Status kStatusSettingsRefused = 56;
// A transfer was asked of a gauge link that has no gauge control bound (an engine used
// before it attached an adapter, or after it detached). Reported like a control status.
inline constexpr Status kStatusNoGaugeControl = -1;

// --- calibration outcomes 5001..5039 -------------------------------------------------------

inline constexpr Status kStatusCalFirst = 5001;
inline constexpr Status kStatusCalLast = 5039;

// No calibration was requested; the test sequence counts it as success.
inline constexpr Status kStatusCalNothingRequested = 5001;
// Gauge-assisted calibration needs a voltage reference above 1 mV and has none.
inline constexpr Status kStatusCalNoVoltageRef = 5002;
// Gauge-assisted calibration needs a reference temperature above 0 and has none.
inline constexpr Status kStatusCalNoTemperatureRef = 5003;
// Gauge-assisted calibration needs a nonzero reference current and has none.
inline constexpr Status kStatusCalNoCurrentRef = 5004;
// Calibration mode could not be entered or confirmed (host calibration), or the gauge did
// not show its ready signature 0x4C7A after the entry command (gauge-assisted calibration).
inline constexpr Status kStatusCalModeFailed = 5010;
// Gauge calibration status, high byte bit 7; also the 4 s time-out waiting for the gauge
// to finish a calibration step.
inline constexpr Status kStatusCalDoneTimeout = 5020;
// Gauge calibration status, high byte bit 6.
inline constexpr Status kStatusCalGaugeHigh6 = 5021;
// Gauge calibration status, high byte bit 5.
inline constexpr Status kStatusCalGaugeHigh5 = 5022;
// Gauge calibration status, high byte bit 0.
inline constexpr Status kStatusCalGaugeHigh0 = 5023;
// Gauge calibration status, low byte bit 7.
inline constexpr Status kStatusCalGaugeLow7 = 5024;
// Corrected current reading of a register-style gauge is 0; gauge status low byte bit 6.
inline constexpr Status kStatusCalCurrentZero = 5025;
// A bus operation failed during temperature calibration; gauge status low byte bit 5.
inline constexpr Status kStatusCalTemperatureFailed = 5026;
// Gauge calibration status, low byte bit 4.
inline constexpr Status kStatusCalGaugeLow4 = 5027;
// Gauge calibration status, low byte bit 3.
inline constexpr Status kStatusCalGaugeLow3 = 5028;
// Gauge calibration status, low byte bit 2.
inline constexpr Status kStatusCalGaugeLow2 = 5029;
// A bus operation failed during board-offset calibration; gauge status low byte bit 1.
inline constexpr Status kStatusCalBoardOffsetFailed = 5030;
// A bus operation failed during current calibration; gauge status low byte bit 0.
inline constexpr Status kStatusCalCurrentFailed = 5031;
// A sampling pass of host calibration failed (including a gauge that never entered
// calibration mode).
inline constexpr Status kStatusCalSamplingFailed = 5032;
// The gauge reported a calibration status with none of the known bits set.
inline constexpr Status kStatusCalGaugeUnknown = 5039;

// --- run and step codes 65538..65617 (0x10002..0x10051) ------------------------------------

inline constexpr Status kStatusRunFirst = 65538;
inline constexpr Status kStatusRunLast = 65617;

// 0x10002: the gauge's identity differs from the expected one (the version text against the
// station's target name, or the firmware identity of the gauge against the image's).
inline constexpr Status kStatusIdentityMismatch = 65538;
// 0x10003: the ROM loader did not answer within 2 s; as run code, ROM mode could not be
// entered.
inline constexpr Status kStatusRomLoaderTimeout = 65539;
// 0x10005: run code, the gauge did not return from ROM mode to its firmware.
inline constexpr Status kStatusRomExitFailed = 65541;
// 0x10006: a gauge-mode data-flash write was not confirmed by read-back (within 2 s).
inline constexpr Status kStatusDfWriteUnconfirmed = 65542;
// 0x10007: run code, calibration or reference-voltage calibration failed.
inline constexpr Status kStatusCalibrationFailed = 65543;
// 0x10008: run code, the calibrated values lie outside their limits.
inline constexpr Status kStatusCalLimitsFailed = 65544;
// 0x10009: writing or verifying the serial number failed.
inline constexpr Status kStatusSerialWriteFailed = 65545;
// 0x1000A: run code, writing the manufacture date failed.
inline constexpr Status kStatusMfrDateWriteFailed = 65546;
// 0x1000B: writing or verifying the calibration data in data flash failed.
inline constexpr Status kStatusCalDataWriteFailed = 65547;
// 0x1000C: run code, switching the gauge to Monowire mode failed.
inline constexpr Status kStatusMonowireFailed = 65548;
// 0x10011: the image file is missing, empty or unreadable.
inline constexpr Status kStatusImageFileUnreadable = 65553;
// 0x10012: the gauge is not in ROM mode (image reader).
inline constexpr Status kStatusNotInRomMode = 65554;
// 0x10015: the image file has a wrong header or a data-flash size other than the station's.
inline constexpr Status kStatusImageFileBadHeader = 65557;
// 0x10016: manufacturer data read back different bytes; as run code, writing the
// manufacturer data failed.
inline constexpr Status kStatusMfrDataWriteFailed = 65558;
// 0x10017: run code, the gauge's version could not be read.
inline constexpr Status kStatusVersionReadFailed = 65559;
// 0x10018: the ROM loader did not report ready in 100 reads, or an instruction row read back
// differently; as run code, programming the data flash in ROM mode failed.
inline constexpr Status kStatusRomNotReady = 65560;
// 0x10022: second limit check (sense resistance) out of tolerance, value below nominal.
inline constexpr Status kStatusSenseResistorLow = 65570;
// 0x10023: second limit check (sense resistance) out of tolerance, value at or above nominal;
// also a computed coulomb-counter gain that is not positive.
inline constexpr Status kStatusSenseResistorHigh = 65571;
// 0x1002C: first limit check (cell or pack gain, voltage reference) out of tolerance, value
// at or above nominal.
inline constexpr Status kStatusGainHigh = 65580;
// 0x1002D: first limit check (cell or pack gain, voltage reference) out of tolerance, value
// below nominal.
inline constexpr Status kStatusGainLow = 65581;
// 0x10036: a temperature offset beyond its limit on the positive side.
inline constexpr Status kStatusTempOffsetHigh = 65590;
// 0x10037: a temperature offset beyond its limit on the negative side.
inline constexpr Status kStatusTempOffsetLow = 65591;
// 0x1004C: the external temperature sensor of a register-style gauge is not present.
inline constexpr Status kStatusExtSensorMissing = 65612;
// 0x1004D: the controller's temperature-drift stop is in force (never shown as a number).
inline constexpr Status kStatusTempDriftStop = 65613;
// 0x1004E: run code, the device workaround routine failed.
inline constexpr Status kStatusWorkaroundsFailed = 65614;
// 0x1004F: the calibrated board offset lies outside its +/- limit.
inline constexpr Status kStatusBoardOffsetOutOfLimit = 65615;
// 0x10051: an unexpected failure inside the limit checks or the K-factor routine (for
// example a nominal value of 0, an overflow, a failed call into the settings object).
inline constexpr Status kStatusUnexpectedFailure = 65617;

// True for the codes the programs produce themselves, false for 0 and for statuses of the
// gauge control or the operating system. The answer is by value only: a control status that
// happens to equal one of the small local codes (1, 51, 52, 53, 65, 772) reads as own.
constexpr bool IsOwnCode(Status status) {
  switch (status) {
    case kStatusNotInCalMode:
    case kStatusChecksumMismatch:
    case kStatusLoaderRejected:
    case kStatusBadValueType:
    case kStatusDfPositionOutOfBlock:
    case kStatusImageGeometryInvalid:
    case kStatusSettingsRefused:
    case kStatusBoardOffsetTimeout:
    case kStatusRegCountMismatch:
      return true;
    default:
      break;
  }
  return (status >= kStatusCalFirst && status <= kStatusCalLast) ||
         (status >= kStatusRunFirst && status <= kStatusRunLast);
}

}  // namespace tester
