#include "engine/station_identity.h"

#include "gauge/gauge_identity.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

// What gauges of older firmware answer to the word reads of their identity.
constexpr const char* kZeroVersion = "0.0.00";

Status ReadSmbusVersion(GaugeLink& link, std::string& text) {
  const auto cmd = static_cast<uint8_t>(link.Settings().QZMAC);
  Status status = ReadDeviceVersion(link, text, cmd);
  if (status == 0 && text == kZeroVersion) status = ReadDeviceVersionBlock(link, text, cmd);
  return status;
}

Status ReadRegisterVersion(GaugeLink& link, std::string& text) {
  return ReadDeviceVersionI2C(link, text, static_cast<uint8_t>(link.Settings().QZMAC));
}

}  // namespace

Status ReadStationVersion(GaugeLink& link, std::string& text) {
  if (IsRegisterGauge(link.Settings().COMMANDSET)) return ReadRegisterVersion(link, text);
  return ReadSmbusVersion(link, text);
}

Status DetectGauge(GaugeLink& link, DetectedGauge& gauge) {
  std::string text;
  if (ReadSmbusVersion(link, text) == 0 && !text.empty()) {
    gauge = DetectedGauge{text, GaugeBus::Smbus};
    return 0;
  }
  text.clear();
  const Status status = ReadRegisterVersion(link, text);
  if (status == 0) gauge = DetectedGauge{text, GaugeBus::Register};
  return status;
}

}  // namespace tester
