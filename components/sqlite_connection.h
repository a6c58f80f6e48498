#pragma once
// One SQLite database file opened through Qt Sql the way both stores need it: WAL journal,
// synchronous=FULL (with NORMAL a power cut can undo the last commit, and for the serial
// counter that means a number handed out twice), a busy time-out so that processes sharing
// the application folder queue for the write lock instead of failing, and error texts in
// plain words instead of exceptions. A connection is used only on the thread that opened it.
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <initializer_list>
#include <string>
#include <vector>

namespace tester {

// Milliseconds a statement waits for another process's write lock before it fails.
inline constexpr int kSqliteBusyTimeoutMs = 5000;
// How often an open asks for WAL while another process is turning the same database to it.
inline constexpr int kWalSwitchAttempts = 5;

class SqliteConnection {
public:
  // Opens (creating when missing) the database `path`. Never throws: Error() says what
  // went wrong. `role` names the store in error texts ("serial-number database").
  SqliteConnection(const std::string& path, const std::string& role);
  ~SqliteConnection();
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  bool Ok() const { return error_.empty(); }
  // Why the database could not be opened; empty when it was.
  const std::string& Error() const { return error_; }
  const std::string& Path() const { return path_; }
  QSqlDatabase& Database() { return db_; }

  // Runs `sql` with positional `values`; false and `error` (in plain words, naming the
  // file) when it fails.
  bool Exec(QSqlQuery& query, const QString& sql, std::initializer_list<QVariant> values,
            std::string& error);
  bool Exec(const QString& sql, std::string& error);

  // Runs the `statements` that make the store's tables (CREATE ... IF NOT EXISTS) in one
  // write transaction, so that two processes opening a fresh folder make them once.
  bool ApplySchema(const std::vector<QString>& statements, std::string& error);

  // What a failed statement means to an engineer: the file, what was being done and
  // SQLite's own words, with the usual causes (damaged, read-only, locked, disk full) said
  // plainly.
  std::string Explain(const std::string& doing, const QString& driver_text) const;

private:
  std::string path_;
  std::string role_;
  QString name_;  // the Qt Sql connection name, unique to this object
  QSqlDatabase db_;
  std::string error_;
};

// BEGIN IMMEDIATE ... COMMIT: the write lock is taken at the start, so two processes never
// both read the same state and then write; rolled back unless committed.
class WriteTransaction {
public:
  explicit WriteTransaction(SqliteConnection& connection);
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  // Empty when the transaction began.
  const std::string& Error() const { return error_; }
  // Commits; false and `error` when the commit failed (then nothing of it is kept).
  bool Commit(std::string& error);

private:
  SqliteConnection& connection_;
  bool open_ = false;
  std::string error_;
};

}  // namespace tester
