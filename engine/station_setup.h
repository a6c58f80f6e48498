#pragma once
// Bringing a station up: the start-up that follows opening its adapter, and loading the
// station's configuration, settings and golden image before runs.
#include <functional>
#include <string>

#include "common/status_codes.h"
#include "common/tester_config.h"
#include "common/automation_contract.h"
#include "engine/station.h"

namespace tester {

// Target whose settings an engine loads when it attaches an adapter, before any station
// configuration names the real one.
inline constexpr const char* kAttachTarget = "800.1.02";

// After the adapter is open: the calibration board is initialised (its status returned)
// and the settings of the default target loaded, so waits and addresses are known before
// any configuration names the real target.
Status StartUpStation(Station& station);

// Bringing a station up on `control`, as every front end does: bind the link, open the
// first free adapter (its identifier, the first listed, becomes station.adapter_id), run
// `identify` when given (the automation object reads the adapter's identifier there; the
// batch finds the station's place and file, and answers false for a station it skips),
// then StartUpStation, whose status goes into `board`. Nothing else happens after an
// adapter that does not open, or an `identify` that answers false.
enum class Attached { kNoAdapter, kSkipped, kStarted };
Attached AttachStation(Station& station, GaugeControl& control, Status& board,
                       const std::function<bool()>& identify = {});

// The station file a station uses when none was set: the program's own ".ini" in the
// application folder (folder + "/" + executable name + ".ini").
std::string DefaultStationIni(const std::string& program_folder, const std::string& exe_name);

// A station file names its golden image either absolutely or relative to the application
// folder, where the images are kept.
std::string ImagePathInFolder(const std::string& program_folder, const std::string& image);

// Loads what runs need, in this order, and notes its findings in station.setup:
//  1. an empty IniFile becomes `default_ini`;
//  2. the station configuration from IniFile (a file that cannot be read throws
//     ComponentError out of this call, as the configuration object does);
//  3. the station settings of TargetName (a target without settings keeps the defaults);
//  4. a value of the station file or of Config.ini that cannot be read refuses the
//     station: kStatusSettingsRefused, every such value in setup.refusals, the image
//     caches of the family emptied, nothing else loaded;
//  5. with ProgramDataFlash = 1, the golden image into the cache of the target's family;
//     its check's status is the result (0 without programming); a failed check leaves
//     that cache empty, so a run programs nothing stale (it fails at programming). An
//     image that passes is checked against its digest file: a mismatch or an unreadable
//     digest is kStatusImageFileBadHeader with the reason in setup.refusals; a missing
//     digest is a warning, or that same refusal when RequireImageDigest = 1;
//  6. the warnings (Config.ini values worked around, a missing digest) as status reports;
//  7. the window title: the image file and the target's description from "Targets".
Status InitCacheFromSetup(Station& station, TesterConfig& config, SingleSiteEvents& reports,
                          const std::string& default_ini);

// The refusals of a set-up as one text, a line each; empty when it was not refused.
std::string SetupRefusalText(const SetupFindings& setup);

// The window title of a station: image file, then the description in parentheses.
std::string StationTitle(const std::string& image_file, const std::string& description);

}  // namespace tester
