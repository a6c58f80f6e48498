#include "engine/cli/batch_cli.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>

#include "common/component_error.h"
#include "common/messages.h"
#include "common/station_state.h"
#include "components/tester_config_store.h"
#include "engine/cli/batch_table.h"
#include "engine/cli/station_cli.h"
#include "engine/run_sequence.h"
#include "engine/station.h"
#include "engine/station_setup.h"
#include "engine/version.h"
#include "platform/headless_dialogs.h"
#include "platform/paths.h"

namespace tester {
namespace {

constexpr int32_t kFirstSerial = 1;  // serial 0 reads as "no serial" in a completion report

// Serial numbers of one station from the application folder's counter; the station's
// state (title, verdict) is kept by the StationState in front of it. Statuses stay quiet:
// the batch prints one line per run.
class BatchSerials final : public SingleSiteEvents {
public:
  explicit BatchSerials(SerialStore& serials) : serials(serials) {}
  void CurrentStatus(const std::string&, int32_t) override {}
  void RequestSerialNo(int32_t& nSerial) override {
    const RunRecord* record = sequence ? &sequence->Record() : nullptr;
    serials.Draw(record ? record->station : std::string(), record ? record->started_at : "",
                 nSerial);
  }
  void Completed(const CompletionReport&, const RunRecord&) override {}
  void SetWindowTitle(const std::string&) override {}

  RunSerials serials;
  const RunSequence* sequence = nullptr;  // the station's, once it is made
};

// What a station of the batch reports to: its state, in front of its serial numbers.
struct BatchReports {
  explicit BatchReports(SerialStore& counter) : serials(counter), state(&serials) {}
  BatchSerials serials;
  StationState state;
};

// One station of the batch. Declared so that destruction runs from the sequence to the
// control its link is bound to.
struct BatchStation {
  int number = 0;  // K of StationK.ini: the adapter's place on the jig, from 1
  int runs = 0;
  std::unique_ptr<GaugeControl> control;
  std::unique_ptr<Station> station;
  TesterConfigStore config;
  std::unique_ptr<BatchReports> reports;
  std::unique_ptr<RunSequence> sequence;

  ~BatchStation() {
    sequence.reset();
    if (station) station->link.ReleaseGaugeControl();
  }
};

std::string StationFileName(int number) { return "Station" + std::to_string(number) + ".ini"; }

// The verdict, codes, message and serial number of a completed run into its row.
void TakeVerdict(const CompletionReport& report, const RunRecord& record, BatchRow& row) {
  row.passed = report.nErrCode == 0;
  row.code = report.nErrCode;
  row.ext_code = report.nExtErrCode;
  if (!row.passed) row.message = record.message;
  // A failed run whose last serial write failed still names the number it was issued
  // (extended code 65545): that number is not in the gauge.
  const bool write_failed = !row.passed && report.nExtErrCode == kStatusSerialWriteFailed;
  if (report.sSerial != "0" && !report.sSerial.empty() && !write_failed) {
    row.serial = report.sSerial;
  }
}

// What stops the batch from starting; said on stderr, exit status 2.
struct StartError {
  std::string message;
};

class Batch {
public:
  Batch(EventPump& pump, const BatchBackend& backend, const std::string& folder,
        const BatchVerbArgs& args, const RunStores& stores, std::ostream& out, std::ostream& err)
      : pump_(pump), backend_(backend), folder_(folder), args_(args), stores_(stores), out_(out),
        err_(err), dialogs_(err, kProgramTitle) {}

  BatchOutcome Run();

private:
  std::unique_ptr<GaugeControl> MakeControl(int ordinal);
  void SetUpStations();
  // Brings up the station on the first free adapter of `control` (the `opened`-th). Null
  // when no adapter is free (`control` is left as it was) or the station is skipped (the
  // control, still holding its adapter, is then kept in held_).
  std::unique_ptr<BatchStation> SetUpStation(std::unique_ptr<GaugeControl>& control,
                                             int opened);
  bool LoadStation(BatchStation& s, const std::string& label);
  void StartSerials();
  void RunRounds();
  BatchRow RunOnce(BatchStation& s, int run);

