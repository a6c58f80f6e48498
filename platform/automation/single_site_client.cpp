#include "platform/automation/single_site_client.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonObject>
#include <QProcess>
#include <QTimer>
#include <cmath>
#include <iostream>
#include <optional>

#include "platform/automation/process_transport.h"
#include "platform/automation/rpc_endpoint.h"
#include "platform/automation/rpc_params.h"
#include "platform/automation/run_record_json.h"

namespace tester {
namespace {

constexpr const char* kEngineProgram = "ardentis";  // the engine executable's name
constexpr int kEndGraceMs = 1000;  // an engine left running at destruction: time to go

QString Text(const std::string& text) { return QString::fromStdString(text); }

// The run's record the engine sent with its completion; without one (an older engine), or
// with one that cannot be read, the record of the five values alone.
RunRecord RecordOf(const CompletionReport& report, const QJsonObject& params) {
  std::string error;
  if (params.value("record").isObject()) {
    if (std::optional<RunRecord> record =
            RunRecordFromJson(params.value("record").toObject(), error)) {
      return *record;
    }
    std::cerr << "automation client: the completion's record cannot be read: " << error << "\n";
  }
  RunRecord record;
  record.completed = true;
  record.serial = report.sSerial;
  record.err_code = report.nErrCode;
  record.ext_err_code = report.nExtErrCode;
  record.outcome = report.nErrCode == 0 ? RunOutcome::kPass : RunOutcome::kFail;
  return record;
}

}  // namespace

class SingleSiteClient::Impl {
public:
  Impl(const EngineStart& start, SingleSiteClientEvents* events);
  ~Impl();

  // Calls `method`; the result object, or AutomationError.
  QJsonObject Call(const char* method, const QJsonObject& params, int timeout_ms);
  // Reads the members of a result with `read`; a malformed answer throws.
  template <typename Read>
  auto Answer(const char* method, const QJsonObject& result, Read read);
  void Quit();

  EngineTimeouts timeouts;
  QProcess process;
  std::string setup_message;  // "message" of the last InitCacheFromSetup

private:
  void ServeEvents();
  void Notified(const QString& method, const QJsonObject& params);
  RpcResult SerialNumberWanted(const QJsonObject& params);
  void EndEngine(const QString& reason);
  void Closed(const QString& reason);
  void WaitForEnd(int timeout_ms);

  SingleSiteClientEvents* events_;
  std::unique_ptr<RpcEndpoint> endpoint_;
  bool quitting_ = false;
  bool ended_reported_ = false;
};

SingleSiteClient::Impl::Impl(const EngineStart& start, SingleSiteClientEvents* events)
    : events_(events) {
  const std::string program =
      start.executable.empty() ? ExecutableForProgId(start.prog_id) : start.executable;
  if (program.empty()) {
    throw AutomationError(kRpcConnectionLost, "no engine is known for ProgID " + start.prog_id);
  }
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const std::string& entry : start.environment) {
    const size_t equals = entry.find('=');
    if (equals == std::string::npos) continue;
    environment.insert(Text(entry.substr(0, equals)), Text(entry.substr(equals + 1)));
  }
  process.setProcessEnvironment(environment);
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);  // engine diagnostics
  process.start(Text(program), {kAutomationArgument});
  if (!process.waitForStarted(timeouts.call_ms)) {
    throw AutomationError(kRpcConnectionLost, "cannot start engine " + program + ": " +
                                                  process.errorString().toStdString());
  }
  endpoint_ = std::make_unique<RpcEndpoint>(std::make_unique<ProcessTransport>(process));
  ServeEvents();
  endpoint_->Start();
}

SingleSiteClient::Impl::~Impl() {
  endpoint_->SetClosedHandler(nullptr);
  endpoint_->SetNotificationHandler(nullptr);
  endpoint_.reset();
  if (process.state() == QProcess::NotRunning) return;
  process.closeWriteChannel();  // an engine whose stdin closes ends after its current call
  if (!process.waitForFinished(kEndGraceMs)) {
    process.kill();
    process.waitForFinished(kEndGraceMs);
  }
}

