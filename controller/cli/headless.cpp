#include "controller/cli/headless.h"

#include <charconv>

#include "components/tester_config_store.h"
#include "controller/cli/results_table.h"
#include "controller/controller.h"
#include "controller/controller_texts.h"
#include "controller/stored_references.h"
#include "controller/vti_file.h"
#include "platform/headless_dialogs.h"

namespace tester {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitCannotStart = 2;

// Prints what the window would show: status changes and completions, one line each.
class ConsoleView final : public ControllerView {
public:
  ConsoleView(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}
  void Attach(const Controller* controller) { controller_ = controller; }
  int run = 0;
  std::vector<SessionResult> results;

  void StationStatus(int station, const std::string& status) override {
    if (!controller_) return;
    out_ << "[" << Name(station) << "] " << status << "\n";
  }
  void StationCompleted(int station, const CompletionReport& report,
                        const RunRecord& record) override {
    const StationRow& row = controller_->Row(station);
    SessionResult result{run,         Name(station),        row.serial,       row.verdict,
                         report.nErrCode, report.nExtErrCode, row.message, record.duration_ms};
    out_ << "[" << result.station << "] " << result.verdict;
    if (!result.serial.empty()) out_ << ", serial " << result.serial;
    out_ << ", codes " << result.code << "/" << result.ext_code << ", "
         << SecondsText(result.duration_ms);
    if (!result.message.empty()) out_ << ": " << result.message;
    out_ << "\n";
    results.push_back(std::move(result));
  }
  void Note(const std::string& text) override { err_ << "gangwright: " << text << "\n"; }

private:
  std::string Name(int station) const { return controller_->Slot(station).sStationName; }
  std::ostream& out_;
  std::ostream& err_;
  const Controller* controller_ = nullptr;
};

// Why the start button is disabled, in words.
std::string WhyNoStart(const Controller& controller) {
  if (controller.TempBasedStop()) return controller.TempStopLabel();
  if (controller.ReminderDue()) return "the recalibration reminder is due: update the reference values";
  return "the start button is disabled";
}

int RunSessions(Controller& controller, ConsoleView& view, const HeadlessWorld& world,
                const HeadlessArgs& args, std::ostream& out, std::ostream& err) {
  for (int run = 1; run <= args.runs; ++run) {
    if (!controller.StartEnabled()) {
      err << "gangwright: start " << run << " refused: " << WhyNoStart(controller) << "\n";
      return kExitRefused;
    }
    out << "--- start " << run << " of " << args.runs << "\n";
    view.run = run;
    const std::size_t before = view.results.size();
    controller.Start();
    while (controller.StationsBusy() > 0) world.pump.WaitMs(5);
    if (view.results.size() == before) {
      err << "gangwright: start " << run << " ran no station\n";
      return kExitRefused;
    }
  }
  return kExitOk;
}

}  // namespace

std::optional<HeadlessArgs> ParseHeadlessArgs(const std::vector<std::string>& words,
                                              std::string& error) {
  HeadlessArgs args;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (words[i] == "--vti-from-files") {
      args.vti_from_files = true;
    } else if (words[i] == "--vti" && i + 1 < words.size()) {
      args.vti_file = words[++i];
    } else if (words[i] == "--runs" && i + 1 < words.size()) {
      const std::string& text = words[++i];
      const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), args.runs);
      if (ec != std::errc() || end != text.data() + text.size() || args.runs < 1 ||
          args.runs > kMaxHeadlessRuns) {
        error = "--runs " + text + ": expects a whole number from 1 to " +
                std::to_string(kMaxHeadlessRuns);
        return std::nullopt;
      }
    } else {
      error = "--headless takes [--runs N] [--vti-from-files | --vti FILE], not \"" + words[i] +
              "\"";
      return std::nullopt;
    }
  }
  if (args.vti_from_files && !args.vti_file.empty()) {
    error = "--vti-from-files and --vti FILE exclude each other";
    return std::nullopt;
  }
  return args;
}

int RunHeadless(const HeadlessWorld& world, const HeadlessArgs& args, std::ostream& out,
                std::ostream& err) {
  HeadlessDialogs dialogs(err, kControllerTitle);
  ConsoleView view(out, err);
  ControllerParts parts{world.pump,    dialogs,          world.engines, world.serials,
                        world.log,     world.reminder,   world.app_folder, world.settings};
  Controller controller(parts, &view);
  view.Attach(&controller);
  out << "Gangwright headless, application folder " << world.app_folder << "\n";
  if (!controller.Load()) {
    controller.Shutdown();
    return kExitCannotStart;
  }
  if (world.started) world.started(controller);
  out << controller.NumBoards() << " station(s):";
  for (int i = 0; i < controller.NumBoards(); ++i) {
    const StationSlot& slot = controller.Slot(i);
    out << " " << slot.sStationName << (slot.bDoTesting ? "" : " (not testing)");
  }
  out << "\n";
  if (controller.VTIRequired()) {
    if (!args.vti_file.empty()) {
      const VtiGridParts vti{controller, world.pump, dialogs,
                             [] { return std::make_unique<TesterConfigStore>(); },
                             world.app_folder, nullptr};
      const VtiFileOutcome outcome = ApplyVtiFile(vti, args.vti_file);
      for (const std::string& note : outcome.notes) err << "gangwright: " << note << "\n";
      if (!outcome.read) {
        controller.Shutdown();
        return kExitCannotStart;
      }
      out << "Reference values (VTI) sent from " << args.vti_file << "\n";
    } else if (args.vti_from_files) {
      for (const std::string& failure : PushStoredReferences(controller, world.app_folder)) {
        err << "gangwright: " << failure << "\n";
      }
      out << "Reference values (VTI) sent from the station files\n";
    } else {
      err << "gangwright: calibration is on, so every station needs its reference values "
             "(VTI) before the first start; give --vti FILE or --vti-from-files (the values "
             "kept in the station files), or enter them in the window\n";
      controller.Shutdown();
      return kExitCannotStart;
    }
  }
  const int status = RunSessions(controller, view, world, args, out, err);
  out << "\nDurations are the stations' clock times"
      << (world.engines_on_virtual_clock ? " (the engines run on the virtual clock: waits take "
                                           "no real time)"
                                         : "")
      << "\n";
  PrintResults(view.results, out);
  out << "\n";
  PrintYield(controller, out);
  controller.Shutdown();
  return status;
}

}  // namespace tester
