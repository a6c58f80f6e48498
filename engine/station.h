#pragma once
// Everything one station's engine works with between runs: the station clock, the gauge
// link with its settings record, the calibration board, the operator's dialogs, the
// application folder and the two golden-image caches. One object per station, never
// global, so several stations can live in one process (tests, the production demo).
#include <string>
#include <vector>

#include "calibration/cal_board.h"
#include "calibration/cal_context.h"
#include "gauge/gauge_link.h"
#include "gauge/image_file.h"
#include "gauge/station_settings.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"

namespace tester {

// What the last set-up of a station (InitCacheFromSetup) found.
struct SetupFindings {
  // Why the station must not test: values of its station file or of Config.ini that
  // cannot be read, an image that is not the approved one. Empty = set up.
  std::vector<std::string> refusals;
  // What a run should show and record: Config.ini values worked around, an image
  // without a digest.
  std::vector<std::string> warnings;
  std::string image_file;    // the golden image checked, as the file system names it
  std::string image_sha256;  // its digest, when it could be read
};

class Station {
public:
  // `program_folder`: the application folder holding Config.ini, Targets and test.ini.
  Station(EventPump& pump, OperatorDialogs& dialogs, std::string program_folder);
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  EventPump& Pump() { return pump_; }
  OperatorDialogs& Dialogs() { return dialogs_; }
  const std::string& ProgramFolder() const { return program_folder_; }
  // Config.ini of the application folder.
  std::string ConfigIniPath() const;

  // Golden images as the last image check loaded them: the register-style cache serves
  // command sets 5, 6 and 7, the SMBus cache every other.
  ImageRecord& CacheFor(int commandset);

  // The calibration procedures' view of this station; `results` (may be null) receives
  // the coefficients a host-computed calibration produced.
  CalContext Cal(CalibrationResults* results = nullptr);

  StationSettings settings;
  GaugeLink link;
  CalBoard board;
  SetupFindings setup;
  std::string adapter_id;  // identifier of the adapter the station runs on, for the record

private:
  EventPump& pump_;
  OperatorDialogs& dialogs_;
  std::string program_folder_;
  ImageRecord register_cache_;
  ImageRecord smbus_cache_;
};

}  // namespace tester
