#include "controller/cli/standin_components.h"

#include "common/run_record.h"

namespace tester {

std::string StandInTesterLog::AddToLog(const std::string& station, const std::string& serial,
                                       Status err, Status ext, const std::string& log_file,
                                       const std::string& custom, const RunRecord* record) {
  std::string line = station + "  serial " + serial + "  " + std::to_string(err) + "/" +
                     std::to_string(ext);
  if (record) line += "  " + std::string(OutcomeText(record->outcome));
  if (record && !record->message.empty()) line += "  " + record->message;
  if (!custom.empty()) line += "  " + custom;
  (void)log_file;
  lines_.push_back(line);
  if (on_entry) on_entry(line);
  return {};
}

}  // namespace tester
