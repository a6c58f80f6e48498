#include "common/run_record.h"

#include <array>
#include <utility>

namespace tester {
namespace {

constexpr std::array<std::pair<RunOutcome, std::string_view>, 4> kOutcomes{{
    {RunOutcome::kPass, "PASS"},
    {RunOutcome::kFail, "FAIL"},
    {RunOutcome::kError, "ERROR"},
    {RunOutcome::kAborted, "ABORTED"},
}};

}  // namespace

std::string_view OutcomeText(RunOutcome outcome) {
  for (const auto& [value, text] : kOutcomes) {
    if (value == outcome) return text;
  }
  return "ABORTED";
}

std::optional<RunOutcome> OutcomeFromText(std::string_view text) {
  for (const auto& [value, name] : kOutcomes) {
    if (name == text) return value;
  }
  return std::nullopt;
}

}  // namespace tester
