#include "platform/i2c_id_registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "common/gauge_control.h"
#include "platform/adapter_id_text.h"
#include "platform/profile.h"

namespace tester {
namespace {

constexpr const char* kSection = "AdapterIds";

// flock(LOCK_EX) on <file>.lock while the object lives; the wait is at most one other
// writer's read-modify-write of a small file.
class RegistryLock {
public:
  explicit RegistryLock(const std::string& file)
      : fd_(::open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~RegistryLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  RegistryLock(const RegistryLock&) = delete;
  RegistryLock& operator=(const RegistryLock&) = delete;
  bool Held() const { return fd_ >= 0; }

private:
  int fd_;
};

}  // namespace

std::optional<std::string> I2cIdRegistry::Read(const std::string& serial) const {
  const profile::RawValue raw = profile::ReadRaw(file_, kSection, serial);
  if (!raw.found) return std::string(kFactoryAdapterId);
  return NormalizedAdapterId(raw.text);
}

bool I2cIdRegistry::Write(const std::string& serial, const std::string& id) const {
  const std::optional<std::string> normalized = NormalizedAdapterId(id);
  if (!normalized) return false;
  RegistryLock lock(file_);
  return lock.Held() && profile::WriteString(file_, kSection, serial, *normalized);
}

}  // namespace tester
