#pragma once
// The stored form of a password: PBKDF2-HMAC-SHA256 over a random salt. The password itself
// is never kept; checking one repeats the derivation with the stored salt and count.
#include <cstdint>
#include <string>

namespace tester {

// Derivation rounds of a new password: about a tenth of a second on a station PC, so
// guessing from a copied file costs that per guess.
inline constexpr int32_t kPasswordIterations = 100'000;
// Rounds a stored record may name: fewer is too weak to trust, more would hang the window.
inline constexpr int32_t kMinPasswordIterations = 1'000;
inline constexpr int32_t kMaxPasswordIterations = 10'000'000;

inline constexpr std::size_t kPasswordSaltBytes = 16;
inline constexpr std::size_t kPasswordHashBytes = 32;

struct PasswordHash {
  int32_t iterations = kPasswordIterations;
  std::string salt;  // raw bytes
  std::string hash;  // raw bytes
};

// A new record of `password` with a fresh salt from the system's random source.
PasswordHash HashNewPassword(const std::string& password,
                             int32_t iterations = kPasswordIterations);

// Whether `password` derives the stored hash (compared in constant time).
bool PasswordMatches(const PasswordHash& stored, const std::string& password);

}  // namespace tester
