#pragma once
// The engine's side of the automation connection: serves a table of methods on the
// process's stdin/stdout, raises the engine's events as notifications and asks the
// controller for serial numbers. stderr stays free for diagnostics; anything the engine
// prints to stdout by mistake is sent to stderr too, so it cannot break the protocol.
//
// When stdin closes (the controller is gone) the current call finishes (its events and its
// answer go nowhere; a serial-number request fails at once) and Run returns.
#include <QString>
#include <cstdint>
#include <memory>
#include <string>

#include "common/automation_contract.h"
#include "platform/automation/rpc_endpoint.h"

class QEventLoop;

namespace tester {

// How long the engine waits for the controller's serial number.
inline constexpr int kRequestSerialNoTimeoutMs = 60000;

class AutomationServer final : public SingleSiteEvents {
public:
  // Serves on this process's stdin and stdout. nullptr (and `error`) when the descriptors
  // cannot be set up. Needs a QCoreApplication.
  static std::unique_ptr<AutomationServer> OnStdio(std::string& error);
  // Serves on any transport (tests).
  explicit AutomationServer(std::unique_ptr<RpcTransport> transport);
  ~AutomationServer() override;

  // The method table: add handlers before Run.
  void SetMethod(const QString& name, RpcEndpoint::MethodHandler handler);
  RpcEndpoint& Endpoint() { return endpoint_; }

  // The events as notifications; dropped when the controller is gone. CurrentStatus
  // carries the lights' status as "nStatus", Completed the run's record as "record", each
  // beside the event's own parameters (a controller that ignores them still works).
  void CurrentStatus(const std::string& sStatus, int32_t nStatus) override;
  void Completed(const CompletionReport& report, const RunRecord& record) override;
  void SetWindowTitle(const std::string& sTitle) override;
  // Asks the controller for the serial number, serving events while waiting; its answer
  // goes into `nSerial`. No answer (error, time-out, controller gone, an answer that is not
  // a 32-bit number) throws ComponentError saying why, `nSerial` unchanged.
  void RequestSerialNo(int32_t& nSerial) override;
  void SetRequestTimeoutMs(int ms) { request_timeout_ms_ = ms; }

  // Serves calls until stdin closes or Stop; returns 0 then.
  int Run();
  // Ends Run once the current call has been answered (the Quit member's handler uses it).
  void Stop();
  bool ClientGone() const { return !endpoint_.IsOpen(); }

private:
  void Ended();

  RpcEndpoint endpoint_;
  int request_timeout_ms_ = kRequestSerialNoTimeoutMs;
  bool stopped_ = false;
  QEventLoop* run_loop_ = nullptr;
};

}  // namespace tester
