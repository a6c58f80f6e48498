#include "components/password_file.h"

#include <charconv>
#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/ini_document.h"
#include "platform/paths.h"

namespace tester {
namespace {

constexpr std::string_view kSection = "Password";
constexpr std::string_view kAlgorithm = "PBKDF2-HMAC-SHA256";
// Readable and writable by the owner only.
constexpr unsigned kPasswordFileMode = 0600;

std::string ToHex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0F];
  }
  return text;
}

std::optional<std::string> FromHex(std::string_view text, std::size_t bytes) {
  if (text.size() != 2 * bytes) return std::nullopt;
  std::string out;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    unsigned value = 0;
    const auto done = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
    if (done.ec != std::errc{} || done.ptr != text.data() + i + 2) return std::nullopt;
    out += static_cast<char>(value);
  }
  return out;
}

PasswordFileState Damaged(const std::string& path, const std::string& why) {
  PasswordFileState state;
  state.kind = PasswordFileState::Kind::kDamaged;
  state.problem = "The password file " + path + " " + why;
  return state;
}

}  // namespace

std::string PasswordFilePath(const std::string& program_folder) {
  return JoinProgramPath(program_folder, std::string(kPasswordFileName));
}

PasswordFileState ReadPasswordFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec) && !ec) return {};
  std::string error;
  const std::optional<std::string> text = ReadWholeFile(path, &error);
  if (!text) return Damaged(path, "cannot be read: " + error);
  const IniDocument doc = IniDocument::Parse(*text);
  if (doc.Value(kSection, "Algorithm").value_or("") != kAlgorithm) {
    return Damaged(path, "names no known algorithm");
  }
  PasswordHash hash;
  const std::string rounds = doc.Value(kSection, "Iterations").value_or("");
  const auto done = std::from_chars(rounds.data(), rounds.data() + rounds.size(), hash.iterations);
  if (done.ec != std::errc{} || done.ptr != rounds.data() + rounds.size() ||
      hash.iterations < kMinPasswordIterations || hash.iterations > kMaxPasswordIterations) {
    return Damaged(path, "has no sound iteration count");
  }
  std::optional<std::string> salt = FromHex(doc.Value(kSection, "Salt").value_or(""),
                                            kPasswordSaltBytes);
  std::optional<std::string> digest = FromHex(doc.Value(kSection, "Hash").value_or(""),
                                              kPasswordHashBytes);
  if (!salt || !digest) return Damaged(path, "has no sound salt and hash");
  hash.salt = std::move(*salt);
  hash.hash = std::move(*digest);
  PasswordFileState state;
  state.kind = PasswordFileState::Kind::kSet;
  state.hash = std::move(hash);
  return state;
}

std::string RenderPasswordFile(const PasswordHash& hash) {
  IniDocument doc;
  doc.AppendLines({"; Operator lock of the battery-pack tester: a salted slow hash of the",
                   "; password, never the password itself. Set a new one with",
                   "; \"ardentis password\" (docs/password-file.md)."});
  doc.AppendSection(kSection, {});
  doc.Set(kSection, "Algorithm", kAlgorithm);
  doc.Set(kSection, "Iterations", std::to_string(hash.iterations));
  doc.Set(kSection, "Salt", ToHex(hash.salt));
  doc.Set(kSection, "Hash", ToHex(hash.hash));
  return doc.Render();
}

std::string SavePassword(const std::string& path, const std::string& password,
                         int32_t iterations) {
  if (password.empty()) return "An empty password cannot be set.";
  std::string error;
  if (!WriteFileAtomically(path, RenderPasswordFile(HashNewPassword(password, iterations)),
                           &error, kPasswordFileMode)) {
    return "Cannot save the password: " + error;
  }
  return {};
}

}  // namespace tester
