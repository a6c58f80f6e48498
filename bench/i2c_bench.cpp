// The i2c-dev backend's own cost per transfer: each gauge-control operation run many
// times against a kernel that answers at once (no bus, no device), so what is measured is
// the backend (argument checks, message lists, ioctl structs, status keeping), beside the
// wire time the same transfer takes at 100 kHz. A second column runs the same operations
// on the fake kernel over the virtual jig's devices (the cost the tests see).
//
// On a real adapter the backend's cost cannot be told apart from the bridge's USB round
// trips this way; docs/hardware.md says how to measure it there (`ardentis identify` with
// TESTER_TRACE and the trace's time stamps).
//
// Usage: i2c_bench [REPEATS]   (default 20000)
#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/i2c_dev_control.h"
#include "platform/virtual_clock.h"
#include "sim/bus_time.h"
#include "testing/bench_clock.h"
#include "testing/fake_sysfs.h"
#include "testing/i2c_jig_station.h"

namespace tester {
namespace {

constexpr int kDefaultRepeats = 20000;

// Answers every ioctl at once: all functionality, every address acknowledged, reads of
// zeros, SMBus blocks of 32 bytes.
class InstantKernel final : public I2cKernel {
public:
  int Open(const std::string&) override { return 3; }
  void Close(int) override {}
  int Ioctl(int, unsigned long request, void* arg) override {
    if (request == I2C_FUNCS) {
      *static_cast<unsigned long*>(arg) =
          I2C_FUNC_I2C | I2C_FUNC_SMBUS_EMUL | I2C_FUNC_SMBUS_READ_BLOCK_DATA;
    } else if (request == I2C_RDWR) {
      auto& args = *static_cast<i2c_rdwr_ioctl_data*>(arg);
      i2c_msg& last = args.msgs[args.nmsgs - 1];
      if ((last.flags & I2C_M_RECV_LEN) != 0) {
        last.buf[0] = 32;
        last.len = 33;
      }
      return static_cast<int>(args.nmsgs);
    }
    return 0;
  }
};

struct Operation {
  const char* name;
  int wire_bytes;  // bytes on the wire, as the virtual jig counts them
  std::function<void(GaugeControl&)> call;
};

std::vector<Operation> Operations() {
  static std::vector<uint8_t> buffer(97, 0);
  static int16_t length = 0;
  static int16_t word = 0;
  static uint8_t value = 0;
  return {
      {"PutWord", BusBytes::WriteWord(), [](GaugeControl& c) { c.PutWord(0x00, 1, 0x17); }},
      {"GetWord", BusBytes::ReadWord(), [](GaugeControl& c) { c.GetWord(0x00, word, 0x17); }},
      {"GetBlock 32", BusBytes::ReadBlock(32),
       [](GaugeControl& c) { c.GetBlock(0x23, std::span(buffer).first(33), length, 0x17); }},
      {"RegByteOp read", BusBytes::ReadRegs(1),
       [](GaugeControl& c) { c.RegByteOp(2, 0xC0, 0x44, value); }},
      {"PutRegBlock 96", BusBytes::WriteRegs(96),
       [](GaugeControl& c) { c.PutRegBlock(0x9A, buffer, 96, 0xAA); }},
      {"GetRegBlock 96", BusBytes::ReadRegs(96), [](GaugeControl& c) {
         length = 96;
         c.GetRegBlock(0x9A, buffer, length, 0xAA);
       }},
  };
}

// CPU microseconds per call of `op` on `control`.
double PerCall(GaugeControl& control, const Operation& op, int repeats) {
  const int64_t start = test::CpuMicros();
  for (int i = 0; i < repeats; ++i) op.call(control);
  return static_cast<double>(test::CpuMicros() - start) / repeats;
}

}  // namespace
}  // namespace tester

int main(int argc, char** argv) {
  using namespace tester;
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRepeats;
  test::ScratchFolder scratch("tester-i2c-bench");
  test::FakeSysfs sysfs(scratch);
  sysfs.AddBridge({.serial = "BENCH", .number = 1});
  VirtualClock clock;
  I2cDevControl instant(std::make_unique<InstantKernel>(),
                        {sysfs.Sys(), sysfs.Dev(), scratch.Folder("locks"),
                         scratch.File("ids.ini")},
                        clock);
  if (instant.OpenAdapter("BENCH") != 0) {
    std::fprintf(stderr, "the bench bridge did not open\n");
    return 2;
  }
  // The register-style station of the default jig answers both dialects' addresses used.
  test::I2cJigStation jig(clock, DefaultJig(), 2);
  if (!jig.Ok()) return 2;

  std::printf("%d calls each; CPU time per call in microseconds\n", repeats);
  std::printf("%-16s %10s %14s %14s %10s\n", "operation", "wire us", "backend us",
              "with jig us", "share");
  for (const Operation& op : Operations()) {
    const double backend = PerCall(instant, op, repeats);
    const double with_jig = PerCall(jig.Control(), op, repeats / 10 + 1);
    const double wire = static_cast<double>(BusMicros(op.wire_bytes));
    std::printf("%-16s %10.0f %14.3f %14.3f %9.5f%%\n", op.name, wire, backend, with_jig,
                100.0 * backend / wire);
  }
  return 0;
}
