#include "testing/gauge_bench.h"

#include "gauge/gauge_identity.h"
#include "gauge/rom_mode.h"
#include "gauge/station_settings.h"
#include "testing/demo_home.h"

namespace tester {

SimGaugeBench::SimGaugeBench(std::size_t adapter, const JigDescription& jig)
    : station_(clock, jig, adapter) {
  if (!station_.Ok()) return;
  LoadStationSettings(settings, test::DemoFolder(), TargetOf(station_.Adapter().packs.at(0)));
  link.BindGaugeControl(&station_.Control());
}

SimGaugeBench::~SimGaugeBench() { link.ReleaseGaugeControl(); }

ImageRecord SimGaugeBench::ImageOfPack() {
  const auto flash = Pack().Memory().DataFlash();
  const std::size_t read = static_cast<std::size_t>(
      settings.DF_IMAGE_SZ / settings.DF_PROGROW_SZ * settings.DF_PROGROW_SZ);
  return MakeImageRecord(static_cast<int32_t>(Pack().Memory().FirmwareIdentity()),
                         flash.first(read), ImageLayoutFor(Family()), settings);
}

bool SimGaugeBench::EnterRom() {
  if (IsRegisterGauge(Family())) {
    return EnterROMModeI2C(link, static_cast<uint8_t>(settings.RetROMCmd), settings.RetROMWd) ==
           0;
  }
  if (EnterROMMode(link, static_cast<uint8_t>(settings.RetROMCmd), settings.RetROMWd) != kTrue) {
    return false;
  }
  return Family() != 5 || link.SelectBusMode(1) == 0;
}

bool SimGaugeBench::ExitRom() {
  if (Family() == 5) return ExitROMModeI2C(link) == kTrue && link.SelectBusMode(0) == 0;
  if (IsRegisterGauge(Family())) return ExitROMModeI2C(link) == kTrue;
  return ExitROMMode(link) == 0;
}

}  // namespace tester
