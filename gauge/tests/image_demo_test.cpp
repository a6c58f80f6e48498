// The demo golden images in demo/ are what a station of the default jig expects: they
// pass the station's check and hold the reference pack's identity and data flash, so a
// change of the default jig that would make them stale shows here.
#include <gtest/gtest.h>

#include <algorithm>

#include "testing/gauge_bench.h"

namespace tester {
namespace {

class DemoImageTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(DemoImageTest, MatchesTheReferencePackOfItsStation) {
  SimGaugeBench bench(GetParam());
  const std::string target = TargetOf(bench.Control().Jig().adapters[GetParam()].packs[0]);
  const std::string path =
      std::string(TESTER_SOURCE_DIR) + "/demo/" + DefaultImageFileName(target);
  ImageRecord image;
  ASSERT_EQ(CheckImageFile(path, ImageLayoutFor(bench.Family()), bench.settings, image), 0)
      << path;
  EXPECT_EQ(image.identity, static_cast<int32_t>(bench.Pack().Memory().FirmwareIdentity()));
  const ImageRecord expected = bench.ImageOfPack();
  EXPECT_TRUE(std::equal(image.data.begin(), image.data.end(), expected.data.begin())) << path;
}

INSTANTIATE_TEST_SUITE_P(EveryStation, DemoImageTest, ::testing::Values(0, 1, 2, 3));

}  // namespace
}  // namespace tester
