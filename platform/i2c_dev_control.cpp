#include "platform/i2c_dev_control.h"

#include <linux/i2c.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

#include "platform/i2c_kernel_linux.h"
#include "platform/paths.h"

namespace tester {
namespace {

constexpr int32_t kBoardProbe = 0;  // RegByteOp mode: is the calibration board there
constexpr int32_t kRegWrite = 1;    // RegByteOp mode: write one register byte
constexpr int32_t kRegRead = 2;     // RegByteOp mode: read one register byte
constexpr uint8_t kBoardPortReg = 0x44;  // the calibration board's output register
constexpr int kMaxSmbusBlock = 255;      // an SMBus block's count is one byte

// Every transfer kind the gauge-control operations are made of.
constexpr unsigned long kStationFunctions =
    I2C_FUNC_I2C | I2C_FUNC_SMBUS_WORD_DATA | I2C_FUNC_SMBUS_BYTE_DATA |
    I2C_FUNC_SMBUS_WRITE_BYTE;

// The 7-bit device address of a program's 8-bit address (read/write bit dropped).
constexpr uint8_t DeviceAddress(uint8_t addr) { return static_cast<uint8_t>(addr >> 1); }

std::string Hex2(unsigned value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[(value >> 4) & 0xF] + kDigits[value & 0xF];
}

std::string EnvOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

}  // namespace

I2cDevControl::I2cDevControl(std::unique_ptr<I2cKernel> kernel, I2cDevPaths paths,
                             EventPump& pump, Diagnostics diagnostics)
    : kernel_(std::move(kernel)),
      paths_(std::move(paths)),
      pump_(pump),
      diagnostics_(std::move(diagnostics)),
      registry_(paths_.registry) {}

I2cDevControl::~I2cDevControl() { CloseLink(); }

BusStatus16 I2cDevControl::Fail(BusStatus16 status, const std::string& message) {
  message_ = message;
  if (diagnostics_) diagnostics_(message);
  return status;
}

I2cSegment* I2cDevControl::Segment() {
  if (!open_) return nullptr;
  return bus_mode_ == 1 ? register_bus_.get() : bus_.get();
}

BusStatus16 I2cDevControl::Finish(int result, const char* what, uint8_t addr) {
  if (result >= 0) {
    message_.clear();
    return last_status_ = kI2cOk;
  }
  last_status_ = StatusOfErrno(result);
  const I2cSegment& segment = *Segment();
  std::string text = "adapter " + open_->serial + " (" + segment.Path() + "): " + what +
                     " at " + Hex2(addr) + ": ";
  if (last_status_ == kI2cBridgeCannot) {
    text += "the bridge cannot do it: " +
            (segment.Limit().empty() ? std::string("its driver refuses it") : segment.Limit());
  } else {
    text += I2cStatusText(last_status_) + " (" + std::strerror(-result) + ")";
  }
  // A missing acknowledge is an answer (probes and polls ask for it): told only in
  // LastMessage, not on the diagnostics.
  if (last_status_ == kI2cNack) {
    message_ = text;
    return last_status_;
  }
  return Fail(last_status_, text);
}

int I2cDevControl::OpenAdapter(const std::string& name) {
  if (open_ && open_->serial == name) return 0;
  const I2cDiscovery found = DiscoverI2cBridges(paths_.sysfs, paths_.dev);
  const auto bridge = std::find_if(found.bridges.begin(), found.bridges.end(),
                                   [&](const I2cBridge& b) { return b.serial == name; });
  if (bridge == found.bridges.end()) {
    Fail(kI2cNoAdapter, "adapter " + name + ": no such bridge attached");
    return -1;
  }
  if (!EnsureLockDirectory(paths_.locks)) {
    Fail(kI2cNoAdapter, "cannot use the adapter lock folder " + paths_.locks);
    return -1;
  }
  auto claim = AdapterClaim::Try(paths_.locks, bridge->serial);
  if (!claim) return -1;  // another engine holds it: no fault, the caller lists again
  auto bus = std::make_unique<I2cSegment>(*kernel_, bridge->device);
  const int opened = bus->Open();
  if (opened < 0) {
    Fail(kI2cAdapterGone, "adapter " + name + ": cannot open " + bridge->device + ": " +
                              std::strerror(-opened) +
                              (opened == -EACCES ? " (is the user in the i2c group?)" : ""));
    return -1;
  }
  std::unique_ptr<I2cSegment> register_bus;
  if (!bridge->register_bus.empty()) {
    register_bus = std::make_unique<I2cSegment>(*kernel_, bridge->register_bus);
    const int result = register_bus->Open();
    if (result < 0) {
      Fail(kI2cOk, "adapter " + name + ": register bus " + bridge->register_bus +
                       " cannot be opened: " + std::strerror(-result));
      register_bus.reset();
    }
  }
  CloseLink();
  claim_ = std::move(claim);
  bus_ = std::move(bus);
  register_bus_ = std::move(register_bus);
  open_ = *bridge;
  message_.clear();
  return 0;
}

void I2cDevControl::CloseLink() {
  register_bus_.reset();
  bus_.reset();
  claim_.reset();
  open_.reset();
  bus_mode_ = 0;
  last_status_ = kI2cOk;
}

void I2cDevControl::ListAdapters(int32_t maximum, int32_t& count, std::string& names) {
  std::vector<std::string> serials;
  for (const I2cBridge& bridge : DiscoverI2cBridges(paths_.sysfs, paths_.dev).bridges) {
    serials.push_back(bridge.serial);
  }
  ListFreeFirst(serials, paths_.locks, open_ ? open_->serial : "", maximum, count, names);
}

BusStatus16 I2cDevControl::PutWord(uint8_t cmd, int16_t word, uint8_t addr) {
  I2cSegment* bus = Segment();
  if (bus == nullptr) return last_status_ = kI2cNoAdapter;
  return Finish(bus->WriteWord(DeviceAddress(addr), cmd, static_cast<uint16_t>(word)),
                "word write", addr);
}

BusStatus16 I2cDevControl::GetWord(uint8_t cmd, int16_t& word, uint8_t addr) {
  I2cSegment* bus = Segment();
  if (bus == nullptr) return last_status_ = kI2cNoAdapter;
  uint16_t value = 0;
  const BusStatus16 status = Finish(bus->ReadWord(DeviceAddress(addr), cmd, value),
                                    "word read", addr);
  if (status == kI2cOk) word = static_cast<int16_t>(value);
  return status;
}

BusStatus16 I2cDevControl::PutCommand(uint8_t cmd, uint8_t addr) {
  I2cSegment* bus = Segment();
  if (bus == nullptr) return last_status_ = kI2cNoAdapter;
  return Finish(bus->SendByte(DeviceAddress(addr), cmd), "send-byte", addr);
}

BusStatus16 I2cDevControl::PutBlock(uint8_t cmd, std::span<const uint8_t> bytes, int16_t length,
                                    uint8_t addr) {
  I2cSegment* bus = Segment();
  if (bus == nullptr) return last_status_ = kI2cNoAdapter;
  if (length < 0 || length > kMaxSmbusBlock || static_cast<size_t>(length) > bytes.size()) {
    return last_status_ = kI2cBadArgument;
  }
  const uint8_t head[2] = {cmd, static_cast<uint8_t>(length)};
  return Finish(bus->Write(DeviceAddress(addr), head, bytes.first(static_cast<size_t>(length))),
                "block write", addr);
}

BusStatus16 I2cDevControl::GetBlock(uint8_t cmd, std::span<uint8_t> bytes, int16_t& length,
                                    uint8_t addr) {
  I2cSegment* bus = Segment();
  if (bus == nullptr) return last_status_ = kI2cNoAdapter;
  std::vector<uint8_t> data;
  const int room = static_cast<int>(std::min<size_t>(bytes.size(), kMaxSmbusBlock));
  const BusStatus16 status =
      Finish(bus->ReadBlock(DeviceAddress(addr), cmd, room, data), "block read", addr);
  if (status != kI2cOk) return status;
  std::copy(data.begin(), data.end(), bytes.begin());
  length = static_cast<int16_t>(data.size());
  return status;
}

BusStatus16 I2cDevControl::RegByteOp(int32_t mode, uint8_t dev, uint8_t reg, uint8_t& value) {
  I2cSegment* bus = Segment();
  if (bus == nullptr) return last_status_ = kI2cNoAdapter;
  if (mode == kBoardProbe) {
    const uint8_t port = DeviceAddress(kAddrCalBoard);
    if (bus->Offers(I2C_FUNC_SMBUS_QUICK)) return Finish(bus->Quick(port), "probe", kAddrCalBoard);
    uint8_t output = 0;
    return Finish(bus->ReadByteData(port, kBoardPortReg, output), "probe", kAddrCalBoard);
  }
  if (mode == kRegWrite) {
    return Finish(bus->WriteByteData(DeviceAddress(dev), reg, value), "register write", dev);
  }
  if (mode == kRegRead) {
    uint8_t read = 0;
    const BusStatus16 status =
        Finish(bus->ReadByteData(DeviceAddress(dev), reg, read), "register read", dev);
    if (status == kI2cOk) value = read;
    return status;
  }
  return last_status_ = kI2cBadArgument;
}

BusStatus16 I2cDevControl::BusStatus() { return open_ ? last_status_ : kI2cNoAdapter; }

void I2cDevControl::Pause(int32_t ms) { pump_.WaitMs(ms); }

BusStatus16 I2cDevControl::GetRegBlock(uint8_t reg, std::span<uint8_t> bytes, int16_t& length,
                                       uint8_t addr) {
  I2cSegment* bus = Segment();
  if (bus == nullptr) return last_status_ = kI2cNoAdapter;
  if (length <= 0 || static_cast<size_t>(length) > bytes.size()) {
    return last_status_ = kI2cBadArgument;
  }
  std::vector<uint8_t> data;
  const BusStatus16 status =
      Finish(bus->WriteRead(DeviceAddress(addr), reg, length, data), "register block read", addr);
  if (status != kI2cOk) return status;
  std::copy(data.begin(), data.end(), bytes.begin());
  length = static_cast<int16_t>(data.size());
  return status;
}

BusStatus16 I2cDevControl::PutRegBlock(uint8_t reg, std::span<const uint8_t> bytes,
                                       int16_t length, uint8_t addr) {
  I2cSegment* bus = Segment();
  if (bus == nullptr) return last_status_ = kI2cNoAdapter;
  if (length <= 0 || static_cast<size_t>(length) > bytes.size()) {
    return last_status_ = kI2cBadArgument;
  }
  const uint8_t head[1] = {reg};
  return Finish(bus->Write(DeviceAddress(addr), head, bytes.first(static_cast<size_t>(length))),
                "register block write", addr);
}

BusStatus16 I2cDevControl::SetBusMode(int16_t mode) {
  if (!open_) return kI2cNoAdapter;
  if (mode != 0 && mode != 1) return kI2cBadArgument;
  if (mode == 1 && !register_bus_) {
    return Fail(kI2cBridgeCannot, "adapter " + open_->serial +
                                      ": the bridge has no register bus (no channel 1 of a "
                                      "multiplexer on " + open_->device + ")");
  }
  bus_mode_ = mode;
  return kI2cOk;
}

BusStatus16 I2cDevControl::ReadAdapterId(std::string& id) {
  if (!open_) return kI2cNoAdapter;
  const std::optional<std::string> stored = registry_.Read(open_->serial);
  if (!stored) {
    return Fail(kI2cBadArgument, "adapter " + open_->serial + ": its line in " +
                                     registry_.File() + " is not an identifier");
  }
  id = *stored;
  return kI2cOk;
}

BusStatus16 I2cDevControl::WriteAdapterId(const std::string& id) {
  if (!open_) return kI2cNoAdapter;
  if (!registry_.Write(open_->serial, id)) {
    return Fail(kI2cBadArgument, "adapter " + open_->serial + ": identifier \"" + id +
                                     "\" not stored in " + registry_.File());
  }
  return kI2cOk;
}

int32_t I2cDevControl::AdapterFirmware() {
  if (!open_) return -1;
  return bus_->Offers(kStationFunctions) ? kOldestAdapterFirmware : 0;
}

std::unique_ptr<I2cDevControl> MakeI2cDevControl(EventPump& pump, std::string& error) {
  I2cDevPaths paths;
  paths.sysfs = EnvOr("TESTER_I2C_SYSFS", "/sys");
  paths.dev = EnvOr("TESTER_I2C_DEV", "/dev");
  paths.locks = EnvOr("TESTER_I2C_LOCKS", "/tmp/tester-i2c-locks");
  paths.registry = JoinProgramPath(ProgramFolder(nullptr), kAdapterIdRegistryFile);
  if (!EnsureLockDirectory(paths.locks)) {
    error = "cannot use the adapter lock folder " + paths.locks;
    return nullptr;
  }
  return std::make_unique<I2cDevControl>(
      std::make_unique<LinuxI2cKernel>(), paths, pump,
      [](const std::string& message) { std::cerr << "i2c-dev: " << message << "\n"; });
}

}  // namespace tester
