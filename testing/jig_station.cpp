#include "testing/jig_station.h"

#include <fstream>
#include <iostream>
#include <utility>

#include "gauge/gauge_identity.h"
#include "platform/trace_control.h"
#include "sim/default_jig.h"
#include "testing/i2c_jig_station.h"

namespace tester {

JigDescription DefaultJig() {
  std::string error;
  return ParseJigText(DefaultJigText(), error).value_or(JigDescription{});
}

std::string TargetOf(const PackDescription& pack) {
  return FormatVersionText(static_cast<uint16_t>(pack.device_type),
                           static_cast<uint8_t>(pack.firmware >> 8),
                           static_cast<uint8_t>(pack.firmware & 0xFF));
}

}  // namespace tester

namespace tester::test {

std::string OneStationJig(const std::string& packs, const std::string& adapter_keys) {
  return std::string("[adapter ") + kStationAdapter +
         "]\ncal_board = yes\nsensors = 0x90 0x94\n" + adapter_keys + packs;
}

JigStation::JigStation(EventPump& clock, const JigDescription& jig, std::size_t adapter,
                       Trace trace)
    : adapter_(adapter) {
  if (!locks_.Ok()) {
    error_ = locks_.Error();
  } else if (adapter >= jig.adapters.size()) {
    error_ = "the jig has no adapter " + std::to_string(adapter);
  } else {
    std::unique_ptr<SimControl> sim = MakeSimControl(jig, locks_.Path(), clock, error_);
    if (sim) {
      sim_ = sim.get();
      outer_ = std::move(sim);
      if (trace == Trace::kOn) {
        auto traced = std::make_unique<TracingControl>(std::move(outer_), clock, TraceFile());
        if (!traced->Ok()) error_ = "cannot write " + TraceFile();
        outer_ = std::move(traced);
      }
      if (error_.empty() && outer_->OpenAdapter(jig.adapters[adapter].identifier) != 0) {
        error_ = "adapter " + jig.adapters[adapter].identifier + " not opened";
      }
    }
  }
  // Loud at once: a station that is not there fails whatever uses it next.
  if (!error_.empty()) std::cerr << "station on the virtual jig: " << error_ << "\n";
}

JigStation::~JigStation() = default;

std::vector<std::string> JigStation::TraceLines() const { return TraceFileLines(TraceFile()); }

}  // namespace tester::test
