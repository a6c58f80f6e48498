#pragma once
// The digest kept beside every golden image: "<image>.sha256", one line in the form
// sha256sum writes ("<64 hex digits>  <file name>"), so an engineer can check an image
// with standard tools and a station programs only the image that was approved.
#include <optional>
#include <string>

namespace tester {

// The digest file of an image.
std::string DigestFileFor(const std::string& image);

// SHA-256 of the file's bytes as 64 lower-case hex digits; nullopt with the reason in
// `error` when the file cannot be read.
std::optional<std::string> FileSha256(const std::string& path, std::string& error);

// Writes (atomically) the digest file beside `image`. False with the reason on failure.
bool WriteImageDigest(const std::string& image, std::string& error);

enum class DigestVerdict {
  kMatch,     // the image is the one its digest describes
  kMissing,   // no digest file beside the image
  kMismatch,  // the image's bytes differ from the digest (or the digest names another file)
  kInvalid,   // the digest file cannot be read or holds no digest line
};

struct DigestCheck {
  DigestVerdict verdict = DigestVerdict::kInvalid;
  std::string sha256;   // the image's own digest, when the image could be read
  std::string message;  // for the operator; empty for kMatch
};

DigestCheck CheckImageDigest(const std::string& image);

}  // namespace tester
