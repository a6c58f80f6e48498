#pragma once
// The engine's console verbs, apart from argument parsing and process set-up so they
// can be tested on the virtual jig:
//   settings TARGET       the station settings record loaded for TARGET (2: values refused)
//   identify [--target T] the version text of the gauge on the first free adapter
//   survey                every adapter of the jig: its gauge's version text, the check of
//                         the golden image for it, and its settings
#include <ostream>
#include <string>

#include "engine/cli/exit_codes.h"
#include "gauge/gauge_link.h"
#include "gauge/station_settings.h"

namespace tester {


int RunSettingsVerb(const std::string& program_folder, const std::string& target,
                    std::ostream& out, std::ostream& err);

// `link` is bound to a control and its settings record is `settings`. An empty `target`
// detects the kind of gauge; otherwise the target's settings decide how to read.
int RunIdentifyVerb(GaugeLink& link, StationSettings& settings,
                    const std::string& program_folder, const std::string& target,
                    std::ostream& out, std::ostream& err);

int RunSurveyVerb(GaugeLink& link, StationSettings& settings,
                  const std::string& program_folder, std::ostream& out, std::ostream& err);

}  // namespace tester
