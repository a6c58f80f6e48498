#pragma once
// Exclusive claim of an adapter across processes, a virtual one or a real bridge:
// flock(LOCK_EX | LOCK_NB) on <lock directory>/<identifier>.lock, held while the claim
// object lives. The kernel drops the lock when the process ends, also by a crash, so a
// dead engine never blocks a station. Two claims in one process conflict too (each opens
// its own file description).
#include <optional>
#include <string>

namespace tester {

class AdapterClaim {
public:
  AdapterClaim(AdapterClaim&& other) noexcept;
  AdapterClaim& operator=(AdapterClaim&& other) noexcept;
  AdapterClaim(const AdapterClaim&) = delete;
  AdapterClaim& operator=(const AdapterClaim&) = delete;
  ~AdapterClaim();

  // Claims the adapter; nothing when another holder has it or the lock file cannot be made.
  static std::optional<AdapterClaim> Try(const std::string& lock_dir, const std::string& id);
  // True when nobody holds the adapter now (claims and releases at once).
  static bool IsFree(const std::string& lock_dir, const std::string& id);

private:
  explicit AdapterClaim(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// Creates the directory (mode 0700) when missing; false when it cannot be made.
bool EnsureLockDirectory(const std::string& dir);

}  // namespace tester
