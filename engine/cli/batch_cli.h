#pragma once
// `ardentis batch [--runs N]`: a production batch in one process. Every adapter of the jig
// becomes a station with its own gauge control (all on one clock), its own settings record,
// calibration board and image caches, and its station file StationK.ini from the
// application folder (K = the adapter's place on the jig, from 1). Each station then tests
// the packs of its queue, the stations taking turns run by run, and a results table ends
// the batch.
//
// Serial numbers come from the application folder's serial counter (`stores.serials`),
// shared with every other program on the folder; a fresh counter starts at the largest
// NextSerialNumber of the station files. No two packs get one number, and a number once
// issued is never issued again, even when its write failed (the gauge may hold it): its
// fate is void. A failed run whose serial write failed still names its number in the
// completion report (extended code 65545); the results show no serial for it. Every
// completion goes into the result log (`stores.log`) with its record. The station files
// are only read.
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/cli/batch_table.h"
#include "engine/cli/run_stores.h"
#include "platform/event_pump.h"
#include "common/gauge_control.h"

namespace tester {

// Where the adapter a control has open sits on a jig that can describe itself (the
// virtual jig), and which pack of its queue is on the station now.
struct JigPlace {
  int adapter_index = 0;  // place of the adapter on the jig, from 0
  int queue_length = 0;   // packs in the adapter's queue
  int pack_index = 0;     // queue position of the pack on the station
  std::string pack_label; // the jig's label of that pack
};

// What the batch needs of the gauge backend.
struct BatchBackend {
  // A new gauge control on the batch's clock (one per station); null and `error` when it
  // cannot be made. `ordinal` counts the controls made, from 1.
  std::function<std::unique_ptr<GaugeControl>(int ordinal, std::string& error)> make_control;
  // The jig's view of the adapter `control` has open; nullopt when the backend cannot tell
  // (then the adapters are numbered in the order they were opened and --runs is required).
  std::function<std::optional<JigPlace>(GaugeControl& control)> describe;
  // Milliseconds of real time, for the batch's elapsed time (the station clock may be
  // virtual); null: not reported.
  std::function<int64_t()> real_ms;
};

struct BatchVerbArgs {
  std::optional<int> runs;     // runs per station; none = the length of each queue
  bool virtual_clock = false;  // the station clock is virtual (said in the output)
};

// Parses the words after "batch"; nullopt and `error` when they are not `[--runs N]` with
// N from 1 to kMaxBatchRuns.
inline constexpr int kMaxBatchRuns = 10000;
std::optional<BatchVerbArgs> ParseBatchArgs(const std::vector<std::string>& words,
                                            std::string& error);

// What a batch did: its exit status and, when it ran, one row per run in run order.
struct BatchOutcome {
  int exit_status = 0;
  std::vector<BatchRow> rows;
  int serials_issued = 0;
};

// Runs the batch and prints it (set-up lines, a line per run, the table, the totals).
BatchOutcome RunProductionBatch(EventPump& pump, const BatchBackend& backend,
                                const std::string& program_folder, const BatchVerbArgs& args,
                                const RunStores& stores, std::ostream& out, std::ostream& err);

// The batch as a console verb. Exit status: 0 the batch ran (whatever the verdicts) and
// every completion was logged, 1 a completion could not be logged, 2 it could not start
// (no adapter, no station with a station file, no run count for a backend that cannot tell
// one, a serial counter that cannot hand out numbers when a station writes them).
int RunBatchVerb(EventPump& pump, const BatchBackend& backend, const std::string& program_folder,
                 const BatchVerbArgs& args, const RunStores& stores, std::ostream& out,
                 std::ostream& err);

}  // namespace tester
