#include "sim/sim_control.h"

#include <algorithm>
#include <cctype>

#include "sim/bus_time.h"
#include "sim/default_jig.h"

namespace tester {
namespace {

constexpr int kMaxSmbusBlock = 255;   // an SMBus block carries its count in one byte
constexpr int32_t kPortExpanderInit = 0;  // RegByteOp mode: set up the board's port expander
constexpr int32_t kRegWrite = 1;          // RegByteOp mode: write one register byte
constexpr int32_t kRegRead = 2;           // RegByteOp mode: read one register byte

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

SimControl::SimControl(JigDescription jig, std::string lock_dir, EventPump& pump)
    : jig_(std::move(jig)), lock_dir_(std::move(lock_dir)), ids_(lock_dir_), pump_(pump) {
  for (const AdapterDescription& adapter : jig_.adapters) {
    stations_.push_back(std::make_unique<SimStation>(adapter, pump_));
  }
}

SimStation* SimControl::OpenStation() { return open_ ? stations_[*open_].get() : nullptr; }

PackModel* SimControl::Pack() {
  SimStation* station = OpenStation();
  return station != nullptr ? station->Pack() : nullptr;
}

int SimControl::BusMode() const { return open_ ? stations_[*open_]->BusMode() : 0; }

bool SimControl::NextPack() {
  SimStation* station = OpenStation();
  return station != nullptr && station->NextPack();
}

BusDevice* SimControl::Resolve(uint8_t addr, SimStatus& refused) {
  SimStation& station = *stations_[*open_];
  BusDevice* device = nullptr;
  if (PackModel::IsGaugeAddress(addr)) {
    PackModel* pack = station.Pack();
    refused = pack == nullptr ? kSimAddressNack : pack->BeginTransfer();
    if (refused == kSimOk) device = pack->Route(addr, station.BusMode());
  } else {
    device = station.CalBoard().Device(addr);
  }
  if (refused == kSimOk && device == nullptr) refused = kSimAddressNack;
  return device;
}

// Runs one transfer: the wire time passes first (the device acts when the transfer
// ends), a refused address costs only the address byte.
template <typename Op>
SimStatus SimControl::Transfer(uint8_t addr, int bytes, bool is_write, Op op) {
  if (!open_) return last_status_ = kSimNoAdapter;
  SimStatus status = kSimOk;
  BusDevice* device = Resolve(addr, status);
  if (device == nullptr) {
    pump_.Elapse(BusMicros(BusBytes::AddressOnly()));
    return last_status_ = status;
  }
  pump_.Elapse(BusMicros(bytes));
  status = op(*device);
  PackModel* pack = Pack();
  if (is_write && pack != nullptr && PackModel::IsGaugeAddress(addr)) pack->NoteWrite();
  return last_status_ = status;
}

BusStatus16 SimControl::PutWord(uint8_t cmd, int16_t word, uint8_t addr) {
  return Transfer(addr, BusBytes::WriteWord(), true, [&](BusDevice& d) {
    return d.WriteWord(cmd, static_cast<uint16_t>(word));
  });
}

BusStatus16 SimControl::GetWord(uint8_t cmd, int16_t& word, uint8_t addr) {
  return Transfer(addr, BusBytes::ReadWord(), false, [&](BusDevice& d) {
    uint16_t value = 0;
    SimStatus status = d.ReadWord(cmd, value);
    if (status == kSimOk) word = static_cast<int16_t>(value);
    return status;
  });
}

BusStatus16 SimControl::PutBlock(uint8_t cmd, std::span<const uint8_t> bytes, int16_t length,
                                 uint8_t addr) {
  if (length < 0 || length > kMaxSmbusBlock || static_cast<size_t>(length) > bytes.size()) {
    return last_status_ = kSimBadLength;
  }
  return Transfer(addr, BusBytes::WriteBlock(length), true, [&](BusDevice& d) {
    return d.WriteBlock(cmd, bytes.first(static_cast<size_t>(length)));
  });
}

BusStatus16 SimControl::GetBlock(uint8_t cmd, std::span<uint8_t> bytes, int16_t& length,
                                 uint8_t addr) {
  std::vector<uint8_t> data;
  SimStatus status = Transfer(addr, BusBytes::ReadBlock(0), false,
                              [&](BusDevice& d) { return d.ReadBlock(cmd, data); });
  if (status != kSimOk) return status;
  pump_.Elapse(BusMicros(static_cast<int>(data.size())));
  // Never past the caller's buffer: what does not fit is not delivered.
  size_t count = std::min(data.size(), bytes.size());
  std::copy_n(data.begin(), count, bytes.begin());
  length = static_cast<int16_t>(count);
  return status;
}

BusStatus16 SimControl::PutCommand(uint8_t cmd, uint8_t addr) {
  return Transfer(addr, BusBytes::SendByte(), true, [&](BusDevice& d) { return d.SendByte(cmd); });
}

BusStatus16 SimControl::RegByteOp(int32_t mode, uint8_t dev, uint8_t reg, uint8_t& value) {
  if (mode == kPortExpanderInit) {
    if (!open_) return last_status_ = kSimNoAdapter;
    bool fitted = stations_[*open_]->CalBoard().Fitted();
    return last_status_ = fitted ? kSimOk : kSimAddressNack;
  }
  if (mode == kRegWrite) {
    return Transfer(dev, BusBytes::WriteRegs(1), true, [&](BusDevice& d) {
      const uint8_t byte[1] = {value};
      return d.WriteRegs(reg, byte);
    });
  }
  if (mode == kRegRead) {
    return Transfer(dev, BusBytes::ReadRegs(1), false, [&](BusDevice& d) {
      std::vector<uint8_t> data;
      SimStatus status = d.ReadRegs(reg, 1, data);
      if (status == kSimOk) value = data.at(0);
      return status;
    });
  }
  return last_status_ = kSimBadMode;
}

BusStatus16 SimControl::BusStatus() {
  if (!open_) return kSimNoAdapter;
  PackModel* pack = Pack();
  if (pack != nullptr && pack->BusStuck()) return kSimBusStuck;
  return last_status_;
}

void SimControl::Pause(int32_t ms) { pump_.WaitMs(ms); }

BusStatus16 SimControl::GetRegBlock(uint8_t reg, std::span<uint8_t> bytes, int16_t& length,
                                    uint8_t addr) {
  if (length <= 0 || static_cast<size_t>(length) > bytes.size()) {
    return last_status_ = kSimBadLength;
  }
  int asked = length;
  return Transfer(addr, BusBytes::ReadRegs(asked), false, [&](BusDevice& d) {
    std::vector<uint8_t> data;
    SimStatus status = d.ReadRegs(reg, asked, data);
    if (status == kSimOk) {
      size_t count = std::min(data.size(), bytes.size());
      std::copy_n(data.begin(), count, bytes.begin());
      length = static_cast<int16_t>(count);
    }
    return status;
  });
}

BusStatus16 SimControl::PutRegBlock(uint8_t reg, std::span<const uint8_t> bytes, int16_t length,
                                    uint8_t addr) {
  if (length <= 0 || static_cast<size_t>(length) > bytes.size()) {
    return last_status_ = kSimBadLength;
  }
  return Transfer(addr, BusBytes::WriteRegs(length), true, [&](BusDevice& d) {
    return d.WriteRegs(reg, bytes.first(static_cast<size_t>(length)));
  });
}

BusStatus16 SimControl::SetBusMode(int16_t mode) {
  if (!open_) return kSimNoAdapter;
  if (mode != 0 && mode != 1) return kSimBadMode;
  stations_[*open_]->SetBusMode(mode);
  return kSimOk;
}

BusStatus16 SimControl::ReadAdapterId(std::string& id) {
  if (!open_) return kSimNoAdapter;
  const AdapterDescription& adapter = jig_.adapters[*open_];
  const std::string& factory = adapter.stored_id.empty() ? adapter.identifier : adapter.stored_id;
  std::optional<std::string> stored = ids_.Read(adapter.identifier, factory);
  if (!stored) return kSimCommandNack;
  id = *stored;
  return kSimOk;
}

BusStatus16 SimControl::WriteAdapterId(const std::string& id) {
  if (!open_) return kSimNoAdapter;
  std::optional<std::string> normalized = NormalizedAdapterId(id);
  if (!normalized) return kSimCommandNack;
  return ids_.Write(jig_.adapters[*open_].identifier, *normalized) ? kSimOk : kSimCommandNack;
}

int32_t SimControl::AdapterFirmware() {
  return open_ ? jig_.adapters[*open_].firmware : -1;
}

std::optional<size_t> SimControl::FindAdapter(const std::string& name) const {
  std::string wanted = Upper(name);
  for (size_t i = 0; i < jig_.adapters.size(); ++i) {
    if (jig_.adapters[i].identifier == wanted) return i;
  }
  return std::nullopt;
}

int SimControl::OpenAdapter(const std::string& name) {
  std::optional<size_t> index = FindAdapter(name);
  if (!index) return -1;
  if (open_ == index) return 0;
  auto claim = AdapterClaim::Try(lock_dir_, jig_.adapters[*index].identifier);
  if (!claim) return -1;
  CloseLink();
  claim_ = std::move(claim);
  open_ = index;
  last_status_ = kSimOk;
  return 0;
}

void SimControl::CloseLink() {
  claim_.reset();
  open_.reset();
  last_status_ = kSimOk;
}

void SimControl::ListAdapters(int32_t maximum, int32_t& count, std::string& names) {
  std::vector<std::string> ids;
  for (const AdapterDescription& adapter : jig_.adapters) ids.push_back(adapter.identifier);
  const std::string mine = open_ ? jig_.adapters[*open_].identifier : "";
  ListFreeFirst(ids, lock_dir_, mine, maximum, count, names);
}

std::unique_ptr<SimControl> MakeSimControl(const JigDescription& jig, const std::string& lock_dir,
                                           EventPump& pump, std::string& error) {
  if (!EnsureLockDirectory(lock_dir)) {
    error = "cannot use adapter lock directory \"" + lock_dir + "\"";
    return nullptr;
  }
  return std::make_unique<SimControl>(jig, lock_dir, pump);
}

std::unique_ptr<SimControl> MakeSimControl(const std::string& jig_file, EventPump& pump,
                                           std::string& error) {
  std::optional<JigDescription> jig = jig_file.empty() ? ParseJigText(DefaultJigText(), error)
                                                       : ParseJigFile(jig_file, error);
  if (!jig) return nullptr;
  return MakeSimControl(*jig, DefaultLockDirectory(), pump, error);
}

}  // namespace tester
