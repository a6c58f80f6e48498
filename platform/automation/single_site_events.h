#pragma once
// What an engine tells its controller, as calls on the controller's side: the engine
// object's four events, plus EngineEnded for an engine that is gone. Qt-free.
#include <cstdint>
#include <string>

namespace tester {

class SingleSiteEvents {
public:
  virtual ~SingleSiteEvents() = default;
  virtual void CurrentStatus(const std::string& sStatus) = 0;
  // The engine proposes `nSerial`; the answer written into it is the number the engine
  // writes into the gauge. Throwing (e.g. ComponentError from the serial counter) answers
  // the engine with an error: its run then writes no number.
  virtual void RequestSerialNo(int32_t& nSerial) = 0;
  virtual void Completed(const std::string& sSerial, int32_t nErrCode, int32_t nExtErrCode,
                         const std::string& sLogFile, const std::string& sCustomLogStr) = 0;
  virtual void SetWindowTitle(const std::string& sTitle) = 0;
  // The engine process ended, crashed, stopped answering (a call timed out: it has been
  // ended) or broke the protocol; `reason` says which. Raised once, never after Quit. A
  // run it had in progress will not complete: the controller reports the station failed.
  virtual void EngineEnded(const std::string& reason) = 0;
};

}  // namespace tester
