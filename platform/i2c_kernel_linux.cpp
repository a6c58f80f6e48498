#include "platform/i2c_kernel_linux.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace tester {

int LinuxI2cKernel::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  return fd >= 0 ? fd : -errno;
}

void LinuxI2cKernel::Close(int fd) {
  if (fd >= 0) ::close(fd);
}

int LinuxI2cKernel::Ioctl(int fd, unsigned long request, void* arg) {
  int result;
  do {
    result = ::ioctl(fd, request, arg);
  } while (result < 0 && errno == EINTR);
  return result >= 0 ? result : -errno;
}

}  // namespace tester
