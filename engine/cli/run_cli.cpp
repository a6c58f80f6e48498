#include "engine/cli/run_cli.h"

#include <filesystem>
#include <limits>
#include <optional>

#include "common/component_error.h"
#include "common/messages.h"
#include "common/station_state.h"
#include "components/tester_config_store.h"
#include "engine/cli/run_json.h"
#include "engine/cli/station_cli.h"
#include "engine/run_sequence.h"
#include "engine/station.h"
#include "engine/station_setup.h"
#include "engine/version.h"
#include "platform/headless_dialogs.h"
#include "platform/replay_verdict.h"

namespace tester {
namespace {

// What a console run prints as it goes: status lines and the station's title. Serial
// numbers come from the counter; the verdict is read from the station's state afterwards.
class ConsolePrinter final : public SingleSiteEvents {
public:
  ConsolePrinter(std::ostream& out, std::ostream& err, RunSerials& serials)
      : out_(out), err_(err), serials_(serials) {}
  void CurrentStatus(const std::string& text, int32_t) override { out_ << text << "\n"; }
  void RequestSerialNo(int32_t& nSerial) override {
    const RunRecord* record = sequence_ ? &sequence_->Record() : nullptr;
    try {
      serials_.Draw(record ? record->station : std::string(), record ? record->started_at : "",
                    nSerial);
    } catch (const ComponentError& error) {
      err_ << "ardentis: no serial number: " << error.what() << "\n";
      throw;
    }
  }
  void Completed(const CompletionReport&, const RunRecord&) override {}
  void SetWindowTitle(const std::string& title) override { out_ << "Station: " << title << "\n"; }
  void Follow(const RunSequence& sequence) { sequence_ = &sequence; }

private:
  std::ostream& out_;
  std::ostream& err_;
  RunSerials& serials_;
  const RunSequence* sequence_ = nullptr;
};

// Moves NextSerialNumber past the number a run wrote; false when the file refused.
bool AdvanceSerial(TesterConfig& config, const CompletionReport& report, std::ostream& err) {
  const int32_t written = std::stoi(report.sSerial);
  if (written == 0 || written < config.NextSerialNumber) return true;
  // The largest number has no next: the seed stays on it (the counter refuses it as used).
  if (written == std::numeric_limits<int32_t>::max()) return true;
  config.NextSerialNumber = written + 1;
  const std::string error = config.SaveConfig();
  if (error.empty()) return true;
  err << "ardentis: serial number " << written << " was written but the next number could "
      << "not be saved: " << error << "\n";
  return false;
}

}  // namespace

int RunRunVerb(EventPump& pump, GaugeControl& control, const std::string& program_folder,
               const RunVerbArgs& args, const RunStores& stores, std::ostream& out,
               std::ostream& err) {
  HeadlessDialogs dialogs(err, kProgramTitle);
  Station station(pump, dialogs, program_folder);
  Status board = 0;
  if (AttachStation(station, control, board) == Attached::kNoAdapter) {
    err << LoadMessage(kMsgAdapterNotFound) << "\n";
    return kExitCannotStart;
  }
  if (board != 0) err << "ardentis: calibration board start-up returned " << board << "\n";

  // A station file that is not there would leave every setting at its default: a mistyped
  // path must not test (and program) a pack with settings nobody chose.
  const std::string ini =
      args.ini.empty() ? DefaultStationIni(program_folder, args.exe_name) : args.ini;
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(ini, ignored)) {
    err << "ardentis: station file " << ini << " not found\n";
    return kExitCannotStart;
  }
  RunSerials serials(stores.serials);
  ConsolePrinter printer(out, err, serials);
  StationState reports(&printer);
  TesterConfigStore config;
  config.IniFile = ini;
  Status status = 0;
  try {
    status = InitCacheFromSetup(station, config, reports,
                                DefaultStationIni(program_folder, args.exe_name));
  } catch (const ComponentError& error) {
    err << "ardentis: " << error.what() << "\n";
    return kExitCannotStart;
  }
  for (const std::string& refusal : station.setup.refusals) err << "ardentis: " << refusal << "\n";
  if (status != 0) {
    err << FormatStatus("InitCacheFromSetup() returned error code = ", status) << "\n";
    return kExitCannotStart;
  }

  if (config.WriteSerialNumber != 0) {
    const std::string problem = serials.Prepare(config.NextSerialNumber);
    if (!problem.empty()) {
      err << "Error in configuration for serial number: " << problem << "\n";
      return kExitCannotStart;
    }
  }

  RunSequence sequence(station, config, reports);
  printer.Follow(sequence);
  int32_t result = 0;
  sequence.RunMainProcess(result);
  station.link.ReleaseGaugeControl();
  const CompletionReport* completion = reports.LastCompletion() ? &*reports.LastCompletion() : nullptr;
  for (const std::string& error : serials.Settle(completion)) {
    err << "ardentis: serial counter: " << error << "\n";
  }
  if (!completion) {
    err << "ardentis: the run ended without a verdict\n";
    return kExitGaugeFailed;
  }
  const CompletionReport& report = *completion;
  AdvanceSerial(config, report, err);
  out << RunReportJson(report, sequence.Record()) << "\n";
  const std::string not_logged = LogCompletion(stores.log, report, sequence.Record());
  if (!not_logged.empty()) {
    err << "ardentis: TesterLog.AddToLog returned error string: " << not_logged << "\n";
    return kExitGaugeFailed;
  }
  // A replayed run that left its trace, or stopped short of its end, failed whatever the
  // pack's verdict: the trace is the regression test.
  const std::vector<std::string> shortfall = ReplayShortfall(control);
  for (const std::string& line : shortfall) err << "ardentis: replay: " << line << "\n";
  if (!shortfall.empty()) return kExitGaugeFailed;
  return report.nErrCode == 0 ? kExitOk : kExitGaugeFailed;
}

}  // namespace tester
