#pragma once
// One open bus segment of a bridge (/dev/i2c-N) and the transfers the gauge-control
// operations are made of, each one ioctl:
//  - SMBus word, byte-data, send-byte and quick transfers through I2C_SMBUS (the kernel
//    builds the bus conversation; the device address is set with I2C_SLAVE first);
//  - blocks through I2C_RDWR message lists: a write is one message (command or register,
//    then the bytes), a read a write message of the command or register followed by a
//    read message after a repeated start. An SMBus block read asks the kernel to take the
//    length from the first byte received (I2C_M_RECV_LEN), so exactly count + data cross
//    the wire; where the bridge's driver takes no count beyond 32 (it refuses with
//    EPROTO or EMSGSIZE) or offers no such read, count + data are read at the size of
//    the caller's buffer, and what follows the device's bytes is dropped.
// SMBus block ioctls are never used for data: the core refuses blocks beyond 32 bytes.
//
// Results: 0 or -errno as the kernel gave it. Transfers the bridge's functionality does
// not offer are refused with -EOPNOTSUPP before anything is sent, and Limit() says why.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/i2c_kernel.h"

namespace tester {

class I2cSegment {
public:
  I2cSegment(I2cKernel& kernel, std::string path);
  I2cSegment(const I2cSegment&) = delete;
  I2cSegment& operator=(const I2cSegment&) = delete;
  ~I2cSegment();

  // Opens the device node and asks its functionality; 0 or -errno.
  int Open();
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Path() const { return path_; }
  // I2C_FUNCS of the adapter (0 until opened).
  unsigned long Functions() const { return functions_; }
  bool Offers(unsigned long functions) const { return (functions_ & functions) == functions; }
  // Why the last transfer was refused before sending; empty when it was not.
  const std::string& Limit() const { return limit_; }

  // `addr` is the 7-bit address throughout.
  int WriteWord(uint8_t addr, uint8_t cmd, uint16_t word);
  int ReadWord(uint8_t addr, uint8_t cmd, uint16_t& word);
  int WriteByteData(uint8_t addr, uint8_t reg, uint8_t value);
  int ReadByteData(uint8_t addr, uint8_t reg, uint8_t& value);
  int SendByte(uint8_t addr, uint8_t cmd);
  int Quick(uint8_t addr);
  // One write message: `head` (command or register, and an SMBus count) then `data`.
  int Write(uint8_t addr, std::span<const uint8_t> head, std::span<const uint8_t> data);
  // Write `head`, repeated start, read `count` bytes into `data`.
  int WriteRead(uint8_t addr, uint8_t head, int count, std::vector<uint8_t>& data);
  // SMBus block read: the device's count first, then its bytes; `room` = the most data
  // bytes the caller takes. `data` receives the data without the count.
  int ReadBlock(uint8_t addr, uint8_t cmd, int room, std::vector<uint8_t>& data);

private:
  int SelectAddress(uint8_t addr);
  int Smbus(uint8_t addr, uint8_t read_write, uint8_t command, uint32_t size, void* data);
  int Refuse(std::string why);
  int BlockRead(uint8_t addr, uint8_t cmd, int room, bool recv_len, std::vector<uint8_t>& data);

  I2cKernel& kernel_;
  std::string path_;
  int fd_ = -1;
  unsigned long functions_ = 0;
  int selected_ = -1;  // address set with I2C_SLAVE, -1 none yet
  std::string limit_;
};

}  // namespace tester
