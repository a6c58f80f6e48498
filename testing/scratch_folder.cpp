#include "testing/scratch_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>
#include <vector>

namespace tester::test {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder(const std::string& prefix) {
  std::error_code failed;
  const fs::path base = fs::temp_directory_path(failed);
  if (failed) {
    error_ = "no temporary folder: " + failed.message();
    return;
  }
  const std::string pattern = (base / (prefix + "-XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data()) == nullptr) {
    error_ = "cannot make " + pattern + ": " + std::strerror(errno);
    return;
  }
  path_ = name.data();
}

ScratchFolder::~ScratchFolder() {
  if (path_.empty() || keep_) return;
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string ScratchFolder::File(const std::string& name) const { return path_ + "/" + name; }

std::string ScratchFolder::Folder(const std::string& name) const {
  std::error_code failed;
  fs::create_directories(File(name), failed);
  return failed ? std::string() : File(name);
}

std::string ScratchFolder::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream(File(name), std::ios::binary) << bytes;
  return File(name);
}

std::string ScratchFolder::Read(const std::string& name) const {
  std::ifstream in(File(name), std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::size_t ScratchFolder::EntryCount() const {
  std::error_code failed;
  const fs::directory_iterator entries(path_, failed);
  if (failed) return 0;
  return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

}  // namespace tester::test
