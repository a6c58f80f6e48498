#pragma once
// Stations on a virtual jig: the built-in default jig, jig text for one station, and one
// station of a jig with its adapter open, on a clock the caller gives.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_pump.h"
#include "common/gauge_control.h"
#include "sim/jig.h"
#include "sim/sim_control.h"
#include "testing/scratch_folder.h"

namespace tester {

// The built-in default jig (it always parses; the jig-parser tests hold it to that).
JigDescription DefaultJig();
// The target a pack is tested as: its version text, which names its settings and image.
std::string TargetOf(const PackDescription& pack);

}  // namespace tester

namespace tester::test {

// The adapter of OneStationJig.
inline constexpr const char* kStationAdapter = "6B1E0C57A2F94D3880E7B1C4D2A95F36";

// Jig text of one station: a calibration board, the sensors at 0x90 and 0x94,
// `adapter_keys` ("key = value" lines), then `packs` ("[pack …]" sections of the caller).
std::string OneStationJig(const std::string& packs, const std::string& adapter_keys = "");

// One station of `jig`: the simulated control on a private lock folder with adapter
// `adapter` open and, with Trace::kOn, a tracing control in front of it writing
// TraceFile(). Ok() is false when the control or the adapter could not be had.
class JigStation {
public:
  enum class Trace { kOff, kOn };

  JigStation(EventPump& clock, const JigDescription& jig, std::size_t adapter = 0,
             Trace trace = Trace::kOff);
  ~JigStation();
  JigStation(const JigStation&) = delete;
  JigStation& operator=(const JigStation&) = delete;

  bool Ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  // What the station talks through: the tracing control when traced, else the simulated.
  GaugeControl& Control() { return *outer_; }
  SimControl& Sim() { return *sim_; }
  // The pack on the station now.
  PackModel& Pack() { return *sim_->Pack(); }
  const AdapterDescription& Adapter() const { return sim_->Jig().adapters.at(adapter_); }
  std::string Locks() const { return locks_.Path(); }
  std::string TraceFile() const { return locks_.File("trace"); }
  // Every traced operation so far, without its time stamp.
  std::vector<std::string> TraceLines() const;

private:
  ScratchFolder locks_{"tester-jig"};
  std::unique_ptr<GaugeControl> outer_;
  SimControl* sim_ = nullptr;
  std::size_t adapter_ = 0;
  std::string error_;
};

}  // namespace tester::test
