#pragma once
// The kernel's i2c-dev interface itself: open(2), close(2) and ioctl(2) on /dev/i2c-N.
#include "platform/i2c_kernel.h"

namespace tester {

class LinuxI2cKernel final : public I2cKernel {
public:
  int Open(const std::string& path) override;
  void Close(int fd) override;
  int Ioctl(int fd, unsigned long request, void* arg) override;
};

}  // namespace tester
