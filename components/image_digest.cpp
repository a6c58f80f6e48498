#include "components/image_digest.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <cctype>
#include <filesystem>
#include <string_view>

#include "platform/atomic_file.h"

namespace tester {
namespace {

constexpr std::size_t kHexDigits = 64;
// A digest file is one short line; anything longer is not one.
constexpr std::size_t kMaxDigestFile = 4096;

std::string FileName(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

bool IsHex(std::string_view text) {
  for (const char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

struct DigestLine {
  std::string hex;   // lower case
  std::string name;  // the file it names; empty when the line names none
};

// "<hex>", "<hex>  name" or "<hex> *name" (binary mode), as sha256sum writes and reads.
std::optional<DigestLine> ParseDigestLine(std::string_view text) {
  text = text.substr(0, text.find('\n'));
  if (text.ends_with('\r')) text.remove_suffix(1);
  if (text.size() < kHexDigits || !IsHex(text.substr(0, kHexDigits))) return std::nullopt;
  DigestLine line{Lower(std::string(text.substr(0, kHexDigits))), {}};
  std::string_view rest = text.substr(kHexDigits);
  if (rest.empty()) return line;
  if (rest.front() != ' ' && rest.front() != '\t') return std::nullopt;
  rest.remove_prefix(1);
  if (!rest.empty() && (rest.front() == ' ' || rest.front() == '*')) rest.remove_prefix(1);
  line.name = std::string(rest);
  return line;
}

}  // namespace

std::string DigestFileFor(const std::string& image) { return image + ".sha256"; }

std::optional<std::string> FileSha256(const std::string& path, std::string& error) {
  const std::optional<std::string> bytes = ReadWholeFile(path, &error);
  if (!bytes) return std::nullopt;
  const QByteArray digest = QCryptographicHash::hash(
      QByteArrayView(bytes->data(), static_cast<qsizetype>(bytes->size())),
      QCryptographicHash::Sha256);
  return digest.toHex().toStdString();
}

bool WriteImageDigest(const std::string& image, std::string& error) {
  const std::optional<std::string> hex = FileSha256(image, error);
  if (!hex) return false;
  return WriteFileAtomically(DigestFileFor(image), *hex + "  " + FileName(image) + "\n", &error);
}

DigestCheck CheckImageDigest(const std::string& image) {
  DigestCheck check;
  std::string error;
  const std::optional<std::string> own = FileSha256(image, error);
  if (!own) {
    check.message = "The golden image " + image + " cannot be read: " + error;
    return check;
  }
  check.sha256 = *own;
  const std::string digest_file = DigestFileFor(image);
  std::error_code ec;
  if (!std::filesystem::exists(digest_file, ec) && !ec) {
    check.verdict = DigestVerdict::kMissing;
    check.message = "The golden image " + image + " has no digest file " + digest_file +
                    ": it cannot be confirmed as the approved image";
    return check;
  }
  const std::optional<std::string> text = ReadFileHead(digest_file, kMaxDigestFile + 1, &error);
  const std::optional<DigestLine> line =
      text && text->size() <= kMaxDigestFile ? ParseDigestLine(*text) : std::nullopt;
  if (!line) {
    check.message = "The digest file " + digest_file + " holds no SHA-256 digest line" +
                    (text ? std::string() : ": " + error);
    return check;
  }
  if (!line->name.empty() && FileName(line->name) != FileName(image)) {
    check.verdict = DigestVerdict::kMismatch;
    check.message = "The digest file " + digest_file + " is the digest of " + line->name +
                    ", not of the golden image " + image;
    return check;
  }
  if (line->hex != *own) {
    check.verdict = DigestVerdict::kMismatch;
    check.message = "The golden image " + image + " does not match its digest " + digest_file +
                    ": it is not the approved image";
    return check;
  }
  check.verdict = DigestVerdict::kMatch;
  return check;
}

}  // namespace tester
