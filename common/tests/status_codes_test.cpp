#include "common/status_codes.h"

#include <gtest/gtest.h>

#include <type_traits>


namespace tester {
namespace {

static_assert(std::is_same_v<Status, int32_t>);

// Codes whose decimal and hexadecimal forms are both quoted; a slip in either shows here.
TEST(StatusCodes, RunAndStepCodesMatchDecimalAndHex) {
  struct Code {
    Status value;
    Status decimal;
    Status hex;
  };
  const Code codes[] = {
      {kStatusIdentityMismatch, 65538, 0x10002},   {kStatusRomLoaderTimeout, 65539, 0x10003},
      {kStatusRomExitFailed, 65541, 0x10005},      {kStatusDfWriteUnconfirmed, 65542, 0x10006},
      {kStatusCalibrationFailed, 65543, 0x10007},  {kStatusCalLimitsFailed, 65544, 0x10008},
      {kStatusSerialWriteFailed, 65545, 0x10009},  {kStatusMfrDateWriteFailed, 65546, 0x1000A},
      {kStatusCalDataWriteFailed, 65547, 0x1000B}, {kStatusMonowireFailed, 65548, 0x1000C},
      {kStatusImageFileUnreadable, 65553, 0x10011}, {kStatusNotInRomMode, 65554, 0x10012},
      {kStatusImageFileBadHeader, 65557, 0x10015}, {kStatusMfrDataWriteFailed, 65558, 0x10016},
      {kStatusVersionReadFailed, 65559, 0x10017},  {kStatusRomNotReady, 65560, 0x10018},
      {kStatusSenseResistorLow, 65570, 0x10022},   {kStatusSenseResistorHigh, 65571, 0x10023},
      {kStatusGainHigh, 65580, 0x1002C},           {kStatusGainLow, 65581, 0x1002D},
      {kStatusTempOffsetHigh, 65590, 0x10036},     {kStatusTempOffsetLow, 65591, 0x10037},
      {kStatusExtSensorMissing, 65612, 0x1004C},   {kStatusTempDriftStop, 65613, 0x1004D},
      {kStatusWorkaroundsFailed, 65614, 0x1004E},  {kStatusBoardOffsetOutOfLimit, 65615, 0x1004F},
      {kStatusUnexpectedFailure, 65617, 0x10051},  {kStatusRegCountMismatch, 772, 0x0304},
  };
  for (const Code& code : codes) {
    EXPECT_EQ(code.value, code.decimal);
    EXPECT_EQ(code.value, code.hex) << code.decimal;
  }
}

TEST(StatusCodes, CalibrationStatusBitsMapToTheirCodes) {
  // Gauge calibration status bits, low byte bit 0 upwards, then high byte bits 0, 5, 6, 7.
  EXPECT_EQ(kStatusCalCurrentFailed, 5031);
  EXPECT_EQ(kStatusCalBoardOffsetFailed, 5030);
  EXPECT_EQ(kStatusCalGaugeLow2, 5029);
  EXPECT_EQ(kStatusCalGaugeLow3, 5028);
  EXPECT_EQ(kStatusCalGaugeLow4, 5027);
  EXPECT_EQ(kStatusCalTemperatureFailed, 5026);
  EXPECT_EQ(kStatusCalCurrentZero, 5025);
  EXPECT_EQ(kStatusCalGaugeLow7, 5024);
  EXPECT_EQ(kStatusCalGaugeHigh0, 5023);
  EXPECT_EQ(kStatusCalGaugeHigh5, 5022);
  EXPECT_EQ(kStatusCalGaugeHigh6, 5021);
  EXPECT_EQ(kStatusCalDoneTimeout, 5020);
  EXPECT_EQ(kStatusCalSamplingFailed, 5032);
  EXPECT_EQ(kStatusCalGaugeUnknown, 5039);
}

TEST(StatusCodes, OwnCodesAreToldFromControlStatuses) {
  for (Status own : {1, 51, 52, 53, 54, 55, 56, 65, 772, 5001, 5020, 5039, 65538, 65560, 65617}) {
    EXPECT_TRUE(IsOwnCode(own)) << own;
  }
  // Success, control statuses, and the first value past each range edge.
  for (Status other : {0, -1, -772, 2, 50, 57, 64, 66, 771, 773, 5000, 5040, 65536, 65537,
                       65618, 0x7FFFFFFF}) {
    EXPECT_FALSE(IsOwnCode(other)) << other;
  }
}

TEST(StatusCodes, SixteenBitControlStatusWidensUnchanged) {
  const int16_t control_status = -1;
  const Status widened = control_status;
  EXPECT_EQ(widened, -1);
  EXPECT_FALSE(IsOwnCode(widened));
}

}  // namespace
}  // namespace tester
