#pragma once
// A gauge link on the virtual jig: one station of the default jig (or of a jig derived
// from it), settings loaded from the demo Config.ini for the station's target, and a
// private lock folder.
#include <cstddef>
#include <string>

#include "gauge/gauge_link.h"
#include "gauge/image_file.h"
#include "gauge/station_settings.h"
#include "platform/virtual_clock.h"
#include "sim/sim_control.h"
#include "testing/jig_station.h"

namespace tester {

class SimGaugeBench {
public:
  explicit SimGaugeBench(std::size_t adapter, const JigDescription& jig = DefaultJig());
  ~SimGaugeBench();
  SimGaugeBench(const SimGaugeBench&) = delete;
  SimGaugeBench& operator=(const SimGaugeBench&) = delete;

  bool Ok() const { return station_.Ok(); }
  SimControl& Control() { return station_.Sim(); }
  PackModel& Pack() { return station_.Pack(); }
  int Family() const { return settings.COMMANDSET; }

  // Golden image of the pack on the station now, taken from its memory as the image
  // reader would record it.
  ImageRecord ImageOfPack();
  // ROM mode as the test sequence enters it; command set 5 ends in bus mode 1.
  bool EnterRom();
  bool ExitRom();

  VirtualClock clock;

private:
  test::JigStation station_;

public:
  StationSettings settings;
  GaugeLink link{clock, settings};
};

}  // namespace tester