void SingleSiteClient::Impl::ServeEvents() {
  endpoint_->SetNotificationHandler(
      [this](const QString& method, const QJsonObject& params) { Notified(method, params); });
  endpoint_->SetMethod("RequestSerialNo",
                       [this](const QJsonObject& params) { return SerialNumberWanted(params); });
  endpoint_->SetClosedHandler([this](const QString& reason) { Closed(reason); });
}

// An event the engine cannot have meant (a parameter missing or mistyped) leaves the
// controller unable to track the station: the engine is ended and reported, rather than a
// completion being lost and the station waited for forever.
void SingleSiteClient::Impl::Notified(const QString& method, const QJsonObject& params) {
  RpcParams p(params);
  if (method == "CurrentStatus") {
    const std::string status = p.String("sStatus");
    const int32_t lights = params.contains("nStatus") ? p.Int32("nStatus") : 0;
    if (p.ok() && events_ != nullptr) events_->CurrentStatus(status, lights);
  } else if (method == "Completed") {
    CompletionReport report;
    report.sSerial = p.String("sSerial");
    report.nErrCode = p.Int32("nErrCode");
    report.nExtErrCode = p.Int32("nExtErrCode");
    report.sLogFile = p.String("sLogFile");
    report.sCustomLogStr = p.String("sCustomLogStr");
    if (p.ok() && events_ != nullptr) events_->Completed(report, RecordOf(report, params));
  } else if (method == "SetWindowTitle") {
    const std::string title = p.String("sTitle");
    if (p.ok() && events_ != nullptr) events_->SetWindowTitle(title);
  }
  if (!p.ok()) {
    EndEngine("engine sent a malformed " + method + " event: " + p.Error().error.message);
  }
}

RpcResult SingleSiteClient::Impl::SerialNumberWanted(const QJsonObject& params) {
  RpcParams p(params);
  int32_t serial = p.Int32("nSerial");
  if (!p.ok()) return p.Error();
  if (events_ != nullptr) events_->RequestSerialNo(serial);  // a throw answers with an error
  return RpcResult::Value(QJsonObject{{"nSerial", serial}});
}

void SingleSiteClient::Impl::EndEngine(const QString& reason) { endpoint_->Close(reason); }

void SingleSiteClient::Impl::Closed(const QString& reason) {
  if (process.state() != QProcess::NotRunning && !quitting_) {
    process.kill();  // an engine we no longer talk to must not go on driving its station
    process.waitForFinished(kEndGraceMs);
  }
  if (quitting_ || ended_reported_) return;
  ended_reported_ = true;
  if (events_ != nullptr) events_->EngineEnded(reason.toStdString());
}

QJsonObject SingleSiteClient::Impl::Call(const char* method, const QJsonObject& params,
                                         int timeout_ms) {
  if (!endpoint_->IsOpen()) {
    throw AutomationError(kRpcConnectionLost, std::string(method) + ": the engine is gone (" +
                                                  endpoint_->CloseReason().toStdString() + ")");
  }
  const RpcResult result = endpoint_->Call(method, params, timeout_ms);
  if (result.ok && result.value.isObject()) return result.value.toObject();
  const int code = result.ok ? kRpcInternalError : result.error.code;
  const QString text = result.ok ? QString("the engine's answer is not an object")
                                 : result.error.message;
  if (code == kRpcTimedOut) EndEngine("engine stopped answering: " + text);
  throw AutomationError(code, std::string(method) + ": " + text.toStdString());
}

template <typename Read>
auto SingleSiteClient::Impl::Answer(const char* method, const QJsonObject& result, Read read) {
  RpcParams p(result);
  auto value = read(p);
  if (!p.ok()) {
    throw AutomationError(kRpcInternalError, std::string(method) + ": malformed answer, " +
                                                 p.Error().error.message.toStdString());
  }
  return value;
}

