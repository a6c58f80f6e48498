#pragma once
// A gauge link on the virtual jig: one station of the default jig (or of a jig derived
// from it), settings loaded from the demo Config.ini for the station's target, and a
// private lock directory.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "gauge/gauge_identity.h"
#include "gauge/gauge_link.h"
#include "gauge/image_file.h"
#include "gauge/rom_mode.h"
#include "gauge/station_settings.h"
#include "platform/virtual_clock.h"
#include "sim/default_jig.h"
#include "sim/sim_control.h"

namespace tester {

inline JigDescription DefaultJig() {
  std::string error;
  auto jig = ParseJigText(DefaultJigText(), error);
  EXPECT_TRUE(jig.has_value()) << error;
  return jig.value_or(JigDescription{});
}

inline std::string TargetOf(const PackDescription& pack) {
  return FormatVersionText(static_cast<uint16_t>(pack.device_type),
                           static_cast<uint8_t>(pack.firmware >> 8),
                           static_cast<uint8_t>(pack.firmware & 0xFF));
}

class SimGaugeBench {
public:
  SimGaugeBench(std::size_t adapter, const JigDescription& jig = DefaultJig()) {
    char pattern[] = "/tmp/program-sim-locks-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    locks_ = made != nullptr ? made : "";
    std::string error;
    control_ = MakeSimControl(jig, locks_, clock, error);
    EXPECT_TRUE(control_) << error;
    if (!control_) return;
    const AdapterDescription& described = control_->Jig().adapters.at(adapter);
    EXPECT_EQ(control_->OpenAdapter(described.identifier), 0);
    LoadStationSettings(settings, std::string(TESTER_SOURCE_DIR) + "/demo",
                        TargetOf(described.packs.at(0)));
    link.BindGaugeControl(control_.get());
  }
  ~SimGaugeBench() {
    link.ReleaseGaugeControl();
    control_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(locks_, ignored);
  }

  SimControl& Control() { return *control_; }
  PackModel& Pack() { return *control_->Pack(); }
  int Family() const { return settings.COMMANDSET; }

  // Golden image of the pack on the station now, taken from its memory as the image
  // reader would record it.
  ImageRecord ImageOfPack() {
    const auto flash = Pack().Memory().DataFlash();
    const std::size_t read = static_cast<std::size_t>(
        settings.DF_IMAGE_SZ / settings.DF_PROGROW_SZ * settings.DF_PROGROW_SZ);
    return MakeImageRecord(static_cast<int32_t>(Pack().Memory().FirmwareIdentity()),
                           flash.first(read), ImageLayoutFor(Family()), settings);
  }

  // ROM mode as the test sequence enters it; command set 5 ends in bus mode 1.
  bool EnterRom() {
    if (IsRegisterGauge(Family())) {
      return EnterROMModeI2C(link, static_cast<uint8_t>(settings.RetROMCmd), settings.RetROMWd) ==
             0;
    }
    if (EnterROMMode(link, static_cast<uint8_t>(settings.RetROMCmd), settings.RetROMWd) != kTrue) {
      return false;
    }
    return Family() != 5 || link.SelectBusMode(1) == 0;
  }

  bool ExitRom() {
    if (Family() == 5) return ExitROMModeI2C(link) == kTrue && link.SelectBusMode(0) == 0;
    if (IsRegisterGauge(Family())) return ExitROMModeI2C(link) == kTrue;
    return ExitROMMode(link) == 0;
  }

  VirtualClock clock;
  StationSettings settings;
  GaugeLink link{clock, settings};

private:
  std::string locks_;
  std::unique_ptr<SimControl> control_;
};

}  // namespace tester
