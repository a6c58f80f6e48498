#include "components/cli/serials_cli.h"

#include <charconv>
#include <iomanip>

namespace tester {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitCannotStart = 2;
constexpr int kMaxLatest = 10000;

std::optional<int64_t> WholeNumber(const std::string& text) {
  int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

void PrintSummary(const SerialSummary& s, std::ostream& out) {
  out << "Range: " << s.range.first << " to " << s.range.last << "\n";
  if (s.next > s.range.last) {
    out << "Next: none (" << s.next << " is beyond the range)\n";
  } else {
    const bool fresh = !s.seeded && s.issued + s.written + s.voided == 0;
    out << "Next: " << s.next
        << (fresh ? " (not started yet: the first run's station file seeds it)" : "") << "\n";
  }
  out << "Issued: " << s.issued << " without a fate yet, " << s.written << " written, "
      << s.voided << " void\n";
  if (s.latest.empty()) return;
  out << "\nLast " << s.latest.size() << " number(s), newest first:\n";
  out << std::left << std::setw(12) << "serial" << std::setw(9) << "fate" << std::setw(16)
      << "station" << std::setw(31) << "issued at" << "run\n";
  for (const SerialEntry& e : s.latest) {
    out << std::left << std::setw(12) << e.serial << std::setw(9) << SerialFateText(e.fate)
        << std::setw(16) << (e.station.empty() ? "-" : e.station) << std::setw(31)
        << e.issued_at << (e.run.empty() ? "-" : e.run) << "\n";
  }
}

}  // namespace

std::optional<SerialsArgs> MakeSerialsArgs(const std::string& first, const std::string& last,
                                           const std::string& latest, std::string& error) {
  SerialsArgs args;
  const auto take = [&](const std::string& text, const char* name,
                        std::optional<int64_t>& into) {
    if (text.empty()) return true;
    into = WholeNumber(text);
    if (!into) error = std::string(name) + " " + text + ": expects a whole number";
    return into.has_value();
  };
  if (!take(first, "--first", args.first) || !take(last, "--last", args.last)) {
    return std::nullopt;
  }
  if (!latest.empty()) {
    const std::optional<int64_t> count = WholeNumber(latest);
    if (!count || *count < 0 || *count > kMaxLatest) {
      error = "--latest " + latest + ": expects a whole number from 0 to " +
              std::to_string(kMaxLatest);
      return std::nullopt;
    }
    args.latest = static_cast<int>(*count);
  }
  return args;
}

int RunSerialsVerb(SerialStore& counter, const std::string& app_folder, const SerialsArgs& args,
                   std::ostream& out, std::ostream& err) {
  std::string error;
  std::optional<SerialSummary> summary = counter.Summary(args.latest, error);
  if (!summary) {
    err << "gangwright: " << error << "\n";
    return kExitCannotStart;
  }
  if (args.first || args.last) {
    const SerialRange range{args.first.value_or(summary->range.first),
                            args.last.value_or(summary->range.last)};
    const std::string refused = counter.SetRange(range);
    if (!refused.empty()) {
      err << "gangwright: range not changed: " << refused << "\n";
      return kExitCannotStart;
    }
    summary = counter.Summary(args.latest, error);
    if (!summary) {
      err << "gangwright: " << error << "\n";
      return kExitCannotStart;
    }
  }
  out << "Serial counter of " << app_folder << "\n";
  const std::string problem = counter.SerialConfigError();
  out << "Configuration: " << (problem.empty() ? "sound" : problem) << "\n";
  PrintSummary(*summary, out);
  return kExitOk;
}

}  // namespace tester
