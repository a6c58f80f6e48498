#include "engine/cli/station_cli.h"

#include <cstdio>
#include <sstream>
#include <vector>

#include "common/messages.h"
#include "engine/station_identity.h"
#include "engine/station_setup.h"
#include "gauge/image_file.h"
#include "gauge/station_settings.h"
#include "platform/paths.h"

namespace tester {
namespace {

void PrintWarnings(const StationSettings& settings, std::ostream& err) {
  for (const std::string& error : settings.errors) err << "error: " << error << "\n";
  for (const std::string& warning : settings.warnings) err << "warning: " << warning << "\n";
}

std::vector<std::string> SplitList(const std::string& names) {
  std::vector<std::string> items;
  std::stringstream stream(names);
  std::string item;
  while (std::getline(stream, item, ',')) {
    if (!item.empty()) items.push_back(item);
  }
  return items;
}

// The settings lines joined into rows of about `width` characters, indented.
void PrintSettingsCompact(const StationSettings& settings, std::ostream& out) {
  constexpr std::size_t kWidth = 96;
  std::istringstream lines(FormatStationSettings(settings));
  std::string line, row;
  while (std::getline(lines, line)) {
    if (!row.empty() && row.size() + 1 + line.size() > kWidth) {
      out << "    " << row << "\n";
      row.clear();
    }
    row += (row.empty() ? "" : " ") + line;
  }
  if (!row.empty()) out << "    " << row << "\n";
}

std::string CommunicationError(Status status) {
  return FormatStatus(LoadMessage(kMsgCommErrorReading) + " Error code = ", status);
}

// Reads the version text of the gauge on the open adapter: detection with the settings
// an engine has right after attaching, or the way a run reads it for `target`.
Status ReadVersionForTarget(GaugeLink& link, StationSettings& settings,
                            const std::string& program_folder, const std::string& target,
                            std::string& text) {
  LoadStationSettings(settings, program_folder, target.empty() ? kAttachTarget : target);
  if (!target.empty()) return ReadStationVersion(link, text);
  DetectedGauge gauge;
  const Status status = DetectGauge(link, gauge);
  text = gauge.version_text;
  return status;
}

// Checks the golden image a station programming this target would load.
void PrintGoldenImageCheck(const StationSettings& settings, const std::string& program_folder,
                           const std::string& target, std::ostream& out) {
  const std::string name = DefaultImageFileName(target);
  ImageRecord record;
  const Status status = CheckImageFile(JoinProgramPath(program_folder, name),
                                       ImageLayoutFor(settings.COMMANDSET), settings, record);
  if (status != 0) {
    out << "  Golden image " << name << ": " << FormatStatus("refused, error code = ", status)
        << "\n";
    return;
  }
  char identity[16];
  std::snprintf(identity, sizeof identity, "0x%06X", static_cast<unsigned>(record.identity));
  out << "  Golden image " << name << ": accepted, firmware identity " << identity << "\n";
}

}  // namespace

int RunSettingsVerb(const std::string& program_folder, const std::string& target,
                    std::ostream& out, std::ostream& err) {
  StationSettings settings;
  LoadStationSettings(settings, program_folder, target);
  out << FormatStationSettings(settings);
  PrintWarnings(settings, err);
  if (settings.errors.empty()) return kExitOk;
  err << "ardentis: a station with these settings is refused\n";
  return kExitCannotStart;
}

int RunIdentifyVerb(GaugeLink& link, StationSettings& settings,
                    const std::string& program_folder, const std::string& target,
                    std::ostream& out, std::ostream& err) {
  if (link.OpenFirstAdapter() != kTrue) {
    err << LoadMessage(kMsgAdapterNotFound) << "\n";
    return kExitCannotStart;
  }
  std::string text;
  const Status status = ReadVersionForTarget(link, settings, program_folder, target, text);
  PrintWarnings(settings, err);
  if (status != 0) {
    err << CommunicationError(status) << "\n";
    return kExitGaugeFailed;
  }
  out << text << "\n";
  return kExitOk;
}

int RunSurveyVerb(GaugeLink& link, StationSettings& settings,
                  const std::string& program_folder, std::ostream& out, std::ostream& err) {
  int32_t count = 0;
  std::string names;
  link.Control().ListAdapters(kMaxListedAdapters, count, names);
  const std::vector<std::string> adapters = SplitList(names);
  if (count <= 0 || adapters.empty()) {
    err << LoadMessage(kMsgAdapterNotFound) << "\n";
    return kExitCannotStart;
  }
  out << "Application folder: " << program_folder << "\n"
      << count << " adapter(s) on the jig\n";
  int failures = 0;
  for (const std::string& name : adapters) {
    out << "\nAdapter " << name << "\n";
    if (link.Control().OpenAdapter(name) == -1) {
      out << "  in use by another program, skipped\n";
      continue;
    }
    std::string text;
    const Status status = ReadVersionForTarget(link, settings, program_folder, "", text);
    if (status != 0) {
      out << "  " << CommunicationError(status) << "\n";
      ++failures;
    } else {
      LoadStationSettings(settings, program_folder, text);
      out << "  Gauge version " << text << ", command set " << settings.COMMANDSET << "\n";
      PrintGoldenImageCheck(settings, program_folder, text, out);
      PrintSettingsCompact(settings, out);
      PrintWarnings(settings, err);
    }
    link.Control().CloseLink();
  }
  return failures == 0 ? kExitOk : kExitGaugeFailed;
}

}  // namespace tester
