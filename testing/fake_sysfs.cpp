#include "testing/fake_sysfs.h"

#include <filesystem>
#include <fstream>

namespace tester::test {
namespace {

namespace fs = std::filesystem;

void WriteAttribute(const fs::path& file, const std::string& value) {
  std::ofstream(file) << value << "\n";
}

}  // namespace

FakeSysfs::FakeSysfs(const ScratchFolder& scratch)
    : sys_(scratch.Folder("sys")), dev_(scratch.Folder("dev")) {
  fs::create_directories(fs::path(sys_) / "bus/i2c/devices");
  fs::create_directories(fs::path(sys_) / "bus/usb/drivers");
}

void FakeSysfs::AddAdapter(const std::string& folder, int number, const std::string& name) {
  const std::string adapter = "i2c-" + std::to_string(number);
  fs::create_directories(folder);
  WriteAttribute(fs::path(folder) / "name", name);
  const fs::path link = fs::path(sys_) / "bus/i2c/devices" / adapter;
  fs::create_symlink(fs::relative(folder, link.parent_path()), link);
  std::ofstream(fs::path(dev_) / adapter);  // the node, for the claim tools that look
}

std::string FakeSysfs::AddBridge(const FakeBridge& bridge) {
  const fs::path usb = fs::path(sys_) / "devices/pci0000:00/0000:00:14.0/usb1" /
                       ("1-" + bridge.port);
  const fs::path interface = usb / ("1-" + bridge.port + ":1.0");
  fs::create_directories(interface);
  WriteAttribute(usb / "idVendor", bridge.vendor);
  WriteAttribute(usb / "idProduct", bridge.product);
  WriteAttribute(usb / "bcdDevice", bridge.release);
  if (!bridge.serial.empty()) WriteAttribute(usb / "serial", bridge.serial);
  const fs::path driver = fs::path(sys_) / "bus/usb/drivers" / bridge.driver;
  fs::create_directories(driver);
  fs::create_symlink(fs::relative(driver, interface), interface / "driver");

  const fs::path adapter = interface / ("i2c-" + std::to_string(bridge.number));
  AddAdapter(adapter.string(), bridge.number, "USB bridge at bus 001 port " + bridge.port);
  if (bridge.register_bus >= 0) {
    const std::string mux_name = std::to_string(bridge.number) + "-0070";
    const fs::path mux = adapter / mux_name;
    const fs::path channel = mux / ("i2c-" + std::to_string(bridge.register_bus));
    AddAdapter(channel.string(), bridge.register_bus,
               "i2c-" + std::to_string(bridge.number) + "-mux (chan_id 1)");
    fs::create_symlink("..", channel / "mux_device");
    fs::create_symlink(channel.filename(), mux / "channel-1");
  }
  return dev_ + "/i2c-" + std::to_string(bridge.number);
}

void FakeSysfs::AddMachineAdapter(int number, const std::string& name) {
  AddAdapter((fs::path(sys_) / "devices/pci0000:00/0000:00:1f.4" /
              ("i2c-" + std::to_string(number))).string(),
             number, name);
}

}  // namespace tester::test
