#include "engine/cli/run_stores.h"

#include "common/status_codes.h"

namespace tester {

std::string RunSerials::Prepare(int32_t seed) {
  const std::string error = serials_.SeedIfFresh(seed);
  if (!error.empty()) return error;
  return serials_.SerialConfigError();
}

void RunSerials::Draw(const std::string& station, const std::string& run, int32_t& n) {
  serials_.SetRequester(station, run);
  int32_t number = n;
  serials_.NextSerial(number);
  drawn_.push_back(number);
  n = number;
}

std::vector<std::string> RunSerials::Settle(const CompletionReport* report) {
  std::vector<std::string> errors;
  for (int32_t number : drawn_) {
    const SerialFate fate = report ? FateOf(number, *report) : SerialFate::kVoid;
    const std::string error = serials_.RecordFate(number, fate);
    if (!error.empty()) errors.push_back(error);
  }
  drawn_.clear();
  return errors;
}

std::string LogCompletion(TesterLog& log, const CompletionReport& report, const RunRecord& record) {
  return log.AddToLog(record.station, report.sSerial, report.nErrCode, report.nExtErrCode,
                      report.sLogFile, report.sCustomLogStr, &record);
}

}  // namespace tester