  EventPump& pump_;
  const BatchBackend& backend_;
  const std::string& folder_;
  const BatchVerbArgs& args_;
  const RunStores& stores_;
  std::ostream& out_;
  std::ostream& err_;
  HeadlessDialogs dialogs_;
  int serials_issued_ = 0;
  int not_logged_ = 0;  // completions the result log refused
  // Adapters of skipped stations, kept claimed to the end of the batch.
  std::vector<std::unique_ptr<GaugeControl>> held_;
  std::vector<std::unique_ptr<BatchStation>> stations_;
  std::vector<BatchRow> rows_;
};

std::unique_ptr<GaugeControl> Batch::MakeControl(int ordinal) {
  std::string error;
  std::unique_ptr<GaugeControl> control = backend_.make_control(ordinal, error);
  if (!control) throw StartError{error};
  return control;
}

void Batch::SetUpStations() {
  std::unique_ptr<GaugeControl> control = MakeControl(1);
  int32_t count = 0;
  FirstListedAdapter(*control, count);
  if (count <= 0) throw StartError{LoadMessage(kMsgAdapterNotFound)};
  out_ << count << " adapter(s) on the jig\n";
  for (int opened = 1; opened <= count; ++opened) {
    if (!control) control = MakeControl(opened);
    std::unique_ptr<BatchStation> station = SetUpStation(control, opened);
    if (station) {
      stations_.push_back(std::move(station));
    } else if (control) {
      // Listed first is free unless every adapter is held (by another program).
      out_ << "No free adapter for the remaining " << count - opened + 1
           << " station(s): held by another program\n";
      break;
    }
  }
  if (stations_.empty()) throw StartError{"no station to test: see the lines above"};
}

std::unique_ptr<BatchStation> Batch::SetUpStation(std::unique_ptr<GaugeControl>& control,
                                                  int opened) {
  auto s = std::make_unique<BatchStation>();
  s->station = std::make_unique<Station>(pump_, dialogs_, folder_);
  std::optional<JigPlace> place;
  std::string file, label;
  Status board = 0;
  const Attached attached = AttachStation(*s->station, *control, board, [&] {
    if (backend_.describe) place = backend_.describe(*control);
    s->number = place ? place->adapter_index + 1 : opened;
    file = StationFileName(s->number);
    label = "Station " + std::to_string(s->number) + " (adapter " + s->station->adapter_id + ")";
    return std::filesystem::is_regular_file(NativePath(JoinProgramPath(folder_, file)));
  });
  if (attached == Attached::kNoAdapter) {
    s->station->link.BindGaugeControl(nullptr);
    return nullptr;  // `control` stays with the caller: no adapter was free
  }
  if (attached == Attached::kSkipped) {
    out_ << label << ": no station file " << file << ", skipped\n";
    s->station->link.BindGaugeControl(nullptr);
    held_.push_back(std::move(control));
    return nullptr;
  }
  s->control = std::move(control);
  if (!args_.runs && !place) {
    throw StartError{"the gauge backend cannot tell how many packs a station has: "
                     "give --runs N"};
  }
  s->runs = args_.runs ? *args_.runs : place->queue_length;
  if (board != 0) {
    err_ << "ardentis: " << label << ": calibration board start-up returned " << board << "\n";
  }
  if (!LoadStation(*s, label)) {
    // Unbound without closing: the adapter stays claimed, so no later station opens it.
    s->station->link.BindGaugeControl(nullptr);
    held_.push_back(std::move(s->control));
    return nullptr;
  }
  s->sequence = std::make_unique<RunSequence>(*s->station, s->config, s->reports->state);
  s->reports->serials.sequence = s->sequence.get();
  out_ << label << ": " << s->config.TargetName << ", " << s->runs << " run(s), " << file
       << ", " << s->reports->state.Title() << "\n";
  return s;
}

bool Batch::LoadStation(BatchStation& s, const std::string& label) {
  s.config.IniFile = JoinProgramPath(folder_, StationFileName(s.number));
  s.reports = std::make_unique<BatchReports>(stores_.serials);
  Status status = 0;
  try {
    status = InitCacheFromSetup(*s.station, s.config, s.reports->state, s.config.IniFile);
  } catch (const ComponentError& error) {
    out_ << label << ": station file unreadable (" << error.what() << "), skipped\n";
    return false;
  }
  for (const std::string& refusal : s.station->setup.refusals) {
    err_ << "ardentis: " << label << ": " << refusal << "\n";
  }
  if (status == kStatusSettingsRefused) {
    out_ << label << ": " << FormatStatus("settings refused, error code = ", status)
         << ", skipped\n";
    return false;
  }
  if (status != 0) {
    out_ << label << ": golden image " << s.config.DataFlashImageFile << " "
         << FormatStatus("refused, error code = ", status) << ", skipped\n";
    return false;
  }
  return true;
}

// A fresh counter starts at the largest NextSerialNumber of the station files; after that
// the counter's own record rules. A counter that cannot hand out numbers stops the batch
// when a station writes them.
void Batch::StartSerials() {
  int32_t seed = kFirstSerial;
  bool writes = false;
  for (const auto& s : stations_) {
    seed = std::max(seed, s->config.NextSerialNumber);
    writes = writes || s->config.WriteSerialNumber != 0;
  }
  // The log sizes itself for the batch's stations, in their order on the jig.
  std::vector<std::string> names;
  for (const auto& s : stations_) names.push_back("Station" + std::to_string(s->number));
  stores_.log.InitStations(names, static_cast<int16_t>(names.size()));
  std::string problem = stores_.serials.SeedIfFresh(seed);
  if (problem.empty()) problem = stores_.serials.SerialConfigError();
  if (!problem.empty() && writes) {
    throw StartError{"Error in configuration for serial number: " + problem};
  }
  std::string error;
  const std::optional<SerialSummary> summary = stores_.serials.Summary(0, error);
  out_ << "Serial numbers from " << (summary ? std::to_string(summary->next) : "?")
       << " (the application folder's counter)\n";
}

BatchRow Batch::RunOnce(BatchStation& s, int run) {
  s.reports->state.ClearVerdict();
  int32_t result = 0;
  std::string broke_off;
  try {
    s.sequence->RunMainProcess(result);
  } catch (const std::exception& error) {
    broke_off = error.what();
  }
  BatchRow row;
  row.station = s.number;
  row.target = s.config.TargetName;
  row.pack = run;  // without the jig's word: one pack per run, from the first
  if (backend_.describe) {
    if (std::optional<JigPlace> place = backend_.describe(*s.control)) {
      row.pack = place->pack_index;
      row.pack_label = place->pack_label;
    }
  }
  row.duration_ms = s.sequence->Record().duration_ms;
  if (s.reports->state.LastCompletion()) {
    TakeVerdict(*s.reports->state.LastCompletion(), s.sequence->Record(), row);
  } else {
    row.message = "the run ended without a verdict" + (broke_off.empty() ? "" : ": " + broke_off);
  }
  RunSerials& serials = s.reports->serials.serials;
  serials_issued_ += static_cast<int>(serials.Drawn().size());
  for (int32_t number : serials.Drawn()) {
    if (std::to_string(number) != row.serial) ++row.unwritten;
  }
  const std::optional<CompletionReport>& completion = s.reports->state.LastCompletion();
  for (const std::string& error : serials.Settle(completion ? &*completion : nullptr)) {
    err_ << "ardentis: station " << s.number << ": serial counter: " << error << "\n";
  }
  if (completion) {
    const std::string not_logged = LogCompletion(stores_.log, *completion, s.sequence->Record());
    if (!not_logged.empty()) {
      ++not_logged_;
      err_ << "ardentis: station " << s.number
           << ": TesterLog.AddToLog returned error string: " << not_logged << "\n";
    }
  }
  return row;
}

void Batch::RunRounds() {
  int most = 0;
  int total = 0;
  for (const auto& s : stations_) {
    most = std::max(most, s->runs);
    total += s->runs;
  }
  int done = 0;
  for (int run = 0; run < most; ++run) {
    for (const auto& s : stations_) {
      if (run >= s->runs) continue;
      rows_.push_back(RunOnce(*s, run));
      const BatchRow& row = rows_.back();
      out_ << "[" << ++done << "/" << total << "] station " << row.station << " pack "
           << row.pack << ": " << (row.passed ? "PASS" : "FAIL");
      if (!row.serial.empty()) out_ << ", serial " << row.serial;
      if (!row.passed && row.code) out_ << ", code " << *row.code;
      out_ << "\n";
    }
  }
}

BatchOutcome Batch::Run() {
  const bool timed = static_cast<bool>(backend_.real_ms);
  const int64_t start_ms = timed ? backend_.real_ms() : 0;
  try {
    out_ << "Production batch, application folder " << folder_ << "\n";
    SetUpStations();
    StartSerials();
  } catch (const StartError& error) {
    err_ << "ardentis: " << error.message << "\n";
    return BatchOutcome{kExitCannotStart, {}, 0};
  }
  out_ << "Durations are station-clock times"
       << (args_.virtual_clock ? " (virtual clock: waits take no real time)" : "") << "\n\n";
  RunRounds();
  BatchTotals totals;
  totals.serials_issued = serials_issued_;
  if (timed) totals.real_ms = backend_.real_ms() - start_ms;
  out_ << "\n";
  PrintBatchTable(rows_, totals, out_);
  if (not_logged_ > 0) {
    err_ << "ardentis: " << not_logged_ << " completion(s) could not be logged: see above\n";
  }
  return BatchOutcome{not_logged_ == 0 ? kExitOk : kExitGaugeFailed, rows_,
                      totals.serials_issued};
}

}  // namespace

std::optional<BatchVerbArgs> ParseBatchArgs(const std::vector<std::string>& words,
                                            std::string& error) {
  BatchVerbArgs args;
  if (words.empty()) return args;
  if (words.size() != 2 || words[0] != "--runs") {
    error = "batch takes [--runs N]";
    return std::nullopt;
  }
  const std::string& text = words[1];
  int runs = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), runs);
  if (ec != std::errc() || end != text.data() + text.size() || runs < 1 ||
      runs > kMaxBatchRuns) {
    error = "--runs " + text + ": expects a whole number from 1 to " +
            std::to_string(kMaxBatchRuns);
    return std::nullopt;
  }
  args.runs = runs;
  return args;
}

BatchOutcome RunProductionBatch(EventPump& pump, const BatchBackend& backend,
                                const std::string& program_folder, const BatchVerbArgs& args,
                                const RunStores& stores, std::ostream& out, std::ostream& err) {
  Batch batch(pump, backend, program_folder, args, stores, out, err);
  return batch.Run();
}

int RunBatchVerb(EventPump& pump, const BatchBackend& backend, const std::string& program_folder,
                 const BatchVerbArgs& args, const RunStores& stores, std::ostream& out,
                 std::ostream& err) {
  return RunProductionBatch(pump, backend, program_folder, args, stores, out, err).exit_status;
}

}  // namespace tester
