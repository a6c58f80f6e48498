#include "components/password_hash.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>

namespace tester {
namespace {

std::string Derive(const std::string& password, const std::string& salt, int32_t iterations) {
  const QByteArray key = QPasswordDigestor::deriveKeyPbkdf2(
      QCryptographicHash::Sha256, QByteArray::fromStdString(password),
      QByteArray::fromStdString(salt), iterations, kPasswordHashBytes);
  return key.toStdString();
}

}  // namespace

PasswordHash HashNewPassword(const std::string& password, int32_t iterations) {
  PasswordHash record;
  record.iterations = iterations;
  record.salt.resize(kPasswordSaltBytes);
  for (char& byte : record.salt) {
    byte = static_cast<char>(QRandomGenerator::system()->bounded(256));
  }
  record.hash = Derive(password, record.salt, iterations);
  return record;
}

bool PasswordMatches(const PasswordHash& stored, const std::string& password) {
  const std::string derived = Derive(password, stored.salt, stored.iterations);
  if (derived.size() != stored.hash.size() || derived.empty()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < derived.size(); ++i) {
    diff |= static_cast<unsigned char>(derived[i] ^ stored.hash[i]);
  }
  return diff == 0;
}

}  // namespace tester
