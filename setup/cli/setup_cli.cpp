#include "setup/cli/setup_cli.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <system_error>

#include "components/adapter_identity.h"
#include "components/tester_config_store.h"
#include "engine/cli/exit_codes.h"
#include "platform/atomic_file.h"
#include "platform/headless_dialogs.h"
#include "setup/custom_names.h"
#include "setup/probe_page.h"
#include "setup/setup_wizard.h"

namespace tester {
namespace {

const char* YesNo(bool on) { return on ? "yes" : "no"; }

// The wizard with the console's parts.
struct ConsoleWizard {
  ConsoleWizard(GaugeControl& control, EventPump& pump, const std::string& folder,
                std::ostream& err, bool yes)
      : dialogs(err, kSetupTitle, yes),
        wizard(SetupParts{control, identity, dialogs, pump, folder,
                          [] { return std::make_unique<TesterConfigStore>(); }}) {}
  AdapterIdentity identity;
  HeadlessDialogs dialogs;
  SetupWizard wizard;
};

class WriteChecks {
public:
  WriteChecks(const SetupWizard& wizard, std::ostream& err) : wizard_(wizard), err_(err) {}

  // The found row named `name` (spaces ignored, letter case ignored), or nullopt.
  std::optional<int> RowOf(const std::string& name) const {
    const std::string wanted = WithoutSpaces(name);
    for (int i = 0; i < wizard_.BoardCount(); ++i) {
      if (SameIgnoringCase(wizard_.Rows()[i].custom_name, wanted)) return i;
    }
    return std::nullopt;
  }

  // Says why nothing is written; the exit status of a refused write.
  int Refuse(const std::string& why) const {
    err_ << kSetupTitle << ": " << why << "; nothing was written\n";
    return kExitCannotStart;
  }

  // Why the probe `value` ("I<st>" / "E<st>") cannot be tracked; empty when it names a
  // station with that sensor.
  std::string ProbeProblem(const std::string& value) const {
    const std::optional<int> row = RowOf(value.substr(1));
    if (!row) return "--probe names no station of this jig: " + value;
    const BoardRow& board = wizard_.Rows()[*row];
    if (value[0] == 'I' ? board.its : board.ets) return {};
    return "station " + board.custom_name + " has no " +
           (value[0] == 'I' ? "on-board sensor" : "external probe") + ": " + value;
  }

  // The probe page's entry for a valid probe value, spelt as the station is named.
  std::string EntryOf(const std::string& value) const {
    return ProbeEntryOf(value.substr(0, 1) + wizard_.Rows()[*RowOf(value.substr(1))].custom_name);
  }

private:
  const SetupWizard& wizard_;
  std::ostream& err_;
};

bool JigSetupReadable(const std::string& path, std::string& error) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec) && !ec) return true;
  return ReadWholeFile(path, &error).has_value();
}

}  // namespace

bool ParseProbeArgument(const std::string& text, std::pair<std::string, std::string>& probe) {
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos || equals == 0 || equals + 2 >= text.size()) return false;
  const std::string value = text.substr(equals + 1);
  if (value[0] != 'I' && value[0] != 'E') return false;
  probe = {text.substr(0, equals), value};
  return true;
}

int RunScanVerb(GaugeControl& control, EventPump& pump, const std::string& program_folder,
                std::ostream& out, std::ostream& err) {
  ConsoleWizard console(control, pump, program_folder, err, false);
  SetupWizard& wizard = console.wizard;
  wizard.Search();
  if (!wizard.SearchEnabled()) return kExitCannotStart;  // more adapters than rows
  bool all_read = true;
  for (int i = 0; i < wizard.BoardCount(); ++i) {
    const BoardRow& row = wizard.Rows()[i];
    if (!row.visible) {
      out << i << " (not read)\n";
      all_read = false;
      continue;
    }
    out << i << " " << row.identifier << " cal_board=" << YesNo(row.cal_present)
        << " its=" << YesNo(row.its) << " ets=" << YesNo(row.ets)
        << " advanced=" << YesNo(row.advanced) << " station=" << row.custom_name << "\n";
  }
  if (wizard.BoardCount() == 0) err << kSetupTitle << ": no adapter found\n";
  return all_read ? kExitOk : kExitGaugeFailed;
}

int RunWriteVerb(GaugeControl& control, EventPump& pump, const std::string& program_folder,
                 const WriteVerbArgs& args, std::ostream& out, std::ostream& err) {
  ConsoleWizard console(control, pump, program_folder, err, args.assign_unnamed);
  SetupWizard& wizard = console.wizard;
  const WriteChecks checks(wizard, err);
  wizard.Search();
  const int count = wizard.BoardCount();
  if (count == 0) {
    return checks.Refuse(wizard.SearchEnabled() ? "no adapter found" : "too many adapters");
  }
  for (int i = 0; i < count; ++i) {
    if (!wizard.Rows()[i].visible) {
      return checks.Refuse("board " + std::to_string(i) + " could not be read");
    }
  }
  if (static_cast<int>(args.names.size()) != count) {
    return checks.Refuse(std::to_string(count) + " adapters found, " +
                         std::to_string(args.names.size()) + " names given");
  }
  for (int i = 0; i < count; ++i) wizard.SetCustomName(i, args.names[static_cast<size_t>(i)]);
  if (!wizard.CheckCustomNameUniqueness()) return checks.Refuse("the names cannot be saved");
  for (const std::string& name : args.no_test) {
    const std::optional<int> row = checks.RowOf(name);
    if (!row) return checks.Refuse("--no-test names no station of this jig: " + name);
    wizard.SetTest(*row, false);
  }
  for (const auto& [station, value] : args.probes) {
    if (!checks.RowOf(station)) {
      return checks.Refuse("--probe names no station of this jig: " + station);
    }
    if (std::string problem = checks.ProbeProblem(value); !problem.empty()) {
      return checks.Refuse(problem);
    }
  }
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) names.push_back(wizard.Rows()[i].custom_name);
  PreparedStationFiles prepared;
  std::string error = PrepareStationFiles([] { return std::make_unique<TesterConfigStore>(); },
                                          program_folder, names, kIntSensorAddressNormal, prepared);
  if (!error.empty() || !JigSetupReadable(wizard.GetJigSetupIniFile(), error)) {
    return checks.Refuse(error);
  }

  if (!wizard.Next()) return kExitGaugeFailed;
  for (const auto& [station, value] : args.probes) {
    const int row = *checks.RowOf(station);
    const std::vector<std::string>& entries = wizard.Probes()[static_cast<size_t>(row)].entries;
    const auto at = std::ranges::find(entries, checks.EntryOf(value));
    if (at != entries.end()) wizard.ChooseProbe(row, static_cast<int>(at - entries.begin()));
  }
  if (!wizard.ProbeNext(nullptr) || !wizard.Finish(nullptr)) return kExitGaugeFailed;
  for (const ProbeRow& row : wizard.Probes()) {
    if (!row.listed) continue;
    const int i = static_cast<int>(&row - wizard.Probes().data());
    out << row.name << " " << wizard.Rows()[i].identifier << " test="
        << YesNo(wizard.Rows()[i].test) << " probe=" << ProbeValueOf(row) << "\n";
  }
  return kExitOk;
}

}  // namespace tester
