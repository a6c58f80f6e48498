#include "platform/atomic_file.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace tester {
namespace {

// Attempts at a fresh temporary name before giving up (names left by crashed writers).
constexpr int kTempNameAttempts = 100;
// Permission bits of a new file before the process umask applies.
constexpr mode_t kNewFileMode = 0666;
// Bytes read per system call.
constexpr std::size_t kReadChunk = 64 * 1024;

void SetError(std::string* error, const std::string& what, const std::string& path, int err) {
  if (error != nullptr) *error = what + " " + path + ": " + std::strerror(err);
}

// The file a write has to replace: the target of a symbolic link rather than the link.
std::string ResolveTarget(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_symlink(path, ec)) return path;
  const std::filesystem::path target = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : target.string();
}

// Creates a temporary file beside `target`; returns its descriptor or -1.
int CreateTempBeside(const std::string& target, std::string* temp_path, mode_t create_mode) {
  const std::filesystem::path p(target);
  const std::filesystem::path folder = p.has_parent_path() ? p.parent_path() : ".";
  const std::string stem = "." + p.filename().string() + ".tmp-" + std::to_string(getpid()) + "-";
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    *temp_path = (folder / (stem + std::to_string(attempt))).string();
    const int fd = open(temp_path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, create_mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Makes the rename itself durable; failure here does not undo the write.
void SyncFolderOf(const std::string& target) {
  const std::filesystem::path p(target);
  const std::string folder = p.has_parent_path() ? p.parent_path().string() : ".";
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// Fills the temporary file; returns nullptr on success or what failed (errno is kept).
// `mode`: the bits the file gets; nullopt keeps those of the old file.
const char* FillTemp(int fd, const std::string& target, std::string_view bytes,
                     std::optional<mode_t> mode) {
  struct stat old_state {};
  if (mode) {
    if (fchmod(fd, *mode) != 0) return "cannot set the permissions of";
  } else if (stat(target.c_str(), &old_state) == 0 &&
             fchmod(fd, old_state.st_mode & 07777) != 0) {
    return "cannot set the permissions of";
  }
  if (!WriteAll(fd, bytes)) return "cannot write";
  if (fsync(fd) != 0) return "cannot flush";
  return nullptr;
}

bool WriteAtomically(const std::string& path, std::string_view bytes, std::string* error,
                     std::optional<mode_t> mode) {
  const std::string target = ResolveTarget(path);
  std::string temp;
  // A file with fixed bits is created with none for others, so it is never readable by them.
  const int fd = CreateTempBeside(target, &temp, mode ? *mode & 0700 : kNewFileMode);
  if (fd < 0) {
    SetError(error, "cannot create a temporary file for", target, errno);
    return false;
  }
  const char* failed = FillTemp(fd, target, bytes, mode);
  int err = errno;
  if (close(fd) != 0 && failed == nullptr) failed = "cannot close", err = errno;
  if (failed == nullptr && rename(temp.c_str(), target.c_str()) != 0) {
    failed = "cannot replace", err = errno;
  }
  if (failed != nullptr) {
    unlink(temp.c_str());
    SetError(error, failed, target, err);
    return false;
  }
  SyncFolderOf(target);
  return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  return WriteAtomically(path, bytes, error, std::nullopt);
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error,
                         unsigned mode) {
  return WriteAtomically(path, bytes, error, static_cast<mode_t>(mode & 07777));
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error,
                                         std::size_t max_bytes) {
  // One byte more than allowed tells a longer file without reading it all.
  const std::size_t asked = max_bytes == std::string::npos ? max_bytes : max_bytes + 1;
  std::optional<std::string> contents = ReadFileHead(path, asked, error);
  if (contents && contents->size() > max_bytes) {
    if (error != nullptr) {
      *error = "cannot read " + path + ": larger than " + std::to_string(max_bytes) + " bytes";
    }
    return std::nullopt;
  }
  return contents;
}

std::optional<std::string> ReadFileHead(const std::string& path, std::size_t max_bytes,
                                        std::string* error) {
  // Opened without blocking and checked before reading: a pipe without a writer would
  // block the program for good, a device like /dev/zero would never end, and a folder
  // would read as an empty file.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    SetError(error, "cannot open", path, errno);
    return std::nullopt;
  }
  struct stat state {};
  if (fstat(fd, &state) != 0 || !S_ISREG(state.st_mode)) {
    const bool folder = S_ISDIR(state.st_mode);
    close(fd);
    if (folder) {
      SetError(error, "cannot read", path, EISDIR);
    } else if (error != nullptr) {
      *error = "cannot read " + path + ": not a regular file";
    }
    return std::nullopt;
  }
  std::string contents;
  char chunk[kReadChunk];
  while (contents.size() < max_bytes) {
    const ssize_t n = read(fd, chunk, std::min(sizeof chunk, max_bytes - contents.size()));
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      close(fd);
      SetError(error, "cannot read", path, err);
      return std::nullopt;
    }
    contents.append(chunk, static_cast<std::size_t>(n));
  }
  close(fd);
  return contents;
}

}  // namespace tester
