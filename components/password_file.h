#pragma once
// The password file of the operator lock: password.ini in the application folder, readable
// and writable by its owner only (0600), written atomically, holding the salted hash and
// never the password (docs/password-file.md):
//   [Password]
//   Algorithm=PBKDF2-HMAC-SHA256
//   Iterations=100000
//   Salt=<32 hex digits>
//   Hash=<64 hex digits>
#include <optional>
#include <string>
#include <string_view>

#include "components/password_hash.h"

namespace tester {

inline constexpr std::string_view kPasswordFileName = "password.ini";

// The password file of the application folder `program_folder`.
std::string PasswordFilePath(const std::string& program_folder);

// What the folder holds.
struct PasswordFileState {
  enum class Kind {
    kNone,     // no password file: no password is set
    kSet,      // a sound record
    kDamaged,  // a file that cannot be read or does not hold a sound record
  };
  Kind kind = Kind::kNone;
  PasswordHash hash;   // kSet only
  std::string problem; // kDamaged: what is wrong, with the path
};

PasswordFileState ReadPasswordFile(const std::string& path);

// The text of the file for `hash`.
std::string RenderPasswordFile(const PasswordHash& hash);

// Hashes `password` with a fresh salt and replaces the file; an error text (empty = saved).
// An empty password is refused: it would let anyone unlock with Enter.
std::string SavePassword(const std::string& path, const std::string& password,
                         int32_t iterations = kPasswordIterations);

}  // namespace tester
