#include "platform/automation/automation_server.h"

#include <fcntl.h>
#include <unistd.h>

#include <QEventLoop>
#include <QJsonObject>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <limits>

#include "common/component_error.h"
#include "platform/automation/fd_transport.h"
#include "platform/automation/run_record_json.h"

namespace tester {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

std::unique_ptr<AutomationServer> AutomationServer::OnStdio(std::string& error) {
  std::cout.flush();
  std::fflush(stdout);
  // The protocol gets its own copies of the descriptors; descriptor 1 then points to
  // stderr, so stray output of the engine lands with the diagnostics.
  const int in = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
  const int out = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (in < 0 || out < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    error = std::string("cannot set up stdin/stdout: ") + std::strerror(errno);
    if (in >= 0) close(in);
    if (out >= 0) close(out);
    return nullptr;
  }
  return std::make_unique<AutomationServer>(std::make_unique<FdTransport>(in, out, true));
}

AutomationServer::AutomationServer(std::unique_ptr<RpcTransport> transport)
    : endpoint_(std::move(transport)) {
  endpoint_.SetClosedHandler([this](const QString&) { Ended(); });
  endpoint_.Start();
}

AutomationServer::~AutomationServer() { endpoint_.SetClosedHandler(nullptr); }

void AutomationServer::SetMethod(const QString& name, RpcEndpoint::MethodHandler handler) {
  endpoint_.SetMethod(name, std::move(handler));
}

void AutomationServer::CurrentStatus(const std::string& sStatus, int32_t nStatus) {
  endpoint_.Notify("CurrentStatus", {{"sStatus", Text(sStatus)}, {"nStatus", nStatus}});
}

void AutomationServer::Completed(const CompletionReport& report, const RunRecord& record) {
  endpoint_.Notify("Completed", {{"sSerial", Text(report.sSerial)},
                                 {"nErrCode", report.nErrCode},
                                 {"nExtErrCode", report.nExtErrCode},
                                 {"sLogFile", Text(report.sLogFile)},
                                 {"sCustomLogStr", Text(report.sCustomLogStr)},
                                 {"record", RunRecordToJson(record)}});
}

void AutomationServer::SetWindowTitle(const std::string& sTitle) {
  endpoint_.Notify("SetWindowTitle", {{"sTitle", Text(sTitle)}});
}

void AutomationServer::RequestSerialNo(int32_t& nSerial) {
  const RpcResult result =
      endpoint_.Call("RequestSerialNo", {{"nSerial", nSerial}}, request_timeout_ms_);
  if (!result.ok) {
    throw ComponentError("RequestSerialNo failed: " + result.error.message.toStdString());
  }
  const QJsonValue answer = result.value.toObject().value("nSerial");
  const double number = answer.toDouble();
  if (!answer.isDouble() || !std::isfinite(number) || std::trunc(number) != number ||
      number < std::numeric_limits<int32_t>::min() ||
      number > std::numeric_limits<int32_t>::max()) {
    throw ComponentError("RequestSerialNo failed: the answer holds no 32-bit nSerial");
  }
  nSerial = static_cast<int32_t>(number);
}

int AutomationServer::Run() {
  if (stopped_ || ClientGone()) return 0;
  QEventLoop loop;
  run_loop_ = &loop;
  loop.exec();
  run_loop_ = nullptr;
  return 0;
}

void AutomationServer::Stop() {
  stopped_ = true;
  // The loop returns once the call being handled now has returned and been answered.
  if (run_loop_ != nullptr) run_loop_->quit();
}

void AutomationServer::Ended() {
  if (run_loop_ != nullptr) run_loop_->quit();
}

}  // namespace tester
