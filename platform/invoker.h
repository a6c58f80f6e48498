#pragma once
// Calls a function once, shortly, from the event loop: the engine's invoker timer, which
// lets Execute(False) return before the run starts. The window's loop (Qt) and the
// virtual clock each provide one.
#include <functional>

namespace tester {

class Invoker {
public:
  virtual ~Invoker() = default;
  // Runs `call` once from the event loop after about `ms` milliseconds.
  virtual void InvokeAfterMs(int ms, std::function<void()> call) = 0;
};

}  // namespace tester
