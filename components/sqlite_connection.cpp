#include "components/sqlite_connection.h"

#include <QFileInfo>
#include <QSqlError>

namespace tester {
namespace {

constexpr const char* kDriver = "QSQLITE";

bool Mentions(const QString& text, const char* words) {
  return text.contains(QLatin1String(words), Qt::CaseInsensitive);
}

}  // namespace

SqliteConnection::SqliteConnection(const std::string& path, const std::string& role)
    : path_(path), role_(role),
      name_(QStringLiteral("tester-sqlite-%1").arg(reinterpret_cast<quintptr>(this))) {
  if (!QSqlDatabase::isDriverAvailable(kDriver)) {
    error_ = "the " + role_ + " " + path_ +
             " cannot be opened: the SQLite driver of Qt Sql (libqt6sql6-sqlite) is not "
             "installed";
    return;
  }
  if (QFileInfo(QString::fromStdString(path_)).isDir()) {
    error_ = "the " + role_ + " " + path_ + " cannot be opened: it is a folder";
    return;
  }
  db_ = QSqlDatabase::addDatabase(kDriver, name_);
  db_.setDatabaseName(QString::fromStdString(path_));
  db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kSqliteBusyTimeoutMs));
  if (!db_.open()) {
    error_ = Explain("opening it", db_.lastError().text());
    return;
  }
  // journal_mode answers with the mode in force: a database that stays out of WAL
  // (read-only, or not a database) is refused rather than used without it.
  QSqlQuery query(db_);
  // Two processes opening a fresh database at once both try to turn it to WAL, and SQLite
  // answers the one that loses "locked" at once, without waiting (either could deadlock the
  // other). An immediate transaction does wait, for as long as the busy timeout, until the
  // winner is done; asked again, the database is in WAL already.
  for (int attempt = 1; !query.exec("PRAGMA journal_mode=WAL") || !query.next(); ++attempt) {
    const bool busy = query.lastError().nativeErrorCode() == QLatin1String("5");
    if (!busy || attempt == kWalSwitchAttempts) {
      error_ = Explain("switching it to WAL", query.lastError().text());
      return;
    }
    query.finish();
    QSqlQuery wait(db_);
    if (wait.exec("BEGIN IMMEDIATE")) wait.exec("COMMIT");
  }
  if (query.value(0).toString().compare("wal", Qt::CaseInsensitive) != 0) {
    error_ = "the " + role_ + " " + path_ + " cannot be written (it stays in journal mode " +
             query.value(0).toString().toStdString() + "): is the file or its folder read-only?";
    return;
  }
  std::string error;
  if (!Exec("PRAGMA synchronous=FULL", error)) error_ = error;
}

SqliteConnection::~SqliteConnection() {
  if (!db_.isValid()) return;
  db_.close();
  db_ = QSqlDatabase();
  QSqlDatabase::removeDatabase(name_);
}

bool SqliteConnection::Exec(QSqlQuery& query, const QString& sql,
                            std::initializer_list<QVariant> values, std::string& error) {
  if (!query.prepare(sql)) {
    error = Explain("preparing a statement", query.lastError().text());
    return false;
  }
  for (const QVariant& value : values) query.addBindValue(value);
  if (!query.exec()) {
    error = Explain("a statement", query.lastError().text());
    return false;
  }
  return true;
}

bool SqliteConnection::Exec(const QString& sql, std::string& error) {
  QSqlQuery query(db_);
  if (!query.exec(sql)) {
    error = Explain("a statement", query.lastError().text());
    return false;
  }
  return true;
}

bool SqliteConnection::ApplySchema(const std::vector<QString>& statements, std::string& error) {
  WriteTransaction transaction(*this);
  if (!transaction.Error().empty()) {
    error = transaction.Error();
    return false;
  }
  for (const QString& sql : statements) {
    if (!Exec(sql, error)) return false;
  }
  return transaction.Commit(error);
}

std::string SqliteConnection::Explain(const std::string& doing, const QString& driver_text) const {
  std::string cause;
  if (Mentions(driver_text, "not a database") || Mentions(driver_text, "malformed") ||
      Mentions(driver_text, "corrupt")) {
    cause = "the file is damaged or is not a database";
  } else if (Mentions(driver_text, "readonly") || Mentions(driver_text, "read-only")) {
    cause = "the file or its folder is read-only";
  } else if (Mentions(driver_text, "locked") || Mentions(driver_text, "busy")) {
    cause = "another program holds it locked";
  } else if (Mentions(driver_text, "full")) {
    cause = "the disk is full";
  } else if (Mentions(driver_text, "unable to open")) {
    cause = "the file cannot be opened (missing folder or no permission)";
  }
  std::string text = "the " + role_ + " " + path_ + " failed (" + doing + ")";
  if (!cause.empty()) text += ": " + cause;
  return text + " [" + driver_text.trimmed().toStdString() + "]";
}

WriteTransaction::WriteTransaction(SqliteConnection& connection) : connection_(connection) {
  if (!connection_.Ok()) {
    error_ = connection_.Error();
    return;
  }
  open_ = connection_.Exec("BEGIN IMMEDIATE", error_);
}

WriteTransaction::~WriteTransaction() {
  if (!open_) return;
  std::string ignored;
  connection_.Exec("ROLLBACK", ignored);
}

bool WriteTransaction::Commit(std::string& error) {
  if (!open_) {
    error = error_;
    return false;
  }
  if (!connection_.Exec("COMMIT", error)) return false;  // the destructor rolls back
  open_ = false;
  return true;
}

}  // namespace tester
