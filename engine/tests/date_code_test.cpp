// The manufacture date word: packing, the dates the word cannot carry, and where a run's
// date comes from (the settings' fixed code or today's date on the station clock).
#include "engine/date_code.h"

#include <gtest/gtest.h>

#include "platform/virtual_clock.h"

namespace tester {
namespace {

uint16_t Code(CivilDate date) {
  int16_t code = 0;
  EXPECT_EQ(EncodeDateCode(date, code), 0) << date.year << "-" << date.month << "-" << date.day;
  return static_cast<uint16_t>(code);
}

TEST(DateCode, PacksYearMonthAndDay) {
  EXPECT_EQ(Code({1980, 1, 1}), 33);
  EXPECT_EQ(Code({2043, 12, 31}), 32671);
  EXPECT_EQ(Code({2026, 12, 6}), 23942);
  EXPECT_EQ(Code({2024, 2, 29}), (44 << 9) | (2 << 5) | 29);
  // From 2044 the year reaches bit 15; the word is stored as its bit pattern.
  EXPECT_EQ(Code({2044, 1, 1}), 0x8021);
  EXPECT_EQ(Code({2107, 12, 31}), 65439);
}

TEST(DateCode, DatesTheWordCannotCarryAreRefusedAndLeaveTheCode) {
  const CivilDate refused[] = {{1979, 12, 31}, {2108, 1, 1}, {2026, 0, 1},  {2026, 13, 1},
                               {2026, 1, 0},   {2026, 1, 32}, {2026, 4, 31}, {2023, 2, 29},
                               {2100, 2, 29},  {-5, 1, 1}};
  for (const CivilDate& date : refused) {
    int16_t code = 1234;
    EXPECT_EQ(EncodeDateCode(date, code), kStatusDateNotEncodable)
        << date.year << "-" << date.month << "-" << date.day;
    EXPECT_EQ(code, 1234);
  }
  EXPECT_EQ(kStatusDateNotEncodable, kStatusMfrDateWriteFailed);
}

TEST(DateCode, RunTakesTodayOnlyWhenUseCurrentDateIsOn) {
  VirtualClock clock(0, CivilDate{2026, 12, 6});
  TesterConfigProperties config;
  config.MfrDateCode = 0x5C25;
  int16_t code = 0;

  config.UseCurrentDate = 1;
  EXPECT_EQ(MfrDateCodeForRun(config, clock, code), 0);
  EXPECT_EQ(code, 23942);

  config.UseCurrentDate = 0x0101;  // only the low byte is compared with 1
  code = 0;
  EXPECT_EQ(MfrDateCodeForRun(config, clock, code), 0);
  EXPECT_EQ(code, 23942);

  for (int16_t off : {int16_t{0}, int16_t{-1}, int16_t{2}, int16_t{0x0100}}) {
    config.UseCurrentDate = off;
    code = 0;
    EXPECT_EQ(MfrDateCodeForRun(config, clock, code), 0);
    EXPECT_EQ(code, 0x5C25) << off;
  }
}

TEST(DateCode, RunOnAClockBefore1980FailsAtTheDateStep) {
  VirtualClock clock(0, CivilDate{1970, 1, 1});
  TesterConfigProperties config;
  config.UseCurrentDate = 1;
  int16_t code = 77;
  EXPECT_EQ(MfrDateCodeForRun(config, clock, code), kStatusMfrDateWriteFailed);
  EXPECT_EQ(code, 77);
}

}  // namespace
}  // namespace tester
