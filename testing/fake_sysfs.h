#pragma once
// A sysfs tree and a device folder in a scratch folder, laid out as the kernel lays out
// USB-to-I2C bridges: the USB device folder (idVendor, idProduct, bcdDevice, serial), its
// interface with the driver link, the adapter i2c-N below it with its name, and the link
// <sysfs>/bus/i2c/devices/i2c-N to it. A bridge may carry a multiplexer whose channel 1
// is its register bus; the machine's own adapters sit below a PCI device, not a USB one.
#include <string>

#include "testing/scratch_folder.h"

namespace tester::test {

struct FakeBridge {
  std::string serial;       // "" = the bridge reports none
  int number = 0;           // N of i2c-N
  std::string port = "1";   // USB port path below bus 1 (folder 1-<port>)
  std::string vendor = "1d50";
  std::string product = "60a1";
  std::string release = "0102";
  std::string driver = "usb-i2c-bridge";
  int register_bus = -1;    // M of the register bus i2c-M (mux channel 1); -1 = none
};

class FakeSysfs {
public:
  explicit FakeSysfs(const ScratchFolder& scratch);
  std::string Sys() const { return sys_; }
  std::string Dev() const { return dev_; }
  // Its device node path, <dev>/i2c-N.
  std::string AddBridge(const FakeBridge& bridge);
  // An adapter of the machine itself (no USB device above it).
  void AddMachineAdapter(int number, const std::string& name);

private:
  void AddAdapter(const std::string& folder, int number, const std::string& name);
  std::string sys_;
  std::string dev_;
};

}  // namespace tester::test
