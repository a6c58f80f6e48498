#pragma once
// The serial-number source of a jig. Its persistence and counting rule are its own; callers
// rely only on SetStart followed by NextSerial giving the numbers they hand out.
//
// Beyond handing out numbers the counter keeps what became of each one (its fate): issued
// when NextSerial hands it out, then written (the run's completion carried it: the number is
// in a pack) or void (the run ended before writing it). A number keeps its place in the range
// whatever its fate: a void number is never handed out again either.

#include <cstdint>
#include <string>
#include <string_view>

namespace tester {

enum class SerialFate { kIssued, kWritten, kVoid };

// "issued", "written", "void".
constexpr std::string_view SerialFateText(SerialFate fate) {
  switch (fate) {
    case SerialFate::kIssued: return "issued";
    case SerialFate::kWritten: return "written";
    case SerialFate::kVoid: return "void";
  }
  return "issued";
}

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

  // Whom the following NextSerial calls hand their numbers to: the station's name and the
  // run (for example its start time). Kept with each number issued; holds until changed.
  virtual void SetRequester(const std::string& station, const std::string& run) = 0;

  // Records the fate of number `n` handed out earlier (kWritten or kVoid). Returns an error
  // text, empty = success.
  virtual std::string RecordFate(int32_t n, SerialFate fate) = 0;
};

}  // namespace tester
