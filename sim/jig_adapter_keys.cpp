// Keys of an [adapter] section: what is fitted on the station (calibration board, which
// temperature sensors) and what the board applies to the pack (reference source, load
// current, room temperature). See docs/jig-file.md, "Adapter keys".
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/gauge_control.h"
#include "sim/adapter_id_store.h"
#include "sim/jig_keys.h"
#include "sim/jig_values.h"

namespace tester {
namespace {

constexpr uint8_t kExternalProbe = 0x90;    // external probe, every board
constexpr uint8_t kBoardSensor = 0x94;      // board's own sensor, normal board
constexpr uint8_t kAdvancedSensor = 0x92;   // board's own sensor, advanced board

constexpr double kSensorMinC = -55.0;     // coldest a board sensor measures
constexpr double kSensorMaxC = 125.0;     // hottest a board sensor measures
constexpr double kMaxSensorErrorC = 10.0; // largest error a sensor may be given, either way
// A reference cell (one tap above the one below it): as high as a cell of the pack may be
// (true_cell_mv), so the raw cell counts (4 per mV) stay inside the gauges' 16-bit words.
constexpr double kMaxRefCellMv = 5000.0;
constexpr double kMaxTapMv = 4 * kMaxRefCellMv;  // four such cells
constexpr double kMaxLoadMa = 32767.0;    // a gauge's signed current reading tops out here
constexpr int64_t kMaxAdapterFirmware = 99999;  // version 99.9 revision 99

// Addresses where the board's port or the pack's gauge answers: no sensor can sit there.
bool IsReservedAddress(int64_t addr) {
  return addr == kAddrCalBoard || addr == kAddrSmbusGauge || addr == kAddrRegGauge ||
         addr == kAddrRegLoader;
}

// The sensors an adapter has when the jig does not name them.
void SetStandardSensors(AdapterDescription& adapter) {
  adapter.sensors = {kExternalProbe, adapter.advanced_board ? kAdvancedSensor : kBoardSensor};
}

KeyResult ApplyBoardFlag(AdapterDescription& adapter, const std::string& value,
                         std::string& what) {
  auto flag = ParseJigFlag(value);
  if (!flag) {
    what = "expects yes or no";
    return KeyResult::kBadValue;
  }
  adapter.cal_board = *flag;
  return KeyResult::kApplied;
}

// An advanced board carries its own sensor at 0x92; named sensors stay as named.
KeyResult ApplyAdvancedFlag(AdapterDescription& adapter, const std::string& value,
                            std::string& what) {
  auto flag = ParseJigFlag(value);
  if (!flag) {
    what = "expects yes or no";
    return KeyResult::kBadValue;
  }
  adapter.advanced_board = *flag;
  if (!adapter.sensors_named) SetStandardSensors(adapter);
  return KeyResult::kApplied;
}

KeyResult ApplySensors(AdapterDescription& adapter, const std::string& value,
                       std::string& what) {
  auto list = ParseJigIntList(value, 0, 0xFF);
  if (!list || std::ranges::any_of(*list, IsReservedAddress)) {
    what = "expects bus addresses such as 0x90 0x94 (not 0xC0, 0x16, 0x17 or 0xAA)";
    return KeyResult::kBadValue;
  }
  adapter.sensors.assign(list->begin(), list->end());
  adapter.sensors_named = true;
  return KeyResult::kApplied;
}

// "<address> <degC>": that sensor reads this much above (or below) the true temperature.
// Named again, the later value counts.
KeyResult ApplySensorError(AdapterDescription& adapter, const std::string& value,
                           std::string& what) {
  std::vector<std::string> items = SplitJigList(value);
  auto addr = items.size() == 2 ? ParseJigInt(items[0], 0, 0xFF) : std::nullopt;
  auto error = items.size() == 2 ? ParseJigReal(items[1], -kMaxSensorErrorC, kMaxSensorErrorC)
                                  : std::nullopt;
  if (!addr || !error) {
    what = "expects a sensor address and an error in degC from -10 to 10, such as 0x94 0.3";
    return KeyResult::kBadValue;
  }
  auto& errors = adapter.sensor_errors;
  std::erase_if(errors, [&](const SensorError& e) { return e.addr == *addr; });
  errors.push_back({static_cast<uint8_t>(*addr), *error});
  return KeyResult::kApplied;
}

KeyResult ApplyAmbient(AdapterDescription& adapter, const std::string& value,
                       std::string& what) {
  auto real = ParseJigReal(value, kSensorMinC, kSensorMaxC);
  if (!real) {
    what = "expects a temperature in degrees Celsius from -55 to 125";
    return KeyResult::kBadValue;
  }
  adapter.ambient_c = *real;
  return KeyResult::kApplied;
}

// Four cumulative tap voltages: each tap at least as high as the one below it, and no
// more than one cell's worth above it.
KeyResult ApplyRefTaps(AdapterDescription& adapter, const std::string& value,
                       std::string& what) {
  const std::size_t taps = adapter.ref_tap_mv.size();
  auto list = ParseJigRealList(value, 0.0, kMaxTapMv, taps);
  bool ok = list && list->size() == taps;
  for (std::size_t j = 0; ok && j < taps; ++j) {
    const double cell = (*list)[j] - (j == 0 ? 0.0 : (*list)[j - 1]);
    ok = cell >= 0.0 && cell <= kMaxRefCellMv;
  }
  if (!ok) {
    what = "expects four rising tap voltages in mV, each at most 5000 above the one below, "
           "such as 3700 7400 11100 14800";
    return KeyResult::kBadValue;
  }
  std::ranges::copy(*list, adapter.ref_tap_mv.begin());
  return KeyResult::kApplied;
}

KeyResult ApplyRefCurrent(AdapterDescription& adapter, const std::string& value,
                          std::string& what) {
  auto real = ParseJigReal(value, 0.0, kMaxLoadMa);
  if (!real) {
    what = "expects the load current in mA from 0 to 32767";
    return KeyResult::kBadValue;
  }
  adapter.ref_current_ma = *real;
  return KeyResult::kApplied;
}

// 32 hexadecimal digits, stored in upper case.
KeyResult ApplyStoredId(AdapterDescription& adapter, const std::string& value,
                        std::string& what) {
  auto id = NormalizedAdapterId(value);
  if (!id) {
    what = "expects 32 hexadecimal digits";
    return KeyResult::kBadValue;
  }
  adapter.stored_id = *id;
  return KeyResult::kApplied;
}

KeyResult ApplyFirmware(AdapterDescription& adapter, const std::string& value,
                        std::string& what) {
  auto version = ParseJigInt(value, 0, kMaxAdapterFirmware);
  if (!version) {
    what = "expects a version number from 0 to 99999, such as 3200 for 3.2";
    return KeyResult::kBadValue;
  }
  adapter.firmware = static_cast<int32_t>(*version);
  return KeyResult::kApplied;
}

}  // namespace

KeyResult ApplyAdapterKey(AdapterDescription& adapter, const std::string& key,
                          const std::string& value, std::string& what) {
  if (key == "cal_board") return ApplyBoardFlag(adapter, value, what);
  if (key == "advanced") return ApplyAdvancedFlag(adapter, value, what);
  if (key == "sensors") return ApplySensors(adapter, value, what);
  if (key == "sensor_error_c") return ApplySensorError(adapter, value, what);
  if (key == "ambient_c") return ApplyAmbient(adapter, value, what);
  if (key == "ref_tap_mv") return ApplyRefTaps(adapter, value, what);
  if (key == "ref_current_ma") return ApplyRefCurrent(adapter, value, what);
  if (key == "adapter_id") return ApplyStoredId(adapter, value, what);
  if (key == "adapter_firmware") return ApplyFirmware(adapter, value, what);
  return KeyResult::kUnknownKey;
}

}  // namespace tester
