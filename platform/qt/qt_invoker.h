#pragma once
// The invoker timer on the Qt event loop: a single-shot timer that calls once the loop
// runs again after the interval (also from inside a nested wait).
#include <functional>

#include "platform/invoker.h"

namespace tester {

class QtInvoker final : public Invoker {
public:
  void InvokeAfterMs(int ms, std::function<void()> call) override;
};

}  // namespace tester
