#include "sim/adapter_id_store.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/atomic_file.h"

namespace tester {
namespace {

constexpr const char* kIdFolder = "/ids";  // under the lock directory

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace

std::string AdapterIdStore::FilePath(const std::string& name) const {
  return lock_dir_ + kIdFolder + "/" + name;
}

std::optional<std::string> AdapterIdStore::Read(const std::string& name,
                                                const std::string& factory_id) const {
  const std::string path = FilePath(name);
  if (!FileExists(path)) return factory_id;
  // One byte more than an identifier and its line end: a longer file is damaged.
  std::optional<std::string> text = ReadFileHead(path, kAdapterIdDigits + 2, nullptr);
  if (!text) return std::nullopt;
  while (!text->empty() && (text->back() == '\n' || text->back() == '\r')) text->pop_back();
  return NormalizedAdapterId(*text);
}

bool AdapterIdStore::Write(const std::string& name, const std::string& id) const {
  const std::string folder = lock_dir_ + kIdFolder;
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  return WriteFileAtomically(FilePath(name), id + "\n", nullptr);
}

}  // namespace tester
