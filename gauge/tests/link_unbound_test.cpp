#include <gtest/gtest.h>

#include "common/status_codes.h"
#include "gauge/gauge_identity.h"
#include "gauge/gauge_link.h"
#include "gauge/rom_mode.h"
#include "gauge/station_settings.h"
#include "platform/virtual_clock.h"

namespace tester {
namespace {

// An engine asked to work before it attached an adapter, or after it detached, fails the
// step with a status instead of crashing.
TEST(UnboundLink, EveryStepFailsWithAStatus) {
  VirtualClock clock;
  StationSettings settings;
  settings.COMMANDSET = 1;
  GaugeLink link(clock, settings);
  EXPECT_FALSE(link.IsBound());

  std::string text = "unchanged";
  EXPECT_EQ(ReadDeviceVersion(link, text, 0x00), kStatusNoGaugeControl);
  EXPECT_EQ(text, "");
  EXPECT_EQ(EnterROMMode(link, 0x00, 0x0F00), kFalse);
  EXPECT_EQ(link.OpenFirstAdapter(), kFalse);
  uint8_t buffer[33] = {};
  int16_t length = 7;
  EXPECT_EQ(link.ReadRegBlock(0x04, buffer, length, kAddrRegLoader), kStatusNoGaugeControl);
  EXPECT_EQ(length, 0);

  link.ReleaseGaugeControl();  // releasing an unbound link is harmless
  EXPECT_FALSE(link.IsBound());
}

}  // namespace
}  // namespace tester