void SingleSiteClient::Impl::Quit() {
  if (!endpoint_->IsOpen()) return;  // nothing left to quit
  quitting_ = true;
  const RpcResult result = endpoint_->Call("Quit", {}, timeouts.quit_ms);
  WaitForEnd(timeouts.quit_ms);
  if (!result.ok && result.error.code != kRpcConnectionLost) {
    throw AutomationError(result.error.code, "Quit: " + result.error.message.toStdString());
  }
}

// Closes the engine's stdin and waits, serving events, for the process to end; kills it
// when it has not ended in time.
void SingleSiteClient::Impl::WaitForEnd(int timeout_ms) {
  if (process.state() == QProcess::NotRunning) return;
  process.closeWriteChannel();
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
  timer.start(timeout_ms);
  if (process.state() != QProcess::NotRunning) loop.exec();
  if (process.state() != QProcess::NotRunning) {
    process.kill();
    process.waitForFinished(kEndGraceMs);
  }
  endpoint_->Close("the engine quit");
}

// --- SingleSiteClient ------------------------------------------------------------------

SingleSiteClient::SingleSiteClient(const EngineStart& start, SingleSiteClientEvents* events)
    : impl_(std::make_unique<Impl>(start, events)) {}

SingleSiteClient::~SingleSiteClient() = default;

std::string SingleSiteClient::ExecutableForProgId(const std::string& prog_id) {
  if (QString::compare(Text(prog_id), kSingleSiteProgId, Qt::CaseInsensitive) != 0) return {};
  return (QCoreApplication::applicationDirPath() + "/" + kEngineProgram).toStdString();
}

void SingleSiteClient::SetTimeouts(const EngineTimeouts& timeouts) { impl_->timeouts = timeouts; }

bool SingleSiteClient::EngineRunning() const {
  return impl_->process.state() != QProcess::NotRunning;
}

long long SingleSiteClient::ProcessId() const { return impl_->process.processId(); }

int32_t SingleSiteClient::AttachLinkpod(std::string& sLinkpodID) {
  const char* method = "AttachLinkpod";
  const QJsonObject result =
      impl_->Call(method, {{"sLinkpodID", Text(sLinkpodID)}}, impl_->timeouts.call_ms);
  return impl_->Answer(method, result, [&](RpcParams& p) {
    const int32_t value = p.Int32("value");
    const std::string id = p.String("sLinkpodID");
    if (p.ok()) sLinkpodID = id;
    return value;
  });
}

int32_t SingleSiteClient::DetachLinkpod(const std::string& sLinkpodName) {
  const char* method = "DetachLinkpod";
  const QJsonObject result =
      impl_->Call(method, {{"sLinkpodName", Text(sLinkpodName)}}, impl_->timeouts.call_ms);
  return impl_->Answer(method, result, [](RpcParams& p) { return p.Int32("value"); });
}

int32_t SingleSiteClient::Execute(std::optional<bool> bWaitTillComplete) {
  const char* method = "Execute";
  const QJsonValue wait = bWaitTillComplete ? QJsonValue(*bWaitTillComplete) : QJsonValue();
  const int timeout = bWaitTillComplete.value_or(false) ? impl_->timeouts.run_ms
                                                        : impl_->timeouts.call_ms;
  const QJsonObject result = impl_->Call(method, {{"bWaitTillComplete", wait}}, timeout);
  return impl_->Answer(method, result, [](RpcParams& p) { return p.Int32("value"); });
}

void SingleSiteClient::SetIniFile(const std::string& sIniFileToUse) {
  impl_->Call("SetIniFile", {{"sIniFileToUse", Text(sIniFileToUse)}}, impl_->timeouts.call_ms);
}

