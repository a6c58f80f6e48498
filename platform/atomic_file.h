#pragma once
// Whole-file reads and crash-safe whole-file writes: the new contents go to a temporary
// file in the same folder, are flushed to the disk and then renamed over the old file, so
// a reader sees either the old file or the new one, never a half-written one.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tester {

// Replaces the file at `path` with `bytes`. On failure returns false, leaves the old file
// as it was, removes the temporary file and, when `error` is given, says what failed.
// An existing file keeps its permission bits; a symbolic link is written through.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error);

// The same, but the new file gets exactly the permission bits `mode` (0600: its owner only),
// whatever the umask and the old file's bits; the bits are set before any byte is written,
// so no other user can open the file at any moment.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error,
                         unsigned mode);

// Largest file ReadWholeFile takes by default. Every file the programs read whole is far
// smaller: station files, Config.ini, Targets and jig files are kilobytes, and the largest,
// a replay trace, is about 32 KiB for one run, so 16 MiB holds hundreds of runs. A file
// beyond it is a mistake (a log or an image picked by accident) and is refused rather
// than taking the station's memory.
inline constexpr std::size_t kMaxWholeFileBytes = 16u << 20;

// The whole contents of the file, or nullopt (with the reason in `error` when given).
// Only regular files are read: a folder, pipe or device is refused without blocking, and
// a file longer than `max_bytes` is refused ("cannot read <path>: larger than N bytes")
// without reading more than one byte past that.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error,
                                         std::size_t max_bytes = kMaxWholeFileBytes);

// The same, but at most the first `max_bytes` of the file (a caller that expects a record
// of known size asks for one byte more to tell a longer file without reading it all).
std::optional<std::string> ReadFileHead(const std::string& path, std::size_t max_bytes,
                                        std::string* error);

}  // namespace tester
