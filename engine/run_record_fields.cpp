#include "engine/run_record_fields.h"

#include <filesystem>

#include "common/automation_contract.h"
#include "common/status_codes.h"

namespace tester {
std::string StationName(const std::string& settings_file) {
  std::filesystem::path name = std::filesystem::path(settings_file).filename();
  if (name.extension() == ".ini") name.replace_extension();
  return name.string();
}

std::string FailureMessage(const std::vector<RunStep>& steps, int32_t err_code) {
  if (err_code == 0) return {};
  for (const RunStep& step : steps) {
    if (step.status == vb_cbfail) return step.text;
  }
  return {};
}

RunOutcome RunOutcomeOf(int32_t err_code, int32_t ext_err_code) {
  if (err_code == 0) return RunOutcome::kPass;
  if (err_code == kStatusUnexpectedFailure && ext_err_code == kStatusUnexpectedFailure) {
    return RunOutcome::kAborted;
  }
  if (err_code == kStatusVersionReadFailed) return RunOutcome::kError;
  if (ext_err_code != 0 && !IsOwnCode(ext_err_code)) return RunOutcome::kError;
  return RunOutcome::kFail;
}

}  // namespace tester
