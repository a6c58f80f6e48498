#include "engine/standalone_serial.h"

#include <limits>
#include <utility>

#include "engine/serial_fate.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace tester {
namespace {

// The start after `last`, never beyond the largest start the file keeps.
int32_t CappedNextStart(int32_t last) {
  return last >= kSerialStartMax ? kSerialStartMax : last + 1;
}

int32_t SaturatingNext(int32_t last) {
  return last == std::numeric_limits<int32_t>::max() ? last : last + 1;
}

}  // namespace

StandaloneSerial::StandaloneSerial(SerialCounter& counter, std::string settings_file,
                                   bool runs_standalone)
    : counter_(counter),
      settings_file_(NativePath(std::move(settings_file))),
      runs_standalone_(runs_standalone) {}

// Seeded only once SetStart has returned, so a failed seeding is tried again.
void StandaloneSerial::ExposedClass_RequestSerialNo(int32_t& nSerial) {
  if (!bSerialSeeded) {
    counter_.SetStart(nSerial);
    bSerialSeeded = true;
  }
  int32_t handed_out = nSerial;
  counter_.NextSerial(handed_out);
  nSerial = handed_out;
  nLastSerial = handed_out;
  unsettled_.push_back(handed_out);
}

std::string StandaloneSerial::RecordCompletion(const CompletionReport* report) {
  std::string errors;
  for (const int32_t n : unsettled_) {
    const SerialFate fate = report != nullptr ? FateOf(n, *report) : SerialFate::kVoid;
    const std::string error = counter_.RecordFate(n, fate);
    if (!error.empty()) errors += (errors.empty() ? "" : "\n") + error;
  }
  unsettled_.clear();
  return errors;
}

// A hand-edited "0", a negative number or text would make the last number handed out
// negative (or overflow it), and the counter would start at a number that is no serial
// number; such a value is ignored like a missing key.
int32_t StandaloneSerial::ReadSerialStart() {
  if (!runs_standalone_) return SaturatingNext(nLastSerial);
  const int32_t candidate = CappedNextStart(nLastSerial);
  int32_t start = profile::ReadInt(settings_file_, kSerialStartSection, kSerialStartKey,
                                   candidate);
  if (start <= 0) start = candidate;
  nLastSerial = start - 1;
  return start;
}

bool StandaloneSerial::SaveSerialStart() {
  if (nLastSerial == 0 || !runs_standalone_) return true;
  nLastSerial = CappedNextStart(nLastSerial);
  return profile::WriteString(settings_file_, kSerialStartSection, kSerialStartKey,
                              std::to_string(nLastSerial));
}

void StandaloneSerial::SetCounterFromSavedStart() { counter_.SetStart(ReadSerialStart()); }

}  // namespace tester
