// Programming and gauge-mode writes on the virtual jig: what the procedures leave in the
// simulated gauge's memory, for every gauge family of the default jig.
#include <gtest/gtest.h>

#include <algorithm>

#include "gauge/df_access.h"
#include "gauge/df_access_register.h"
#include "gauge/mfr_data_text.h"
#include "gauge/rom_programming.h"
#include "testing/gauge_bench.h"

namespace tester {
namespace {

Status Program(SimGaugeBench& bench, const ImageRecord& image) {
  return UsesRegisterLoader(bench.Family()) ? ProgramImageI2C(bench.link, image)
                                            : ProgramImageSMBus(bench.link, image);
}

// Bytes of the image the family's loader programs and sums.
int ProgrammedSpan(const StationSettings& s) {
  const int span = UsesRegisterLoader(s.COMMANDSET) ? s.DF_IMAGE_SZ : s.DF_CHKSUM_SZ;
  return span / s.DF_PROGROW_SZ * s.DF_PROGROW_SZ;
}

class ProgramOnSimTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(ProgramOnSimTest, ProductionGaugeEndsWithTheGoldenDataAndItsOwnRows) {
  SimGaugeBench bench(GetParam());
  const ImageRecord golden = bench.ImageOfPack();
  ASSERT_TRUE(bench.Control().NextPack());  // the production pack comes on
  const InstructionRow row0 = bench.Pack().Memory().Row(0);
  const InstructionRow row1 = bench.Pack().Memory().Row(1);
  const auto before = bench.Pack().Memory().DataFlash();
  const int span = ProgrammedSpan(bench.settings);
  ASSERT_FALSE(std::equal(before.begin(), before.begin() + span, golden.data.begin()));

  ASSERT_TRUE(bench.EnterRom());
  ASSERT_EQ(Program(bench, golden), 0);
  const auto flash = bench.Pack().Memory().DataFlash();
  EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + span, golden.data.begin()));
  EXPECT_EQ(bench.Pack().Memory().Row(0), row0);
  EXPECT_EQ(bench.Pack().Memory().Row(1), row1);
  EXPECT_EQ(bench.Pack().Counters().mass_erases, 1);
  EXPECT_LT(bench.Pack().Counters().rows_programmed, span / bench.settings.DF_PROGROW_SZ);

