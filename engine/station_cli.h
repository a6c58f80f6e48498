#pragma once
// The engine's console verbs, apart from argument parsing and process set-up so they
// can be tested on the virtual jig:
//   settings TARGET       the station settings record loaded for TARGET (2: values refused)
//   identify [--target T] the version text of the gauge on the first free adapter
//   survey                every adapter of the jig: its gauge's version text, the check of
//                         the golden image for it, and its settings
#include <ostream>
#include <string>

#include "gauge/gauge_link.h"
#include "gauge/station_settings.h"

namespace tester {

// Exit statuses of the verbs.
inline constexpr int kExitOk = 0;
inline constexpr int kExitGaugeFailed = 1;  // the gauge or the bus failed
inline constexpr int kExitCannotStart = 2;  // no adapter, bad arguments or environment

// Target whose settings an engine loads when it attaches an adapter, before any station
// configuration names the real one.
inline constexpr const char* kAttachTarget = "800.1.02";

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
