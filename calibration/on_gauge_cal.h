#pragma once
// Gauge-assisted calibration of SMBus gauges: the tester hands the gauge its reference
// values and a step mask, the gauge samples and computes its own coefficients, and the
// tester polls it until it reports the step done. The gauge speaks a small command set
// of its own for this (commands 0x50..0x53, 0x58, 0x72, 0x73).
#include <array>
#include <cstdint>

#include "calibration/cal_context.h"
#include "calibration/cal_types.h"

namespace tester {

// Gauge calibration commands (SMBus).
inline constexpr uint8_t kCalReadyCmd = 0x50;           // word: ready signature while idle
inline constexpr uint16_t kCalReadySignature = 0x4C7A;  // "L" high byte, "z" low byte
inline constexpr uint8_t kCalStartCmd = 0x51;           // word: kCalStartHigh, step mask
inline constexpr uint8_t kCalStartHigh = 0xC0;          // high byte of every start word
inline constexpr uint8_t kCalBusyCmd = 0x52;            // word: nonzero while a step runs
inline constexpr uint8_t kCalErrorCmd = 0x53;           // word: status bits of the last step
inline constexpr uint8_t kCalReferenceCmd = 0x58;       // block: the reference record
inline constexpr uint8_t kCalFinishCmd = 0x72;          // send byte: finish, gauge stores results
inline constexpr uint8_t kCalLeaveCmd = 0x73;           // send byte: leave calibration
// Word written to the manufacturer-access command to enter calibration.
inline constexpr uint8_t kCalEnterHigh = 0x00;
inline constexpr uint8_t kCalEnterLow = 0x40;

// Busy word: bits 6-7 of the high byte carry no busy meaning; the rest of the high byte
// and the whole low byte do.
inline constexpr uint8_t kCalBusyHighMask = 0x3F;

// Step mask bits: which quantities the gauge calibrates in a step.
inline constexpr uint8_t kStepCCOffset = 0x01;  // coulomb-counter offset
inline constexpr uint8_t kStepVoltage = 0x80;   // cell voltages
inline constexpr uint8_t kStepCurrent = 0x40;   // current (reference load on)
inline constexpr uint8_t kStepIntTS = 0x0C;     // temperature, internal sensor
inline constexpr uint8_t kStepTS1 = 0x14;       // temperature, first external sensor
inline constexpr uint8_t kStepTS2 = 0x24;       // temperature, second external sensor

// Reference record sent to command 0x58: reference current (mA, signed), tap-1 reference
// voltage (mV), reference temperature (0.1 K), each low byte first, then the cell count.
inline constexpr int kCalReferenceRecordSize = 7;
using CalReferenceRecord = std::array<uint8_t, kCalReferenceRecordSize>;
// 0 degC in 0.1 K.
inline constexpr int kCalRecordZeroCelsius = 2732;

// Waits and bounds.
inline constexpr int kCalStepSettleMs = 300;  // after a start word, before polling busy
inline constexpr int kCalBusyPollMs = 200;    // between busy-word reads
// A step the gauge never finishes is given up on after this much clock time (or this
// many polls, whichever comes first) with kStatusCalDoneTimeout.
inline constexpr int kCalBusyLimitMs = 30000;
inline constexpr int kCalBusyMaxPolls = kCalBusyLimitMs / kCalBusyPollMs + 1;
inline constexpr int kCalDoneLimitMs = 4000;  // WaitCalDone: ready signature within this
inline constexpr int kCalDonePollMs = 50;     // between ready-signature reads

// Enter, run, leave. A failed entry is returned at once; otherwise the first nonzero of
// the run and the leave.
Status RunCalibration(CalContext& ctx, const CalOptions& options, uint8_t addr);

// 0 when the gauge shows its ready signature, at once or after the entry word on the
// manufacturer-access command; kStatusCalModeFailed when it still does not.
Status EnterOnGaugeCalMode(CalContext& ctx, uint8_t addr);

// Sends the reference record (when a reference quantity is calibrated) and runs the
// steps the options ask for, switching the calibration board's load off once the
// current has been taken. 5001 when nothing is asked; 5002..5004 for missing references.
Status RunOnGaugeCal(CalContext& ctx, const CalOptions& options, uint8_t addr);

// Starts one step and polls the busy word until the gauge is idle, then turns the
// gauge's status word into a result (0 = step succeeded).
Status StartCalStep(CalContext& ctx, uint8_t mask, uint8_t addr);

// Gauge status word -> calibration result: low bit 0 first (5031), then the table from
// low bit 1 (5030) to high bit 7 (5020); 5039 when no known bit is set.
Status CalStatusToError(uint8_t high, uint8_t low);

// Tells the gauge to finish and waits for its ready signature; kStatusCalDoneTimeout
// when it has not shown within 4 s.
Status WaitCalDone(CalContext& ctx, uint8_t addr);

// Leaves calibration when the gauge shows the ready signature; 0 when it does not.
Status ExitOnGaugeCalMode(CalContext& ctx, uint8_t addr);

// --- pieces of the run, also used to drive simulated gauges -------------------------

// The step mask the options ask for.
uint8_t CalStepMask(const CalOptions& options);

// Fills the reference record; bytes of a quantity not calibrated stay 0, the cell count
// is always carried. 0, or 5002 / 5003 / 5004 for a missing (or unrepresentable) voltage,
// temperature or current reference, checked in that order.
Status BuildCalReferenceRecord(const CalOptions& options, CalReferenceRecord& record);

// A calibration step is still running while the busy word says so.
constexpr bool CalStepBusy(uint8_t high, uint8_t low) {
  return (high & kCalBusyHighMask) != 0 || low != 0;
}

}  // namespace tester
