#include "platform/i2c_segment.h"

#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include <algorithm>
#include <cerrno>

namespace tester {
namespace {

constexpr int kSmbusBlockMax = I2C_SMBUS_BLOCK_MAX;  // 32: the most an SMBus block carries
constexpr int kLongestBlock = 255;                    // an SMBus count is one byte

}  // namespace

I2cSegment::I2cSegment(I2cKernel& kernel, std::string path)
    : kernel_(kernel), path_(std::move(path)) {}

I2cSegment::~I2cSegment() { Close(); }

int I2cSegment::Open() {
  Close();
  const int fd = kernel_.Open(path_);
  if (fd < 0) return fd;
  unsigned long functions = 0;
  const int result = kernel_.Ioctl(fd, I2C_FUNCS, &functions);
  if (result < 0) {
    kernel_.Close(fd);
    return result;
  }
  fd_ = fd;
  functions_ = functions;
  selected_ = -1;
  return 0;
}

void I2cSegment::Close() {
  if (fd_ >= 0) kernel_.Close(fd_);
  fd_ = -1;
  functions_ = 0;
  selected_ = -1;
}

int I2cSegment::Refuse(std::string why) {
  limit_ = std::move(why);
  return -EOPNOTSUPP;
}

int I2cSegment::SelectAddress(uint8_t addr) {
  if (selected_ == addr) return 0;
  const int result = kernel_.Ioctl(fd_, I2C_SLAVE, reinterpret_cast<void*>(
                                                       static_cast<unsigned long>(addr)));
  // EBUSY here is not a busy bus: a kernel driver owns the address. Told apart so the
  // operator is not sent looking for a bus fault.
  if (result == -EBUSY) return -EADDRINUSE;
  if (result < 0) return result;
  selected_ = addr;
  return 0;
}

int I2cSegment::Smbus(uint8_t addr, uint8_t read_write, uint8_t command, uint32_t size,
                      void* data) {
  if (fd_ < 0) return -EBADF;
  const int selected = SelectAddress(addr);
  if (selected < 0) return selected;
  i2c_smbus_ioctl_data args{};
  args.read_write = read_write;
  args.command = command;
  args.size = size;
  args.data = static_cast<i2c_smbus_data*>(data);
  return kernel_.Ioctl(fd_, I2C_SMBUS, &args);
}

int I2cSegment::WriteWord(uint8_t addr, uint8_t cmd, uint16_t word) {
  limit_.clear();
  if (!Offers(I2C_FUNC_SMBUS_WRITE_WORD_DATA)) return Refuse("it has no SMBus word write");
  i2c_smbus_data data{};
  data.word = word;
  return Smbus(addr, I2C_SMBUS_WRITE, cmd, I2C_SMBUS_WORD_DATA, &data);
}

int I2cSegment::ReadWord(uint8_t addr, uint8_t cmd, uint16_t& word) {
  limit_.clear();
  if (!Offers(I2C_FUNC_SMBUS_READ_WORD_DATA)) return Refuse("it has no SMBus word read");
  i2c_smbus_data data{};
  const int result = Smbus(addr, I2C_SMBUS_READ, cmd, I2C_SMBUS_WORD_DATA, &data);
  if (result >= 0) word = data.word;
  return result;
}

int I2cSegment::WriteByteData(uint8_t addr, uint8_t reg, uint8_t value) {
  limit_.clear();
  if (!Offers(I2C_FUNC_SMBUS_WRITE_BYTE_DATA)) return Refuse("it has no register byte write");
  i2c_smbus_data data{};
  data.byte = value;
  return Smbus(addr, I2C_SMBUS_WRITE, reg, I2C_SMBUS_BYTE_DATA, &data);
}

int I2cSegment::ReadByteData(uint8_t addr, uint8_t reg, uint8_t& value) {
  limit_.clear();
  if (!Offers(I2C_FUNC_SMBUS_READ_BYTE_DATA)) return Refuse("it has no register byte read");
  i2c_smbus_data data{};
  const int result = Smbus(addr, I2C_SMBUS_READ, reg, I2C_SMBUS_BYTE_DATA, &data);
  if (result >= 0) value = data.byte;
  return result;
}

int I2cSegment::SendByte(uint8_t addr, uint8_t cmd) {
  limit_.clear();
  if (!Offers(I2C_FUNC_SMBUS_WRITE_BYTE)) return Refuse("it has no SMBus send-byte");
  return Smbus(addr, I2C_SMBUS_WRITE, cmd, I2C_SMBUS_BYTE, nullptr);
}

int I2cSegment::Quick(uint8_t addr) {
  limit_.clear();
  if (!Offers(I2C_FUNC_SMBUS_QUICK)) return Refuse("it has no SMBus quick command");
  return Smbus(addr, I2C_SMBUS_WRITE, 0, I2C_SMBUS_QUICK, nullptr);
}

int I2cSegment::Write(uint8_t addr, std::span<const uint8_t> head,
                      std::span<const uint8_t> data) {
  limit_.clear();
  if (fd_ < 0) return -EBADF;
  if (!Offers(I2C_FUNC_I2C)) return Refuse("it sends no plain I2C messages");
  std::vector<uint8_t> bytes(head.begin(), head.end());
  bytes.insert(bytes.end(), data.begin(), data.end());
  i2c_msg message{};
  message.addr = addr;
  message.flags = 0;
  message.len = static_cast<uint16_t>(bytes.size());
  message.buf = bytes.data();
  i2c_rdwr_ioctl_data args{&message, 1};
  const int result = kernel_.Ioctl(fd_, I2C_RDWR, &args);
  if (result == -EOPNOTSUPP) {
    limit_ = "its largest write is shorter than " + std::to_string(bytes.size()) + " bytes";
  }
  return result < 0 ? result : 0;
}

int I2cSegment::WriteRead(uint8_t addr, uint8_t head, int count, std::vector<uint8_t>& data) {
  limit_.clear();
  if (fd_ < 0) return -EBADF;
  if (!Offers(I2C_FUNC_I2C)) {
    return Refuse("it cannot combine a write and a read in one transfer");
  }
  uint8_t command = head;
  std::vector<uint8_t> received(static_cast<size_t>(count), 0);
  i2c_msg messages[2]{};
  messages[0] = {addr, 0, 1, &command};
  messages[1] = {addr, I2C_M_RD, static_cast<uint16_t>(count), received.data()};
  i2c_rdwr_ioctl_data args{messages, 2};
  const int result = kernel_.Ioctl(fd_, I2C_RDWR, &args);
  if (result == -EOPNOTSUPP) {
    limit_ = "it cannot read " + std::to_string(count) +
             " bytes after a write in one transfer";
  }
  if (result < 0) return result;
  data = std::move(received);
  return 0;
}

int I2cSegment::ReadBlock(uint8_t addr, uint8_t cmd, int room, std::vector<uint8_t>& data) {
  limit_.clear();
  if (fd_ < 0) return -EBADF;
  if (!Offers(I2C_FUNC_I2C)) {
    return Refuse("it cannot combine a write and a read in one transfer");
  }
  room = std::clamp(room, 0, kLongestBlock);
  if (Offers(I2C_FUNC_SMBUS_READ_BLOCK_DATA)) {
    const int result = BlockRead(addr, cmd, room, true, data);
    // Drivers that take no count beyond an SMBus block refuse longer ones: read those as
    // count + data at the caller's size.
    const bool too_long = result == -EPROTO || result == -EMSGSIZE || result == -EOVERFLOW;
    if (!too_long || room <= kSmbusBlockMax) return result;
  }
  return BlockRead(addr, cmd, room, false, data);
}

int I2cSegment::BlockRead(uint8_t addr, uint8_t cmd, int room, bool recv_len,
                          std::vector<uint8_t>& data) {
  // With I2C_M_RECV_LEN the kernel wants room for an SMBus block after the count and
  // reads exactly the count the device sends.
  const int asked = 1 + (recv_len ? std::max(room, kSmbusBlockMax) : room);
  uint8_t command = cmd;
  std::vector<uint8_t> received(static_cast<size_t>(asked), 0);
  i2c_msg messages[2]{};
  messages[0] = {addr, 0, 1, &command};
  messages[1] = {addr, I2C_M_RD, static_cast<uint16_t>(asked), received.data()};
  if (recv_len) {
    messages[1].flags |= I2C_M_RECV_LEN;
    received[0] = 1;  // bytes before the data: the count itself
  }
  i2c_rdwr_ioctl_data args{messages, 2};
  const int result = kernel_.Ioctl(fd_, I2C_RDWR, &args);
  if (result < 0) return result;
  const int got = messages[1].len;  // the kernel sets it to 1 + count with I2C_M_RECV_LEN
  const int count = received[0];
  if (got < 1 || count > got - 1 || count > room) return -EMSGSIZE;
  data.assign(received.begin() + 1, received.begin() + 1 + count);
  return 0;
}

}  // namespace tester
