#pragma once
// The serial-number source of a jig. Its persistence and counting rule are its own; callers
// rely only on SetStart followed by NextSerial giving the numbers they hand out.
#include <cstdint>
#include <string>

namespace tester {

class SerialCounter {
public:
  virtual ~SerialCounter() = default;

  // Seeds the counter: `n` is the next number to hand out.
  virtual void SetStart(int32_t n) = 0;
  // Hands out the next number in `n` (the value passed in is a proposal the counter may
  // ignore; the controller passes 0 and uses what comes back unchanged). A counter that
  // cannot hand out a number (its store failed) throws ComponentError and leaves `n` as it was.
  virtual void NextSerial(int32_t& n) = 0;
  // Empty when the counter's configuration is sound, else what is wrong with it.
  virtual std::string SerialConfigError() = 0;
};

}  // namespace tester
