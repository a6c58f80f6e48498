#pragma once
// What a console run keeps of itself beyond its printed report: serial numbers from the
// application folder's SerialStore (committed before a gauge holds them) and every
// completion with its record in the folder's result log. Shared by `ardentis run` and
// `ardentis batch`; the controller does the same with the same stores.
#include <cstdint>
#include <string>
#include <vector>

#include "common/automation_contract.h"
#include "common/run_record.h"
#include "common/tester_log.h"
#include "components/serial_store.h"
#include "engine/serial_fate.h"

namespace tester {

// The stores a console run uses, opened by the program on its application folder.
struct RunStores {
  SerialStore& serials;
  TesterLog& log;
};


// One station's serial numbers during its runs.
class RunSerials {
public:
  explicit RunSerials(SerialStore& serials) : serials_(serials) {}

  // Before the first run: seeds a fresh counter with the station file's NextSerialNumber
  // and checks the counter's configuration. Error text, empty = the counter can be used.
  std::string Prepare(int32_t seed);

  // The run's request: a number from the counter for `station`'s run `run` (its start).
  // Throws ComponentError when none can be had; the run then writes no number.
  void Draw(const std::string& station, const std::string& run, int32_t& n);

  // After the completion (or after a run that ended without one: every number void):
  // records the fate of each number drawn since the last Settle. Error texts, one a number.
  std::vector<std::string> Settle(const CompletionReport* report);

  // Numbers drawn since the last Settle.
  const std::vector<int32_t>& Drawn() const { return drawn_; }

private:
  SerialStore& serials_;
  std::vector<int32_t> drawn_;
};

// The completion and its record into the log; its error text, empty = logged.
std::string LogCompletion(TesterLog& log, const CompletionReport& report, const RunRecord& record);

}  // namespace tester
