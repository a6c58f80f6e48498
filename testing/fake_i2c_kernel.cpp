#include "testing/fake_i2c_kernel.h"

#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include <cerrno>
#include <cstdio>

#include "common/gauge_control.h"
#include "sim/bus_time.h"
#include "sim/pack_model.h"

namespace tester::test {
namespace {

constexpr int kGaugeDevice = 0x0B;  // 7-bit address of the programs' 0x16 and 0x17

int ErrnoOf(SimStatus status) {
  switch (status) {
    case kSimOk: return 0;
    case kSimAddressNack: return -ENXIO;
    case kSimCommandNack:
    case kSimBusy: return -EREMOTEIO;
    case kSimBusStuck: return -ETIMEDOUT;
    case kSimBadLength: return -EPROTO;
    default: return -EIO;
  }
}

std::string Message(char kind, int addr, const uint8_t* bytes, int count) {
  std::string text;
  char pair[4];
  std::snprintf(pair, sizeof pair, "%02X", addr);
  text = std::string(1, kind) + pair + ":";
  for (int i = 0; i < count; ++i) {
    std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
    text += pair;
  }
  return text;
}

}  // namespace

FakeI2cKernel::Bridge FakeI2cKernel::FullBridge() {
  return Bridge{I2C_FUNC_I2C | I2C_FUNC_SMBUS_EMUL | I2C_FUNC_SMBUS_READ_BLOCK_DATA, 0, true};
}

FakeI2cKernel::FakeI2cKernel(const JigDescription& jig, EventPump& clock)
    : jig_(jig), clock_(clock), bridge_(FullBridge()) {
  for (const AdapterDescription& adapter : jig_.adapters) {
    stations_.push_back(std::make_unique<SimStation>(adapter, clock_));
  }
}

void FakeI2cKernel::AddNode(const std::string& path, std::size_t station, int bus_mode) {
  nodes_[path] = Node{station, bus_mode};
}

int FakeI2cKernel::Open(const std::string& path) {
  const auto node = nodes_.find(path);
  if (node == nodes_.end()) return -ENOENT;
  const int fd = next_fd_++;
  fds_[fd] = Handle{node->second, -1};
  return fd;
}

void FakeI2cKernel::Close(int fd) { fds_.erase(fd); }

int FakeI2cKernel::Ioctl(int fd, unsigned long request, void* arg) {
  const auto handle = fds_.find(fd);
  if (handle == fds_.end()) return -EBADF;
  switch (request) {
    case I2C_FUNCS:
      *static_cast<unsigned long*>(arg) = bridge_.functions;
      return 0;
    case I2C_SLAVE: {
      const auto addr = reinterpret_cast<unsigned long>(arg);
      if (addr > 0x7F) return -EINVAL;
      if (static_cast<int>(addr) == held_address_) return -EBUSY;
      handle->second.address = static_cast<int>(addr);
      return 0;
    }
    case I2C_SMBUS:
      return Smbus(handle->second, arg);
    case I2C_RDWR:
      return Rdwr(handle->second, arg);
    default:
      return -ENOTTY;
  }
}

void FakeI2cKernel::Elapse(int bytes) { clock_.Elapse(BusMicros(bytes)); }

BusDevice* FakeI2cKernel::Resolve(const Node& node, int addr, bool& smbus, int& err) {
  SimStation& station = *stations_.at(node.station);
  station.SetBusMode(node.bus_mode);
  err = 0;
  smbus = false;
  if (fail_next_ != 0) {
    err = fail_next_;
    fail_next_ = 0;
    return nullptr;
  }
  const uint8_t addr8 = static_cast<uint8_t>(addr << 1);
  const bool gauge = addr == kGaugeDevice || PackModel::IsGaugeAddress(addr8);
  BusDevice* device = nullptr;
  if (gauge) {
    PackModel* pack = station.Pack();
    if (pack == nullptr) {
      err = -ENXIO;
      return nullptr;
    }
    if ((err = ErrnoOf(pack->BeginTransfer())) != 0) return nullptr;
    if (addr == kGaugeDevice) {
      device = pack->Route(tester::kAddrSmbusGauge, node.bus_mode);
      smbus = device != nullptr;
      if (device == nullptr) device = pack->Route(tester::kAddrRegLoader, node.bus_mode);
    } else {
      device = pack->Route(addr8, node.bus_mode);
    }
  } else {
    device = station.CalBoard().Device(addr8);
  }
  if (device == nullptr) err = -ENXIO;
  return device;
}

// Writes the transfer's line and tells a gauge of a write, as the virtual jig does.
int FakeI2cKernel::Finish(int result, const Node& node, int addr, bool write) {
  if (result < 0) line_ += " !" + std::to_string(-result);
  wire_.push_back(line_);
  line_.clear();
  PackModel* pack = stations_.at(node.station)->Pack();
  const bool gauge = addr == kGaugeDevice || PackModel::IsGaugeAddress(
                                                 static_cast<uint8_t>(addr << 1));
  if (result >= 0 && write && gauge && pack != nullptr) pack->NoteWrite();
  return result;
}

int FakeI2cKernel::Smbus(Handle& handle, void* arg) {
  auto& args = *static_cast<i2c_smbus_ioctl_data*>(arg);
  if (handle.address < 0) return -EINVAL;
  const int addr = handle.address;
  const bool write = args.read_write == I2C_SMBUS_WRITE;
  const uint8_t cmd = args.command;
  i2c_smbus_data* data = args.data;
  // The wire: the address, the command, then the data bytes (a read repeats the address).
  int bytes = 0;
  uint8_t out[3] = {cmd, 0, 0};
  int out_count = 1;
  switch (args.size) {
    case I2C_SMBUS_QUICK: bytes = 1; out_count = 0; break;
    case I2C_SMBUS_BYTE: bytes = 2; break;
    case I2C_SMBUS_BYTE_DATA:
      if (data == nullptr) return -EINVAL;
      bytes = write ? 3 : 4;
      if (write) out[out_count++] = data->byte;
      break;
    case I2C_SMBUS_WORD_DATA:
      if (data == nullptr) return -EINVAL;
      bytes = write ? 4 : 5;
      if (write) {
        out[out_count++] = static_cast<uint8_t>(data->word & 0xFF);
        out[out_count++] = static_cast<uint8_t>(data->word >> 8);
      }
      break;
    default:
      return -EOPNOTSUPP;  // blocks go through I2C_RDWR here
  }
  if (args.size == I2C_SMBUS_BYTE && !write) return -EOPNOTSUPP;
  line_ = Message('w', addr, out, out_count);
  bool smbus = false;
  int err = 0;
  BusDevice* device = Resolve(handle.node, addr, smbus, err);
  if (device == nullptr) {
    Elapse(BusBytes::AddressOnly());
    return Finish(err, handle.node, addr, write);
  }
  Elapse(bytes);
  SimStatus status = kSimOk;
  std::vector<uint8_t> in;
  switch (args.size) {
    case I2C_SMBUS_QUICK: break;
    case I2C_SMBUS_BYTE: status = device->SendByte(cmd); break;
    case I2C_SMBUS_BYTE_DATA:
      if (write) {
        status = device->WriteRegs(cmd, std::span<const uint8_t>(out + 1, 1));
      } else if ((status = device->ReadRegs(cmd, 1, in)) == kSimOk) {
        data->byte = in.at(0);
      }
      break;
    case I2C_SMBUS_WORD_DATA: {
      if (write && smbus) {
        status = device->WriteWord(cmd, data->word);
      } else if (write) {
        status = device->WriteRegs(cmd, std::span<const uint8_t>(out + 1, 2));
      } else if (smbus) {
        uint16_t word = 0;
        if ((status = device->ReadWord(cmd, word)) == kSimOk) data->word = word;
        in = {static_cast<uint8_t>(word & 0xFF), static_cast<uint8_t>(word >> 8)};
      } else if ((status = device->ReadRegs(cmd, 2, in)) == kSimOk) {
        data->word = static_cast<uint16_t>(in.at(0) | in.at(1) << 8);
      }
      break;
    }
  }
  if (!write && status == kSimOk) {
    line_ += " " + Message('r', addr, in.data(), static_cast<int>(in.size()));
  }
  return Finish(ErrnoOf(status), handle.node, addr, write);
}

int FakeI2cKernel::Rdwr(Handle& handle, void* arg) {
  auto& args = *static_cast<i2c_rdwr_ioctl_data*>(arg);
  if (args.msgs == nullptr || args.nmsgs == 0 || args.nmsgs > I2C_RDWR_IOCTL_MAX_MSGS) {
    return -EINVAL;
  }
  i2c_msg* msgs = args.msgs;
  // What the kernel checks before anything goes on the wire.
  for (uint32_t i = 0; i < args.nmsgs; ++i) {
    const i2c_msg& m = msgs[i];
    if ((m.flags & I2C_M_RECV_LEN) != 0 &&
        ((m.flags & I2C_M_RD) == 0 || m.len < 1 || m.buf[0] < 1 ||
         m.len < m.buf[0] + I2C_SMBUS_BLOCK_MAX)) {
      return -EINVAL;
    }
    if ((m.flags & I2C_M_RD) == 0 && bridge_.max_write > 0 && m.len > bridge_.max_write) {
      return -EOPNOTSUPP;
    }
  }
  if (args.nmsgs > 1 && !bridge_.combined) return -EOPNOTSUPP;
  const int addr = msgs[0].addr;
  for (uint32_t i = 1; i < args.nmsgs; ++i) {
    if (msgs[i].addr != addr) return -EOPNOTSUPP;  // one device per transfer here
  }
  const bool write_only = args.nmsgs == 1 && (msgs[0].flags & I2C_M_RD) == 0;
  const bool write_read = args.nmsgs == 2 && (msgs[0].flags & I2C_M_RD) == 0 &&
                          msgs[0].len == 1 && (msgs[1].flags & I2C_M_RD) != 0;
  if (!write_only && !write_read) return -EINVAL;

  line_ = Message('w', addr, msgs[0].buf, msgs[0].len);
  bool smbus = false;
  int err = 0;
  BusDevice* device = Resolve(handle.node, addr, smbus, err);
  if (device == nullptr) {
    Elapse(BusBytes::AddressOnly());
    return Finish(err, handle.node, addr, write_only);
  }
  if (write_only) {
    const i2c_msg& m = msgs[0];
    Elapse(1 + m.len);
    SimStatus status = kSimOk;
    if (m.len == 0) {
      status = kSimOk;  // a quick write: acknowledged
    } else if (smbus) {
      // An SMBus block write: command, count, bytes.
      const bool counted = m.len >= 2 && m.buf[1] == m.len - 2;
      status = counted ? device->WriteBlock(m.buf[0], std::span<const uint8_t>(m.buf + 2, m.len - 2))
                       : kSimCommandNack;
    } else {
      status = device->WriteRegs(m.buf[0], std::span<const uint8_t>(m.buf + 1, m.len - 1));
    }
    const int result = ErrnoOf(status);
    return Finish(result < 0 ? result : 1, handle.node, addr, true);
  }

  i2c_msg& read = msgs[1];
  const uint8_t head = msgs[0].buf[0];
  const bool recv_len = (read.flags & I2C_M_RECV_LEN) != 0;
  std::vector<uint8_t> data;
  SimStatus status = kSimOk;
  if (smbus) {
    Elapse(BusBytes::ReadBlock(0));
    status = device->ReadBlock(head, data);
    if (status == kSimOk && recv_len && static_cast<int>(data.size()) > bridge_.recv_len_max) {
      line_ += " " + Message('r', addr, nullptr, 0);
      return Finish(-EPROTO, handle.node, addr, false);  // after the count byte
    }
    if (status == kSimOk) {
      std::vector<uint8_t> wire{static_cast<uint8_t>(data.size())};
      wire.insert(wire.end(), data.begin(), data.end());
      const std::size_t delivered = recv_len ? wire.size() : read.len;
      wire.resize(delivered, 0xFF);  // past the device's bytes the bus reads idle high
      Elapse(static_cast<int>(delivered) - 1);
      std::copy(wire.begin(), wire.end(), read.buf);
      read.len = static_cast<uint16_t>(delivered);
      data = wire;
    }
  } else {
    if (recv_len) return Finish(-EREMOTEIO, handle.node, addr, false);
    Elapse(BusBytes::ReadRegs(read.len));
    status = device->ReadRegs(head, read.len, data);
    if (status == kSimOk) {
      data.resize(read.len, 0xFF);
      std::copy(data.begin(), data.end(), read.buf);
    }
  }
  if (status != kSimOk) return Finish(ErrnoOf(status), handle.node, addr, false);
  line_ += " " + Message('r', addr, data.data(), static_cast<int>(data.size()));
  return Finish(2, handle.node, addr, false);
}

}  // namespace tester::test
