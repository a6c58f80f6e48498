#pragma once
// The result log: one line per completed run. The log owns its file, format and display;
// the programs only size it and add results.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/status_codes.h"

namespace tester {

// The one station name of the stand-alone engine.
inline constexpr std::string_view kStandaloneStationName = "Station01";

class TesterLog {
public:
  virtual ~TesterLog() = default;

  // Once after start-up: the first `count` entries of `names` are the stations, in slot order
  // (`names` may hold more entries than `count`).
  virtual void InitStations(std::span<const std::string> names, int16_t count) = 0;

  // After every completed run. Returns an error text, empty = success.
  virtual std::string AddToLog(const std::string& sStationName, const std::string& sSerial,
                               Status nErrCode, Status nExtErrCode, const std::string& sLogFile,
                               const std::string& sCustomLogStr) = 0;
};

}  // namespace tester
