#pragma once
// Exclusive claim of an adapter across processes, a virtual one or a real bridge:
// flock(LOCK_EX | LOCK_NB) on <lock directory>/<identifier>.lock, held while the claim
// object lives. The kernel drops the lock when the process ends, also by a crash, so a
// dead engine never blocks a station. Two claims in one process conflict too (each opens
// its own file description).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// ListAdapters' answer for adapters `ids` claimed in `lock_dir`: those nobody holds first,
// then the held ones, each group in the order given, at most `maximum`, comma-separated in
// `names`. `mine` (the adapter the asking control has open, "" none) counts as held.
void ListFreeFirst(const std::vector<std::string>& ids, const std::string& lock_dir,
                   const std::string& mine, int32_t maximum, int32_t& count, std::string& names);

// Creates the directory (mode 0700) when missing; false when it cannot be made.
bool EnsureLockDirectory(const std::string& dir);

}  // namespace tester