int32_t SingleSiteClient::InitCacheFromSetup() {
  const char* method = "InitCacheFromSetup";
  impl_->setup_message.clear();
  const QJsonObject result = impl_->Call(method, {}, impl_->timeouts.call_ms);
  const int32_t status =
      impl_->Answer(method, result, [](RpcParams& p) { return p.Int32("value"); });
  impl_->setup_message = result.value("message").toString().toStdString();
  return status;
}

std::string SingleSiteClient::SetupMessage() { return impl_->setup_message; }

std::string SingleSiteClient::UpdateVTIConfig(int32_t nV, int32_t nV2, int32_t nV3, int32_t nV4,
                                              float nT, float nIT, float nET, int32_t nI) {
  const char* method = "UpdateVTIConfig";
  if (!std::isfinite(nT) || !std::isfinite(nIT) || !std::isfinite(nET)) {
    // JSON has no form for them; refused here rather than sent as null.
    throw AutomationError(kRpcInvalidParams, "UpdateVTIConfig: temperatures must be finite");
  }
  const QJsonObject params{{"nV", nV}, {"nV2", nV2}, {"nV3", nV3}, {"nV4", nV4},
                           {"nT", nT}, {"nIT", nIT}, {"nET", nET}, {"nI", nI}};
  const QJsonObject result = impl_->Call(method, params, impl_->timeouts.call_ms);
  return impl_->Answer(method, result, [](RpcParams& p) { return p.String("value"); });
}

int32_t SingleSiteClient::CBFlashLEDs(bool bFlash) {
  const char* method = "CBFlashLEDs";
  const QJsonObject result = impl_->Call(method, {{"bFlash", bFlash}}, impl_->timeouts.call_ms);
  return impl_->Answer(method, result, [](RpcParams& p) { return p.Int32("value"); });
}

int32_t SingleSiteClient::CBReadTemperature(bool bInternal, int16_t& nTempx10) {
  const char* method = "CBReadTemperature";
  const QJsonObject result = impl_->Call(
      method, {{"bInternal", bInternal}, {"nTempx10", nTempx10}}, impl_->timeouts.call_ms);
  return impl_->Answer(method, result, [&](RpcParams& p) {
    const int32_t value = p.Int32("value");
    const int16_t tenths = p.Int16("nTempx10");
    if (p.ok()) nTempx10 = tenths;
    return value;
  });
}

int32_t SingleSiteClient::SetTemperatureForCalibration(int16_t nTempx10) {
  const char* method = "SetTemperatureForCalibration";
  const QJsonObject result =
      impl_->Call(method, {{"nTempx10", nTempx10}}, impl_->timeouts.call_ms);
  return impl_->Answer(method, result, [](RpcParams& p) { return p.Int32("value"); });
}

void SingleSiteClient::Quit() { impl_->Quit(); }

std::string SingleSiteClient::VersionSS() {
  const char* method = "VersionSS";
  const QJsonObject result = impl_->Call(method, {}, impl_->timeouts.call_ms);
  return impl_->Answer(method, result, [](RpcParams& p) { return p.String("value"); });
}

bool SingleSiteClient::m_bCalEnabled() {
  const char* method = "get_m_bCalEnabled";
  const QJsonObject result = impl_->Call(method, {}, impl_->timeouts.call_ms);
  return impl_->Answer(method, result, [](RpcParams& p) { return p.Bool("value"); });
}

void SingleSiteClient::set_m_bCalEnabled(bool value) {
  impl_->Call("put_m_bCalEnabled", {{"m_bCalEnabled", value}}, impl_->timeouts.call_ms);
}

int32_t SingleSiteClient::SetToMonowireMode(int16_t nMonowireMode) {
  const char* method = "SetToMonowireMode";
  const QJsonObject result =
      impl_->Call(method, {{"nMonowireMode", nMonowireMode}}, impl_->timeouts.call_ms);
  return impl_->Answer(method, result, [](RpcParams& p) { return p.Int32("value"); });
}

}  // namespace tester
