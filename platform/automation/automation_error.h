#pragma once
// A call on an engine that did not come back with a result: the engine answered with an
// error (the member failed inside the engine, or refused the call), did not answer in
// time, or is gone. Thrown by the client's typed calls; the controller catches it at the
// call and turns it into its message or a failed completion of the station. Qt-free.
#include <string>

#include "common/component_error.h"

namespace tester {

class AutomationError : public ComponentError {
public:
  // `code`: the JSON-RPC error code (rpc_message.h: kRpcCallFailed when the member failed
  // inside the engine, kRpcTimedOut, kRpcConnectionLost, or a protocol error).
  AutomationError(int code, const std::string& description)
      : ComponentError(description), code_(code) {}
  int code() const { return code_; }

private:
  int code_;
};

}  // namespace tester
