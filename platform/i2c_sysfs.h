#pragma once
// Finding the stations' bridges: the I2C adapters the kernel lists in sysfs
// (<sysfs>/bus/i2c/devices/i2c-N) that sit below a USB device. Each is named by its USB
// serial number, which stays with the bridge, while N changes between boots and with
// the order bridges are plugged in.
//
// An adapter is left out when
//  - no USB device holds it (the machine's own buses: graphics, memory, sensors);
//  - it is a channel of a multiplexer (it has a mux_device link): it belongs to the
//    bridge above it, as that bridge's register bus;
//  - its bridge reports no serial number, one that cannot serve as a name (empty, with a
//    comma, a slash or a blank, or control characters), or one another bridge also
//    reports: these are listed in Skipped with the reason, as such a bridge cannot be
//    told apart from the next time it is plugged in.
// A bridge's register bus (the bus of the register-style ROM loader that SetBusMode(1)
// selects) is channel 1 of a multiplexer on the bridge's adapter: the adapter named by a
// channel-1 link in a device folder directly below the adapter's folder.
#include <string>
#include <vector>

namespace tester {

struct I2cBridge {
  std::string serial;        // the station's name
  int number = -1;           // N of i2c-N, valid this boot only
  std::string adapter_name;  // the kernel's name of the adapter (its "name" file)
  std::string vendor;        // USB idVendor, 4 hexadecimal digits
  std::string product;       // USB idProduct
  std::string release;       // USB bcdDevice: the bridge's own firmware release
  std::string driver;        // kernel driver bound to the bridge's USB interface
  std::string usb_port;      // USB device folder name: bus-port path, e.g. 1-2.3
  std::string device;        // <dev>/i2c-N
  std::string register_bus;  // <dev>/i2c-M of the register bus, empty when none
};

struct I2cDiscovery {
  std::vector<I2cBridge> bridges;    // in order of serial numbers
  std::vector<std::string> skipped;  // "i2c-N (vendor:product, USB port P): reason"
};

// Bridges below `sysfs_root` (normally /sys) with device nodes under `dev_root` (/dev).
I2cDiscovery DiscoverI2cBridges(const std::string& sysfs_root, const std::string& dev_root);

// `serial` can name a station: not empty, printable, no comma (the list separator), slash
// (lock file names) or blank.
bool UsableBridgeSerial(const std::string& serial);

}  // namespace tester