  ASSERT_TRUE(bench.ExitRom());
  EXPECT_EQ(bench.Pack().Mode(), GaugeMode::kFirmware);
  EXPECT_EQ(bench.Control().BusMode(), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryFamily, ProgramOnSimTest, ::testing::Values(0, 1, 2, 3));

// The production pack of `adapter` with a defect switched on.
JigDescription WithDefect(std::size_t adapter, void (*set)(PackDefects&)) {
  JigDescription jig = DefaultJig();
  set(jig.adapters.at(adapter).packs.at(1).defects);
  return jig;
}

TEST(ProgramOnSimFaults, IdentityMismatchLeavesTheDataFlashAlone) {
  for (std::size_t adapter : {0u, 2u}) {
    SimGaugeBench bench(adapter,
                        WithDefect(adapter, [](PackDefects& d) { d.identity_mismatch = true; }));
    const ImageRecord golden = bench.ImageOfPack();
    ASSERT_TRUE(bench.Control().NextPack());
    const auto before = std::vector<uint8_t>(bench.Pack().Memory().DataFlash().begin(),
                                             bench.Pack().Memory().DataFlash().end());
    const InstructionRow row0 = bench.Pack().Memory().Row(0);
    ASSERT_TRUE(bench.EnterRom());
    EXPECT_EQ(Program(bench, golden), kStatusIdentityMismatch);
    EXPECT_TRUE(std::ranges::equal(bench.Pack().Memory().DataFlash(), before));
    EXPECT_EQ(bench.Pack().Memory().Row(0), row0);  // the register loader put it back
  }
}

TEST(ProgramOnSimFaults, WrongLoaderChecksumGives51) {
  for (std::size_t adapter : {0u, 2u}) {
    SimGaugeBench bench(adapter,
                        WithDefect(adapter, [](PackDefects& d) { d.bad_checksum = true; }));
    const ImageRecord golden = bench.ImageOfPack();
    ASSERT_TRUE(bench.Control().NextPack());
    ASSERT_TRUE(bench.EnterRom());
    EXPECT_EQ(Program(bench, golden), kStatusChecksumMismatch);
  }
}

TEST(GaugeModeOnSim, DateSerialAndLotLandAtTheirDataFlashPlaces) {
  SimGaugeBench smbus(0);
  ASSERT_EQ(WriteManufactureDate(smbus.link, 0x5C25, 0), 0);
  ASSERT_EQ(WriteManufactureDate(smbus.link, 0x1A2B, 1), 0);
  ASSERT_EQ(WriteMfData(smbus.link, {int16_t{4242}}), 0);
  const auto flash = smbus.Pack().Memory().DataFlash();
  EXPECT_EQ(flash[0x100 + 10], 0x5C);  // class 48 at 0x100, offset 10
  EXPECT_EQ(flash[0x100 + 11], 0x25);
  EXPECT_EQ(flash[48 + 10], 0x1A);     // absolute: address 48 + offset 10
  EXPECT_EQ(flash[48 + 11], 0x2B);
  EXPECT_EQ(flash[0x140], 4242 >> 8);  // class 56 at 0x140, offset 0
  EXPECT_EQ(flash[0x141], 4242 & 0xFF);
  DFValue date{DFValueType::Int16, 0};
  ASSERT_EQ(ReadDFValue(smbus.link, 48, 10, date), 0);
  EXPECT_EQ(date.value, 0x5C25);

  SimGaugeBench reg(2);
  ASSERT_EQ(WriteSerialI2C(reg.link, 40000), 0);
  ASSERT_EQ(WriteManufactureDateI2C(reg.link, 0x5C26), 0);
  const auto reg_flash = reg.Pack().Memory().DataFlash();
  EXPECT_EQ(reg_flash[0x200 + 14], 40000 >> 8);  // class 168 at 0x200, offset 14
  EXPECT_EQ(reg_flash[0x200 + 15], 40000 & 0xFF);
  EXPECT_EQ(reg_flash[0x100 + 10], 0x5C);
  EXPECT_EQ(reg_flash[0x100 + 11], 0x26);
}

TEST(GaugeModeOnSim, CommandSet2WritesThroughItsPages) {
  SimGaugeBench bench(3);
  ASSERT_EQ(WriteManufactureDate(bench.link, 0x5C27, 1), 0);
  const auto flash = bench.Pack().Memory().DataFlash();
  const int date_at = bench.settings.DateClsID + bench.settings.DateOffset;  // absolute form
  EXPECT_EQ(flash[date_at], 0x5C);
  EXPECT_EQ(flash[date_at + 1], 0x27);
  ASSERT_EQ(WriteMfDataText(bench.link, "20260105", 0x00), 0);
  // The text starts at data-flash address 56 and stops at the page end (64).
  EXPECT_EQ(std::string(flash.begin() + 56, flash.begin() + 64), "20260105");
}

TEST(GaugeModeOnSim, CorruptedReadBackIsCaught) {
  SimGaugeBench bench(0, WithDefect(0, [](PackDefects& d) { d.readback_corrupt = true; }));
  ASSERT_TRUE(bench.Control().NextPack());
  int32_t attempts = 0;
  EXPECT_EQ(WriteDFWordClass(bench.link, 48, 10, 0x1234, attempts), kStatusDfWriteUnconfirmed);
  EXPECT_GT(attempts, 1);
  EXPECT_EQ(WriteMfDataString(bench.link, "LOT7", 0x00), kStatusMfrDataWriteFailed);
  bench.settings.COMMANDSET = 0;
  EXPECT_EQ(WriteMfDataText(bench.link, "12345", 0x00), kStatusMfrDataWriteFailed);

  // A register-style gauge accepts the commit of the altered block all the same.
  SimGaugeBench reg(2, WithDefect(2, [](PackDefects& d) { d.readback_corrupt = true; }));
  ASSERT_TRUE(reg.Control().NextPack());
  EXPECT_EQ(WriteSerialI2C(reg.link, 40000), kStatusDfWriteUnconfirmed);
  EXPECT_EQ(WriteManufactureDateI2C(reg.link, 0x5C26), kStatusDfWriteUnconfirmed);
}

}  // namespace
}  // namespace tester
