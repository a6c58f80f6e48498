#pragma once
// Reading which gauge sits on a station: the version text read the way a test run reads
// it for the station's command set, and a detection for when the kind is not known yet.
#include <string>

#include "gauge/gauge_link.h"

namespace tester {

// Command sets 6 and 7 read through registers at 0xAA; the others through SMBus words,
// falling back to block reads when the words give "0.0.00" (older firmware). The
// manufacturer-access command is the settings' QZMAC. The status of the read that counts.
Status ReadStationVersion(GaugeLink& link, std::string& text);

enum class GaugeBus { Smbus, Register };

struct DetectedGauge {
  std::string version_text;
  GaugeBus bus = GaugeBus::Smbus;
};

// For a gauge of unknown kind: the SMBus way first, then the register way. On failure
// returns the status of the register-style attempt (the last one made).
Status DetectGauge(GaugeLink& link, DetectedGauge& gauge);

}  // namespace tester
