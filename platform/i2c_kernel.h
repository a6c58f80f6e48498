#pragma once
// The one road from the i2c-dev backend to the kernel: opening /dev/i2c-N and the ioctls
// on it (I2C_FUNCS, I2C_SLAVE, I2C_SMBUS, I2C_RDWR; the driver's own timeout and retry
// counts are left as they are), with the
// kernel's own argument structs of linux/i2c-dev.h and linux/i2c.h. The programs use the
// Linux implementation (platform/i2c_kernel_linux.h); the tests one that answers like the
// kernel from the virtual jig's devices.
//
// Results follow the system calls, with the error number folded in: >= 0 success (Open:
// the descriptor), -errno on failure (-ENXIO, -EREMOTEIO, -ETIMEDOUT, -EAGAIN, ...).
#include <string>

namespace tester {

class I2cKernel {
public:
  virtual ~I2cKernel() = default;

  // open(path, O_RDWR | O_CLOEXEC).
  virtual int Open(const std::string& path) = 0;
  virtual void Close(int fd) = 0;
  // ioctl(fd, request, arg).
  virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
};

}  // namespace tester
