#pragma once
// A kernel i2c-dev interface for the tests: device nodes whose transfers reach the
// virtual jig's devices. It takes what the real interface takes (I2C_FUNCS, I2C_SLAVE,
// I2C_SMBUS with i2c_smbus_ioctl_data, I2C_RDWR with i2c_msg lists, I2C_M_RECV_LEN) and
// answers the same way: -ENXIO when nobody acknowledges the address, -EREMOTEIO when the
// device refuses, -EPROTO for a count beyond the driver's limit with I2C_M_RECV_LEN,
// -EOPNOTSUPP for what the bridge cannot do (a write longer than its limit, a combined
// write-then-read it lacks), -EINVAL for malformed arguments, -ENOTTY for other requests.
//
// Each node is a bus of one station of the jig: the bridge's own bus (bus mode 0) or its
// register bus (1). Address 0x0B is the gauge's SMBus interface or, when that does not
// answer, its register-style loader (the programs' 0x17 and 0x16 are the same device);
// every other 7-bit address is the 8-bit one shifted right. Transfers take their wire time
// on the clock as the virtual jig charges it (sim/bus_time.h), so a run through the
// backend sees the same clock as one on the sim backend.
//
// Every transfer is also written down as it went on the wire (Wire()): one line per
// transfer, each message as "w<addr>:<bytes>" or "r<addr>:<bytes>", hexadecimal, separated
// by blanks; a refused transfer ends in " !<errno>".
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_pump.h"
#include "platform/i2c_kernel.h"
#include "sim/bus_device.h"
#include "sim/jig.h"
#include "sim/sim_station.h"

namespace tester::test {

class FakeI2cKernel final : public I2cKernel {
public:
  // What the bridge offers and refuses.
  struct Bridge {
    unsigned long functions;   // I2C_FUNCS answer
    int max_write = 0;         // longest write message (0 = any)
    bool combined = true;      // a write and a read in one transfer
    int recv_len_max = 255;    // longest count read with I2C_M_RECV_LEN (drivers: 32 or 255)
  };
  static Bridge FullBridge();

  FakeI2cKernel(const JigDescription& jig, EventPump& clock);

  // Device node `path` is bus `bus_mode` of station `station`.
  void AddNode(const std::string& path, std::size_t station, int bus_mode);
  SimStation& Station(std::size_t index) { return *stations_.at(index); }
  Bridge& Limits() { return bridge_; }
  // The next transfer fails with `err` (-errno) after its address byte.
  void FailNext(int err) { fail_next_ = err; }
  // A kernel driver is bound to 7-bit `addr`: selecting it answers EBUSY.
  void HoldAddress(int addr) { held_address_ = addr; }
  // Nodes that are open now.
  std::size_t OpenCount() const { return fds_.size(); }
  const std::vector<std::string>& Wire() const { return wire_; }
  void ClearWire() { wire_.clear(); }

  int Open(const std::string& path) override;
  void Close(int fd) override;
  int Ioctl(int fd, unsigned long request, void* arg) override;

private:
  struct Node {
    std::size_t station = 0;
    int bus_mode = 0;
  };
  struct Handle {
    Node node;
    int address = -1;
  };
  // The device answering at 7-bit `addr`, and whether it speaks SMBus commands (else
  // registers); nullptr with `err` set when nobody acknowledges.
  BusDevice* Resolve(const Node& node, int addr, bool& smbus, int& err);
  int Smbus(Handle& handle, void* arg);
  int Rdwr(Handle& handle, void* arg);
  void Elapse(int bytes);
  int Finish(int result, const Node& node, int addr, bool write);

  JigDescription jig_;
  EventPump& clock_;
  std::vector<std::unique_ptr<SimStation>> stations_;
  std::map<std::string, Node> nodes_;
  std::map<int, Handle> fds_;
  int next_fd_ = 3;
  Bridge bridge_;
  int fail_next_ = 0;
  int held_address_ = -1;
  std::vector<std::string> wire_;
  std::string line_;
};

}  // namespace tester::test
