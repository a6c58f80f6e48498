#include "platform/i2c_sysfs.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

namespace tester {
namespace {

namespace fs = std::filesystem;

// First line of a sysfs attribute file, without its line end; "" when missing.
std::string Attribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return line;
}

bool Below(const fs::path& path, const fs::path& root) {
  const auto [end, _] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
  return end == root.end();
}

// The USB device folder holding `adapter` (the nearest ancestor with idVendor and
// idProduct), or empty.
fs::path UsbDeviceOf(const fs::path& adapter, const fs::path& root) {
  std::error_code ec;
  for (fs::path folder = adapter.parent_path(); Below(folder, root) && folder != root;
       folder = folder.parent_path()) {
    if (fs::exists(folder / "idVendor", ec) && fs::exists(folder / "idProduct", ec)) {
      return folder;
    }
  }
  return {};
}

// The driver of the USB interface between the device folder and the adapter.
std::string DriverOf(const fs::path& adapter, const fs::path& usb) {
  std::error_code ec;
  for (fs::path folder = adapter.parent_path(); folder != usb && Below(folder, usb);
       folder = folder.parent_path()) {
    const fs::path link = folder / "driver";
    if (fs::is_symlink(link, ec)) return fs::read_symlink(link, ec).filename().string();
  }
  return "";
}

// i2c-M named by a channel-1 link of a device directly below the adapter, or "".
std::string RegisterBusOf(const fs::path& adapter) {
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(adapter, ec)) {
    const fs::path link = entry.path() / "channel-1";
    if (!fs::is_symlink(entry.path(), ec) && fs::is_symlink(link, ec)) {
      return fs::canonical(link, ec).filename().string();
    }
  }
  return "";
}

}  // namespace

bool UsableBridgeSerial(const std::string& serial) {
  if (serial.empty()) return false;
  return std::all_of(serial.begin(), serial.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7F && c != ',' && c != '/';
  });
}

I2cDiscovery DiscoverI2cBridges(const std::string& sysfs_root, const std::string& dev_root) {
  static const std::regex adapter_name(R"(i2c-([0-9]+))");
  I2cDiscovery found;
  std::error_code ec;
  const fs::path root = fs::canonical(sysfs_root, ec);
  if (ec) return found;
  std::map<std::string, std::vector<I2cBridge>> by_serial;
  for (const fs::directory_entry& entry : fs::directory_iterator(root / "bus/i2c/devices", ec)) {
    const std::string name = entry.path().filename().string();
    std::smatch match;
    if (!std::regex_match(name, match, adapter_name)) continue;  // devices, not adapters
    const fs::path adapter = fs::canonical(entry.path(), ec);
    if (ec || fs::exists(adapter / "mux_device", ec)) continue;
    const fs::path usb = UsbDeviceOf(adapter, root);
    if (usb.empty()) continue;

    I2cBridge bridge;
    bridge.number = std::stoi(match[1].str());
    bridge.adapter_name = Attribute(adapter / "name");
    bridge.vendor = Attribute(usb / "idVendor");
    bridge.product = Attribute(usb / "idProduct");
    bridge.release = Attribute(usb / "bcdDevice");
    bridge.serial = Attribute(usb / "serial");
    bridge.driver = DriverOf(adapter, usb);
    bridge.usb_port = usb.filename().string();
    bridge.device = dev_root + "/" + name;
    const std::string register_bus = RegisterBusOf(adapter);
    if (!register_bus.empty()) bridge.register_bus = dev_root + "/" + register_bus;

    const std::string where =
        name + " (" + bridge.vendor + ":" + bridge.product + ", USB port " + bridge.usb_port + ")";
    if (bridge.serial.empty()) {
      found.skipped.push_back(where + ": no serial number, so no stable name");
    } else if (!UsableBridgeSerial(bridge.serial)) {
      found.skipped.push_back(where + ": serial number \"" + bridge.serial +
                              "\" cannot serve as a name");
    } else {
      by_serial[bridge.serial].push_back(std::move(bridge));
    }
  }
  for (auto& [serial, bridges] : by_serial) {
    if (bridges.size() == 1) {
      found.bridges.push_back(std::move(bridges.front()));
      continue;
    }
    for (const I2cBridge& b : bridges) {
      found.skipped.push_back("i2c-" + std::to_string(b.number) + " (USB port " + b.usb_port +
                              "): serial number \"" + serial + "\" is not unique");
    }
  }
  std::sort(found.skipped.begin(), found.skipped.end());
  return found;
}

}  // namespace tester
