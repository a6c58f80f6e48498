#pragma once
// An engine process driven by raw protocol lines, for tests of what the engine itself
// puts on the wire: bytes go to its stdin as given, every line of its stdout is parsed on
// arrival. Waits are bounded in real time, because they guard another process.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <deque>
#include <string>
#include <vector>

namespace tester {

inline constexpr int kRawWaitMs = 10000;  // longest wait for one message of the engine

class RawEngine {
public:
  explicit RawEngine(const std::vector<std::string>& environment) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const std::string& entry : environment) {
      const size_t equals = entry.find('=');
      env.insert(QString::fromStdString(entry.substr(0, equals)),
                 QString::fromStdString(entry.substr(equals + 1)));
    }
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(ARDENTIS_PATH, {"--automation"});
    EXPECT_TRUE(process_.waitForStarted(kRawWaitMs)) << "engine did not start";
  }
  ~RawEngine() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(kRawWaitMs);
  }

  void Send(const QByteArray& bytes) {
    process_.write(bytes);
    process_.waitForBytesWritten(kRawWaitMs);
  }
  void SendLine(const std::string& line) { Send(QByteArray::fromStdString(line) + "\n"); }
  void Request(int id, const std::string& method, const std::string& params = "{}") {
    SendLine(R"({"jsonrpc":"2.0","id":)" + std::to_string(id) + R"(,"method":")" + method +
             R"(","params":)" + params + "}");
  }

  // The next message of the engine; an empty object when none came in time.
  QJsonObject Next() {
    QElapsedTimer elapsed;
    elapsed.start();
    while (messages_.empty()) {
      const qint64 left = kRawWaitMs - elapsed.elapsed();
      if (left <= 0 || !Read(static_cast<int>(left))) return {};
    }
    QJsonObject message = messages_.front();
    messages_.pop_front();
    return message;
  }
  // Messages up to and including the response with `id`; notifications and requests of
  // the engine before it are kept in Seen(). The response, or an empty object.
  QJsonObject ResponseTo(int id) {
    for (QJsonObject message = Next(); !message.isEmpty(); message = Next()) {
      if (!message.contains("method") && message.value("id").toInt(-1) == id) return message;
      seen_.push_back(message);
    }
    ADD_FAILURE() << "no response to call " << id;
    return {};
  }
  // The error code of the response to `id` (0 when it is a result).
  int ErrorCodeOf(int id) {
    const QJsonObject response = ResponseTo(id);
    return response.value("error").toObject().value("code").toInt(0);
  }

  // Waits for the process's end; true once it has ended (also when it had already).
  bool Ended() {
    return process_.state() == QProcess::NotRunning || process_.waitForFinished(kRawWaitMs);
  }

  std::vector<QJsonObject>& Seen() { return seen_; }
  QProcess& Process() { return process_; }

private:
  bool Read(int timeout_ms) {
    if (!process_.canReadLine() && !process_.waitForReadyRead(timeout_ms)) return false;
    while (process_.canReadLine()) {
      const QByteArray line = process_.readLine().trimmed();
      if (line.isEmpty()) continue;
      QJsonParseError error;
      const QJsonDocument document = QJsonDocument::fromJson(line, &error);
      EXPECT_TRUE(document.isObject()) << "engine wrote a line that is no JSON object: "
                                       << line.left(200).toStdString();
      messages_.push_back(document.object());
    }
    return true;
  }

  QProcess process_;
  std::deque<QJsonObject> messages_;
  std::vector<QJsonObject> seen_;
};

}  // namespace tester
