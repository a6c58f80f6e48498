#include "dfreader/target_detection.h"

#include "common/messages.h"
#include "gauge/gauge_identity.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

constexpr const char* kZeroVersion = "0.0.00";

bool Found(Status status, const std::string& text) { return status == 0 && !text.empty(); }

template <typename Read>
std::string WithFallbacks(GaugeLink& link, OperatorDialogs& dialogs, Status status,
                          std::string text, Read read) {
  for (const uint8_t cmd : kFallbackVersionCommands) {
    if (Found(status, text)) return text;
    text.clear();
    status = read(link, text, cmd);
  }
  if (Found(status, text)) return text;
  dialogs.ShowMessage(LoadMessage(kMsgCommErrorReading));
  return {};
}

}  // namespace

std::string AutoDetectTarget(GaugeLink& link, OperatorDialogs& dialogs) {
  const auto mac = static_cast<uint8_t>(link.Settings().QZMAC);
  std::string text;
  Status status = ReadDeviceVersion(link, text, mac);
  if (status == 0 && text == kZeroVersion) {
    text.clear();
    status = ReadDeviceVersionBlock(link, text, mac);
  }
  return WithFallbacks(link, dialogs, status, text, ReadDeviceVersion);
}

std::string AutoDetectTargetI2C(GaugeLink& link, OperatorDialogs& dialogs) {
  const auto mac = static_cast<uint8_t>(link.Settings().QZMAC);
  std::string text;
  const Status status = ReadDeviceVersionI2C(link, text, mac);
  return WithFallbacks(link, dialogs, status, text, ReadDeviceVersionI2C);
}

bool DetectsThroughRegisters(const std::string& target) {
  const std::string first = target.substr(0, target.find('.'));
  return first == "100" || first == "560";
}

}  // namespace tester
