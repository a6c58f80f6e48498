#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>

#include "sim/jig_keys.h"
#include "sim/jig_values.h"

namespace tester {
namespace {

constexpr int kDataFlashSize = 2048;  // bytes of data flash a pack carries
constexpr int kRowBytes = 96;         // bytes of one instruction row
constexpr int kMaxMs = 600'000;       // longest timing accepted, ms

// Ranges of the hidden true values: what the pack models compute with. Each keeps the
// gauge's raw counts inside the 16-bit words they travel in and the offset sums inside
// the 16-bit words they are stored in (docs/jig-file.md, "Pack keys").
constexpr std::size_t kMaxCells = 4;        // cell taps of a gauge
constexpr std::size_t kTempSensors = 5;     // internal, TS1 .. TS4
// A cell above 5 V exists in no chemistry the gauges serve; at +10 % gain error 5000 mV
// reads 22000 counts, and four of them 48060 pack counts, inside 65535.
constexpr double kMaxCellMv = 5000.0;
// A gain error of 10 % is a grossly failed part; larger ones leave the scales above.
constexpr double kMaxGainError = 0.1;
// Sense resistors: from 0.1 mOhm up to where the default 2 A load still reads inside the
// register-style counter's signed 16-bit sample (2000 mA x 75 mOhm / 4.7095 uV = 31851
// counts, 32276 with the largest offsets below).
constexpr double kMinSenseMohm = 0.1;
constexpr double kMaxSenseMohm = 75.0;
// Offsets at the sense input: 1 mV (100 mA through 10 mOhm) is a broken gauge already.
// 64 shorted conversions of 1 mV sum to 6795 counts (SMBus, 9.419 uV), 16 to 3398
// (register-style, 4.7095 uV); with the board's offset on top, 13590: all inside the
// signed 16-bit words the offsets are stored in.
constexpr double kMaxOffsetUv = 1000.0;
// A sensor 50 K off is a broken sensor (the gauges correct 12.7 K at most); with the
// ambient range of the adapter its reading stays far inside the 0.1 K words.
constexpr double kMaxTempErrorC = 50.0;

using Setter = std::function<bool(PackDescription&, const std::string&, std::string&)>;

template <typename T>
Setter IntKey(T PackDescription::*field, int64_t min, int64_t max) {
  return [field, min, max](PackDescription& p, const std::string& v, std::string& what) {
    auto n = ParseJigInt(v, min, max);
    if (!n) {
      what = "expects a whole number from " + std::to_string(min) + " to " + std::to_string(max);
      return false;
    }
    p.*field = static_cast<T>(*n);
    return true;
  };
}

Setter TimingKey(int GaugeTimings::*field) {
  return [field](PackDescription& p, const std::string& v, std::string& what) {
    auto n = ParseJigInt(v, 0, kMaxMs);
    if (!n) {
      what = "expects milliseconds from 0 to " + std::to_string(kMaxMs);
      return false;
    }
    p.timings.*field = static_cast<int>(*n);
    return true;
  };
}

template <typename Owner>
Setter FlagKey(Owner PackDescription::*owner, bool Owner::*field) {
  return [owner, field](PackDescription& p, const std::string& v, std::string& what) {
    auto f = ParseJigFlag(v);
    if (!f) {
      what = "expects yes or no";
      return false;
    }
    (p.*owner).*field = *f;
    return true;
  };
}

// One to `max_count` reals, each from `min` to `max`; `expects` explains a refusal.
Setter RealListKey(std::vector<double> TrueValues::*field, double min, double max,
                   std::size_t max_count, const char* expects) {
  return [=](PackDescription& p, const std::string& v, std::string& what) {
    auto list = ParseJigRealList(v, min, max, max_count);
    if (!list) {
      what = expects;
      return false;
    }
    p.truth.*field = *list;
    return true;
  };
}

Setter RealKey(double TrueValues::*field, double min, double max, const char* expects) {
  return [=](PackDescription& p, const std::string& v, std::string& what) {
    auto r = ParseJigReal(v, min, max);
    if (!r) {
      what = expects;
      return false;
    }
    p.truth.*field = *r;
    return true;
  };
}

Setter TruthIntKey(int TrueValues::*field, int64_t min, int64_t max) {
  return [field, min, max](PackDescription& p, const std::string& v, std::string& what) {
    auto n = ParseJigInt(v, min, max);
    if (!n) {
      what = "expects a whole number from " + std::to_string(min) + " to " + std::to_string(max);
      return false;
    }
    p.truth.*field = static_cast<int>(*n);
    return true;
  };
}

Setter TruthFlagKey(bool TrueValues::*field) {
  return [field](PackDescription& p, const std::string& v, std::string& what) {
    auto f = ParseJigFlag(v);
    if (!f) what = "expects yes or no";
    if (f) p.truth.*field = *f;
    return f.has_value();
  };
}

bool SetCalLayoutKey(PackDescription& p, const std::string& v, std::string& what) {
  static const std::map<std::string, CalLayout> layouts = {
      {"host", CalLayout::kHost}, {"gauge", CalLayout::kGauge},
      {"register", CalLayout::kRegister}};
  auto it = layouts.find(TrimJig(v));
  if (it == layouts.end()) {
    what = "expects host, gauge or register";
    return false;
  }
  p.truth.cal_layout = it->second;
  return true;
}

// "<offset> <hex bytes>" inside an area of `size` bytes.
bool ParsePatch(const std::string& v, int size, BytePatch& patch, std::string& what) {
  std::string text = TrimJig(v);
  size_t space = text.find_first_of(" \t");
  auto offset = ParseJigInt(text.substr(0, space), 0, size - 1);
  auto bytes = space == std::string::npos ? std::nullopt : ParseJigHexBytes(text.substr(space));
  if (!offset || !bytes) {
    what = "expects an offset and a run of hexadecimal byte digits";
    return false;
  }
  if (*offset + static_cast<int64_t>(bytes->size()) > size) {
    what = "runs past the end (" + std::to_string(size) + " bytes)";
    return false;
  }
  patch = BytePatch{static_cast<int>(*offset), *bytes};
  return true;
}

Setter IrowKey(int row) {
  return [row](PackDescription& p, const std::string& v, std::string& what) {
    BytePatch patch;
    if (!ParsePatch(v, kRowBytes, patch, what)) return false;
    p.irow_patches[row].push_back(patch);
    return true;
  };
}

bool SetClassKey(PackDescription& p, const std::string& v, std::string& what) {
  auto n = ParseJigIntList(v, 0, 0xFFFF);
  if (!n || n->size() != 3 || (*n)[2] == 0 || (*n)[1] + (*n)[2] > kDataFlashSize) {
    what = "expects <class id> <data-flash address> <length> inside the 2048-byte data flash";
    return false;
  }
  SetClass(p.classes, {static_cast<int>((*n)[0]), static_cast<int>((*n)[1]),
                       static_cast<int>((*n)[2])});
  return true;
}

const std::map<std::string, Setter>& PackSetters() {
  static const std::map<std::string, Setter> setters = {
      {"label", [](PackDescription& p, const std::string& v, std::string&) {
         p.label = TrimJig(v);
         return true;
       }},
      {"family", IntKey(&PackDescription::family, 0, 999)},
      {"device_type", IntKey(&PackDescription::device_type, 0, 0xFFFF)},
      {"firmware", IntKey(&PackDescription::firmware, 0, 0xFFFF)},
      {"identity", IntKey(&PackDescription::identity, 0, 0xFFFFFF)},
      {"old_firmware", [](PackDescription& p, const std::string& v, std::string& what) {
         auto f = ParseJigFlag(v);
         if (!f) what = "expects yes or no";
         if (f) p.old_firmware = *f;
         return f.has_value();
       }},
      {"mac_cmd", IntKey(&PackDescription::mac_cmd, 0, 0xFF)},
      {"rom_cmd", IntKey(&PackDescription::rom_cmd, 0, 0xFF)},
      {"rom_word", IntKey(&PackDescription::rom_word, 0, 0xFFFF)},
      {"row_size", IntKey(&PackDescription::row_size, 1, 64)},
      {"checksum_span", IntKey(&PackDescription::checksum_span, 1, kDataFlashSize)},
      {"image_span", IntKey(&PackDescription::image_span, 1, kDataFlashSize)},
      {"row_erase_ms", TimingKey(&GaugeTimings::row_erase_ms)},
      {"mass_erase_ms", TimingKey(&GaugeTimings::mass_erase_ms)},
      {"row_program_ms", TimingKey(&GaugeTimings::row_program_ms)},
      {"checksum_ms", TimingKey(&GaugeTimings::checksum_ms)},
      {"rom_startup_ms", TimingKey(&GaugeTimings::rom_startup_ms)},
      {"commit_ms", TimingKey(&GaugeTimings::commit_ms)},
      {"df_seed", [](PackDescription& p, const std::string& v, std::string& what) {
         auto n = ParseJigInt(v, 0, 0xFFFFFFFFLL);
         if (!n) what = "expects a whole number from 0 to 4294967295";
         if (n) p.data_flash.seed = static_cast<uint32_t>(*n);
         return n.has_value();
       }},
      {"df_blank_rows", [](PackDescription& p, const std::string& v, std::string& what) {
         auto rows = ParseJigRanges(v, 0, kDataFlashSize - 1);
         if (!rows) what = "expects row numbers or ranges such as 5 7 20-22";
         if (rows) p.data_flash.blank_rows = *rows;
         return rows.has_value();
       }},
      {"df_data", [](PackDescription& p, const std::string& v, std::string& what) {
         BytePatch patch;
         if (!ParsePatch(v, kDataFlashSize, patch, what)) return false;
         p.data_flash.patches.push_back(patch);
         return true;
       }},
      {"irow_seed", IntKey(&PackDescription::irow_seed, 0, 0xFFFFFFFFLL)},
      {"irow0", IrowKey(0)},
      {"irow1", IrowKey(1)},
      {"class", SetClassKey},
      {"true_cell_mv", RealListKey(&TrueValues::cell_mv, 0.0, kMaxCellMv, kMaxCells,
                                   "expects 1 to 4 cell voltages in mV from 0 to 5000")},
      {"true_cell_gain_error",
       RealListKey(&TrueValues::cell_gain_error, -kMaxGainError, kMaxGainError, kMaxCells,
                   "expects 1 to 4 gain errors from -0.1 to 0.1")},
      {"true_sense_mohm", RealKey(&TrueValues::sense_mohm, kMinSenseMohm, kMaxSenseMohm,
                                  "expects a resistance in mOhm from 0.1 to 75")},
      {"true_cc_offset_uv", RealKey(&TrueValues::cc_offset_uv, -kMaxOffsetUv, kMaxOffsetUv,
                                    "expects an offset in uV from -1000 to 1000")},
      {"true_temp_error_c",
       RealListKey(&TrueValues::temp_error_c, -kMaxTempErrorC, kMaxTempErrorC, kTempSensors,
                   "expects 1 to 5 sensor errors in degC from -50 to 50")},
      {"true_pack_gain_error",
       RealKey(&TrueValues::pack_gain_error, -kMaxGainError, kMaxGainError,
               "expects a gain error from -0.1 to 0.1")},
      {"true_board_offset_uv",
       RealKey(&TrueValues::board_offset_uv, -kMaxOffsetUv, kMaxOffsetUv,
               "expects an offset in uV from -1000 to 1000")},
      {"cal_layout", SetCalLayoutKey},
      {"cal_address", TruthIntKey(&TrueValues::host_address, 0, kDataFlashSize - 128)},
      {"cal_board_offset_at", TruthIntKey(&TrueValues::board_offset_at, 0, 126)},
      {"cal_nominal", [](PackDescription& p, const std::string& v, std::string& what) {
         auto f = ParseJigFlag(v);
         if (!f) what = "expects yes or no";
         if (f) p.truth.nominal_cal = *f ? 1 : 0;
         return f.has_value();
       }},
      {"cal_counter_frozen", TruthFlagKey(&TrueValues::counter_frozen)},
      {"cal_step_error", [](PackDescription& p, const std::string& v, std::string& what) {
         auto n = ParseJigInt(v, 0, 0xFFFF);
         if (!n) what = "expects a whole number from 0 to 65535";
         if (n) p.truth.step_error = static_cast<uint16_t>(*n);
         return n.has_value();
       }},
      {"cal_step_ms", TruthIntKey(&TrueValues::step_ms, 0, kMaxMs)},
      {"ext_sensor", TruthFlagKey(&TrueValues::ext_sensor)},
      {"fail_at", [](PackDescription& p, const std::string& v, std::string& what) {
         auto n = ParseJigInt(v, 1, INT32_MAX);
         if (!n) what = "expects a transfer number from 1";
         if (n) p.defects.fail_at = static_cast<int>(*n);
         return n.has_value();
       }},
      {"fail_from", [](PackDescription& p, const std::string& v, std::string& what) {
         auto n = ParseJigInt(v, 1, INT32_MAX);
         if (!n) what = "expects a transfer number from 1";
         if (n) p.defects.fail_from = static_cast<int>(*n);
         return n.has_value();
       }},
      {"unresponsive", FlagKey(&PackDescription::defects, &PackDefects::unresponsive)},
      {"bus_stuck", FlagKey(&PackDescription::defects, &PackDefects::bus_stuck)},
      {"identity_mismatch", FlagKey(&PackDescription::defects, &PackDefects::identity_mismatch)},
      {"bad_rows", [](PackDescription& p, const std::string& v, std::string& what) {
         auto rows = ParseJigRanges(v, 0, kDataFlashSize - 1);
         if (!rows) what = "expects row numbers or ranges such as 5 7 20-22";
         if (rows) p.defects.bad_rows = *rows;
         return rows.has_value();
       }},
      {"bad_checksum", FlagKey(&PackDescription::defects, &PackDefects::bad_checksum)},
      {"readback_corrupt", FlagKey(&PackDescription::defects, &PackDefects::readback_corrupt)},
      {"permanent_failure", FlagKey(&PackDescription::defects, &PackDefects::permanent_failure)},
      {"monowire_refused", FlagKey(&PackDescription::defects, &PackDefects::monowire_refused)},
  };
  return setters;
}

}  // namespace

KeyResult ApplyPackKey(PackDescription& pack, const std::string& key, const std::string& value,
                       std::string& what) {
  const auto& setters = PackSetters();
  auto it = setters.find(key);
  if (it == setters.end()) return KeyResult::kUnknownKey;
  return it->second(pack, value, what) ? KeyResult::kApplied : KeyResult::kBadValue;
}

}  // namespace tester
