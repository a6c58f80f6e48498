#pragma once
// The controller's handle to one engine process: starts the engine for a ProgID and calls
// its members across the process boundary. Qt-free header; the calls wait by serving the
// Qt event loop, so events of this and other engines, timers and the engine's requests are
// handled meanwhile (a QCoreApplication must exist).
//
// Failures: a call that gets no result throws AutomationError (automation_error.h) with
// the error's code and text: the member failed inside the engine (kRpcCallFailed), the
// engine refused the call (a protocol code), did not answer in time (kRpcTimedOut: the
// engine is then ended, as it cannot be trusted any more) or is gone (kRpcConnectionLost).
// Once the engine is gone every later call throws at once; the events interface hears
// EngineEnded once. Quit on an engine already gone does not throw.
#include <memory>
#include <string>
#include <vector>

#include "common/automation_contract.h"
#include "platform/automation/automation_error.h"

namespace tester {

// The argument that makes an engine serve the automation protocol.
inline constexpr const char* kAutomationArgument = "--automation";

// What an engine tells its controller: the object's events, plus EngineEnded for an
// engine that is gone. The events carry what the engine sent: a CurrentStatus without the
// lights' status gives 0, a Completed without a record (or with one that cannot be read)
// gives the record made of the five values only, outcome by the codes.
class SingleSiteClientEvents : public SingleSiteEvents {
public:
  // The engine process ended, crashed, stopped answering (a call timed out: it has been
  // ended) or broke the protocol; `reason` says which. Raised once, never after Quit. A
  // run it had in progress will not complete: the controller reports the station failed.
  virtual void EngineEnded(const std::string& reason) = 0;
};

struct EngineStart {
  std::string prog_id = kSingleSiteProgId;  // maps to the engine beside this program
  std::string executable;                   // explicit path instead (tests)
  std::vector<std::string> environment;     // extra "NAME=value" entries
};

struct EngineTimeouts {
  int call_ms = 60000;     // every member but a synchronous run
  int run_ms = 3600000;    // Execute(true): a whole test run
  int quit_ms = 5000;      // Quit, and then the process's end
};

class SingleSiteClient final : public SingleSiteMembers {
public:
  // Starts the engine; throws AutomationError when the ProgID is unknown or the process
  // cannot be started. `events` (may be null: events are dropped, a serial-number request
  // keeps the engine's proposal) outlives the client.
  SingleSiteClient(const EngineStart& start, SingleSiteClientEvents* events);
  // Ends an engine still running (its stdin is closed; killed if it does not end soon).
  ~SingleSiteClient() override;
  SingleSiteClient(const SingleSiteClient&) = delete;
  SingleSiteClient& operator=(const SingleSiteClient&) = delete;

  // The engine executable a ProgID stands for: "PolytrakS.SingleSite" -> `ardentis` in
  // the folder of the running program. Empty for an unknown ProgID.
  static std::string ExecutableForProgId(const std::string& prog_id);

  void SetTimeouts(const EngineTimeouts& timeouts);
  bool EngineRunning() const;
  long long ProcessId() const;

  int32_t AttachLinkpod(std::string& sLinkpodID) override;
  int32_t DetachLinkpod(const std::string& sLinkpodName) override;
  int32_t Execute(std::optional<bool> bWaitTillComplete) override;
  void SetIniFile(const std::string& sIniFileToUse) override;
  int32_t InitCacheFromSetup() override;
  std::string SetupMessage() override;  // from the last InitCacheFromSetup's answer
  std::string UpdateVTIConfig(int32_t nV, int32_t nV2, int32_t nV3, int32_t nV4, float nT,
                              float nIT, float nET, int32_t nI) override;
  int32_t CBFlashLEDs(bool bFlash) override;
  int32_t CBReadTemperature(bool bInternal, int16_t& nTempx10) override;
  int32_t SetTemperatureForCalibration(int16_t nTempx10) override;
  void Quit() override;
  std::string VersionSS() override;
  bool m_bCalEnabled() override;
  void set_m_bCalEnabled(bool value) override;
  int32_t SetToMonowireMode(int16_t nMonowireMode) override;

private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tester
