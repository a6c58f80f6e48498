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

// The whole contents of the file, or nullopt (with the reason in `error` when given).
// Only regular files are read: a folder, pipe or device is refused without blocking.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error);

// The same, but at most the first `max_bytes` of the file (a caller that expects a record
// of known size asks for one byte more to tell a longer file without reading it all).
std::optional<std::string> ReadFileHead(const std::string& path, std::size_t max_bytes,
                                        std::string* error);

}  // namespace tester
