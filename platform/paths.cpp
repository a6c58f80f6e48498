#include "platform/paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tester {
namespace {

// Link to the running executable.
constexpr const char* kSelfExe = "/proc/self/exe";

std::string WithoutTrailingSlashes(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string FolderOfExecutable(const char* argv0) {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink(kSelfExe, ec);
  if (!ec && exe.has_parent_path()) return exe.parent_path().string();
  if (argv0 == nullptr || *argv0 == '\0') return ".";
  const std::filesystem::path given = std::filesystem::absolute(argv0, ec);
  if (ec || !given.has_parent_path()) return ".";
  return given.parent_path().lexically_normal().string();
}

}  // namespace

std::string ProgramFolder(const char* argv0) {
  const char* home = std::getenv("TESTER_HOME");
  if (home != nullptr && *home != '\0') return WithoutTrailingSlashes(NativePath(home));
  return WithoutTrailingSlashes(FolderOfExecutable(argv0));
}

std::string JoinProgramPath(const std::string& folder, const std::string& name) {
  std::string base = NativePath(folder);
  const std::string leaf = NativePath(name);
  if (base.empty()) return leaf;
  if (base.back() != '/') base += '/';
  return base + (leaf.starts_with('/') ? leaf.substr(1) : leaf);
}

std::string NativePath(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

}  // namespace tester
