#pragma once
// The result log: one entry per completed run. The log owns its file, format and display;
// the programs only size it and add results.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/status_codes.h"

namespace tester {

struct RunRecord;

// The one station name of the stand-alone engine.
inline constexpr std::string_view kStandaloneStationName = "Station01";

class TesterLog {
public:
  virtual ~TesterLog() = default;

  // Once after start-up: the first `count` entries of `names` are the stations, in slot order
  // (`names` may hold more entries than `count`).
  virtual void InitStations(std::span<const std::string> names, int16_t count) = 0;

  // After every completed run: the completion's values and, when the completion carried one,
  // the run's whole record (nullptr otherwise). Returns an error text, empty = success; a
  // log that cannot store the entry says so here and never loses it silently.
  virtual std::string AddToLog(const std::string& sStationName, const std::string& sSerial,
                               Status nErrCode, Status nExtErrCode, const std::string& sLogFile,
                               const std::string& sCustomLogStr, const RunRecord* record) = 0;
};

}  // namespace tester
