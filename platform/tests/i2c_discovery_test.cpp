// Bridges found in a sysfs tree laid out like the kernel's: USB bridges named by their
// serials, the machine's own adapters and multiplexer channels left out, bridges that
// cannot be named told with the reason; stations claimed across controls as engines in
// separate processes claim them.
#include <gtest/gtest.h>

#include <string>

#include "platform/i2c_dev_control.h"
#include "platform/i2c_sysfs.h"
#include "platform/virtual_clock.h"
#include "testing/fake_i2c_kernel.h"
#include "testing/fake_sysfs.h"
#include "testing/jig_station.h"

namespace tester {
namespace {

using test::FakeBridge;

class I2cDiscoveryTest : public ::testing::Test {
protected:
  I2cDiscoveryTest() {
    sysfs.AddMachineAdapter(0, "SMBus I801 adapter");
    b_node = sysfs.AddBridge({.serial = "SER-B", .number = 4, .port = "2"});
    a_node = sysfs.AddBridge({.serial = "SER-A", .number = 7, .port = "1.3", .register_bus = 9});
    sysfs.AddBridge({.serial = "", .number = 5, .port = "4"});
    sysfs.AddBridge({.serial = "A,B", .number = 6, .port = "5"});
  }

  // A control as one engine process has it, on the tree's two stations of the default jig.
  std::unique_ptr<I2cDevControl> Control(VirtualClock& clock) {
    auto kernel = std::make_unique<test::FakeI2cKernel>(DefaultJig(), clock);
    kernel->AddNode(a_node, 0, 0);
    kernel->AddNode(sysfs.Dev() + "/i2c-9", 0, 1);
    kernel->AddNode(b_node, 1, 0);
    return std::make_unique<I2cDevControl>(
        std::move(kernel),
        I2cDevPaths{sysfs.Sys(), sysfs.Dev(), scratch.Folder("locks"), scratch.File("ids.ini")},
        clock);
  }

  test::ScratchFolder scratch{"tester-i2c-sysfs"};
  test::FakeSysfs sysfs{scratch};
  std::string a_node;
  std::string b_node;
};

TEST_F(I2cDiscoveryTest, UsbBridgesByTheirSerialsAndTheRestLeftOutWithReasons) {
  const I2cDiscovery found = DiscoverI2cBridges(sysfs.Sys(), sysfs.Dev());
  ASSERT_EQ(found.bridges.size(), 2u) << "no machine adapter, no mux channel";
  const I2cBridge& a = found.bridges[0];
  EXPECT_EQ(a.serial, "SER-A");
  EXPECT_EQ(a.number, 7);
  EXPECT_EQ(a.device, sysfs.Dev() + "/i2c-7");
  EXPECT_EQ(a.register_bus, sysfs.Dev() + "/i2c-9");
  EXPECT_EQ(a.vendor + ":" + a.product, "1d50:60a1");
  EXPECT_EQ(a.release, "0102");
  EXPECT_EQ(a.driver, "usb-i2c-bridge");
  EXPECT_EQ(a.usb_port, "1-1.3");
  EXPECT_EQ(found.bridges[1].serial, "SER-B");
  EXPECT_EQ(found.bridges[1].register_bus, "");

  ASSERT_EQ(found.skipped.size(), 2u);
  EXPECT_NE(found.skipped[0].find("i2c-5"), std::string::npos) << found.skipped[0];
  EXPECT_NE(found.skipped[0].find("no serial number"), std::string::npos);
  EXPECT_NE(found.skipped[1].find("i2c-6"), std::string::npos) << found.skipped[1];
  EXPECT_NE(found.skipped[1].find("\"A,B\" cannot serve as a name"), std::string::npos);
}

TEST_F(I2cDiscoveryTest, AMissingTreeFindsNothing) {
  EXPECT_TRUE(DiscoverI2cBridges(scratch.File("nowhere"), sysfs.Dev()).bridges.empty());
}

TEST_F(I2cDiscoveryTest, EnginesClaimDifferentBridgesAndTheLockGoesWithTheLink) {
  VirtualClock clock;
  auto first = Control(clock);
  auto second = Control(clock);
  int32_t count = 0;
  std::string names;
  first->ListAdapters(16, count, names);
  EXPECT_EQ(names, "SER-A,SER-B");
  EXPECT_EQ(FirstListedAdapter(*first, count), "SER-A");
  ASSERT_EQ(first->OpenAdapter("SER-A"), 0);

  second->ListAdapters(16, count, names);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(names, "SER-B,SER-A") << "the held one last";
  EXPECT_EQ(second->OpenAdapter("SER-A"), -1);
  EXPECT_EQ(second->OpenAdapter("no-such-bridge"), -1);
  first->ListAdapters(1, count, names);
  EXPECT_EQ(names, "SER-B") << "its own adapter is not free for another engine either";

  first->CloseLink();
  EXPECT_EQ(second->OpenAdapter("SER-A"), 0);
}

TEST_F(I2cDiscoveryTest, OnlyABridgeWithARegisterBusSwitchesToIt) {
  VirtualClock clock;
  auto control = Control(clock);
  ASSERT_EQ(control->OpenAdapter("SER-B"), 0);
  EXPECT_EQ(control->SetBusMode(1), kI2cBridgeCannot);
  EXPECT_NE(control->LastMessage().find("no register bus"), std::string::npos);
  EXPECT_EQ(control->SetBusMode(0), 0);
  ASSERT_EQ(control->OpenAdapter("SER-A"), 0);
  EXPECT_EQ(control->SetBusMode(1), 0);
  EXPECT_EQ(control->SetBusMode(2), kI2cBadArgument);
}

}  // namespace
}  // namespace tester
