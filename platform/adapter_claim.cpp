#include "platform/adapter_claim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tester {
namespace {

std::string LockPath(const std::string& dir, const std::string& id) {
  return dir + "/" + id + ".lock";
}

}  // namespace

AdapterClaim::AdapterClaim(AdapterClaim&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

AdapterClaim& AdapterClaim::operator=(AdapterClaim&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

AdapterClaim::~AdapterClaim() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor drops the flock
}

std::optional<AdapterClaim> AdapterClaim::Try(const std::string& lock_dir, const std::string& id) {
  int fd = ::open(LockPath(lock_dir, id).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return std::nullopt;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return std::nullopt;
  }
  return AdapterClaim(fd);
}

bool AdapterClaim::IsFree(const std::string& lock_dir, const std::string& id) {
  return Try(lock_dir, id).has_value();
}

void ListFreeFirst(const std::vector<std::string>& ids, const std::string& lock_dir,
                   const std::string& mine, int32_t maximum, int32_t& count, std::string& names) {
  std::vector<std::string> free_ones;
  std::vector<std::string> held;
  for (const std::string& id : ids) {
    (id != mine && AdapterClaim::IsFree(lock_dir, id) ? free_ones : held).push_back(id);
  }
  free_ones.insert(free_ones.end(), held.begin(), held.end());
  const size_t listed =
      std::min<size_t>(free_ones.size(), static_cast<size_t>(std::max(maximum, 0)));
  names.clear();
  for (size_t i = 0; i < listed; ++i) names += (i == 0 ? "" : ",") + free_ones[i];
  count = static_cast<int32_t>(listed);
}

bool EnsureLockDirectory(const std::string& dir) {
  if (::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST) {
    struct stat info {};
    return ::stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }
  return false;
}

}  // namespace tester
