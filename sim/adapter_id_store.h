#pragma once
// Identifiers the virtual adapters carry in their own memory. An adapter starts with the
// identifier its jig gives it; a new one written by any process is kept in
// <lock directory>/ids/<adapter name>, so every later process of the jig reads it, as it
// would read it back from a real adapter's memory.
#include <optional>
#include <string>

#include "platform/adapter_id_text.h"

namespace tester {

class AdapterIdStore {
public:
  explicit AdapterIdStore(std::string lock_dir) : lock_dir_(std::move(lock_dir)) {}

  // The identifier adapter `name` carries: the stored one, else `factory_id`. Nothing when
  // a stored file exists but cannot be read or holds no well-formed identifier (the
  // adapter's memory is damaged; a guess would give a station another's identity).
  std::optional<std::string> Read(const std::string& name, const std::string& factory_id) const;
  // Stores `id` (already normalised) for adapter `name`, replacing the file in one step.
  bool Write(const std::string& name, const std::string& id) const;

private:
  std::string FilePath(const std::string& name) const;

  std::string lock_dir_;
};

}  // namespace tester
