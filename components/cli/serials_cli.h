#pragma once
// `gangwright serials [--first N] [--last M] [--latest K]`: the application folder's serial
// counter for engineers: its range, the next number, how many numbers are issued (no fate
// yet), written and void, and the last K numbers (default 10) with their fate, station,
// run and times. --first / --last set the range first (the other end stays); a range the
// counter refuses is said and nothing changes.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "components/serial_store.h"

namespace tester {

inline constexpr int kDefaultLatestSerials = 10;

struct SerialsArgs {
  std::optional<int64_t> first;
  std::optional<int64_t> last;
  int latest = kDefaultLatestSerials;
};

// The option values as given (empty = not given); nullopt and `error` when a value is not
// a whole number (--latest: 0 to 10000).
std::optional<SerialsArgs> MakeSerialsArgs(const std::string& first, const std::string& last,
                                           const std::string& latest, std::string& error);

// Exit status: 0 shown (the counter's configuration may still be unsound: it is said), 2 a
// new range was refused (nothing changed) or the counter's database cannot be read.
int RunSerialsVerb(SerialStore& counter, const std::string& app_folder, const SerialsArgs& args,
                   std::ostream& out, std::ostream& err);

}  // namespace tester
