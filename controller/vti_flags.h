#pragma once
// The per-row temperature flags the main window hands the VTI window when it opens it
// (bits kTempNoProbe, kTempProbeInternal, kTempProbeExternal, kTempReferenced).
#include <array>
#include <vector>

#include "controller/vti_host.h"

namespace tester {

using VtiFlags = std::array<int, kVtiSlots>;

// Flags of each station, by its place in `stations`.
VtiFlags BuildTempSensorFlags(const std::vector<VtiStation>& stations);

}  // namespace tester
