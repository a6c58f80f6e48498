// Reading a reference gauge on the virtual jig, for every loader family: the image holds the
// pack's identity and data flash, the gauge is back in its firmware afterwards, and the
// image programs a production pack.
#include <gtest/gtest.h>

#include <algorithm>

#include "gauge/image_read.h"
#include "gauge/rom_programming.h"
#include "testing/gauge_bench.h"

namespace tester {
namespace {

class ImageReadOnSimTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(ImageReadOnSimTest, ReadsTheReferencePackIntoAnImageThatProgramsBack) {
  SimGaugeBench bench(GetParam());
  int32_t identity = 0;
  std::vector<uint8_t> data;
  ASSERT_EQ(ReadReferenceImage(bench.link, identity, data), 0);
  EXPECT_EQ(bench.Pack().Mode(), GaugeMode::kFirmware);
  EXPECT_EQ(bench.Control().BusMode(), 0);

  const ImageRecord expected = bench.ImageOfPack();
  const ImageRecord image =
      MakeImageRecord(identity, data, ImageLayoutFor(bench.Family()), bench.settings);
  EXPECT_EQ(image.identity, expected.identity);
  EXPECT_EQ(image.size, expected.size);
  EXPECT_TRUE(std::ranges::equal(image.data, expected.data));

  ASSERT_TRUE(bench.Control().NextPack());
  ASSERT_TRUE(bench.EnterRom());
  EXPECT_EQ(UsesRegisterLoader(bench.Family()) ? ProgramImageI2C(bench.link, image)
                                               : ProgramImageSMBus(bench.link, image),
            0);
}

// Stations 0 and 3: SMBus loader (32- and 64-byte rows); 1: register-style loader behind the
// bus switch; 2: register-style gauge.
INSTANTIATE_TEST_SUITE_P(EveryLoader, ImageReadOnSimTest, ::testing::Values(0, 1, 2, 3));

// A row size the loader cannot deliver is refused before any row is read.
TEST(ImageReadGeometry, RowsTheLoaderCannotDeliverAreRefused) {
  for (const std::size_t station : {0u, 2u}) {
    SimGaugeBench bench(station);
    bench.settings.DF_PROGROW_SZ = station == 0 ? 66 : 0;
    int32_t identity = 0;
    std::vector<uint8_t> data;
    EXPECT_EQ(ReadReferenceImage(bench.link, identity, data), kStatusImageGeometryInvalid);
    EXPECT_TRUE(data.empty());
  }
}

}  // namespace
}  // namespace tester
