#include "components/adapter_identity.h"

#include <algorithm>
#include <array>
#include <random>
#include <sstream>
#include <vector>

#include "common/component_error.h"

namespace tester {
namespace {

constexpr int32_t kOpenFailed = -1;      // OpenAdapter's answer for "not opened"
constexpr int32_t kRegWrite = 1;         // RegByteOp mode: write one register byte
constexpr int32_t kRegRead = 2;          // RegByteOp mode: read one register byte
constexpr uint8_t kBoardPortReg = 0x44;  // calibration board: the output register
constexpr uint8_t kRelayBits = 0x0F;     // output bits 0-3: relays and unwired bits, kept
constexpr int kLampShift = 4;            // output bits 4-7: the four status lamps
constexpr int kAllLamps = 0x0F;          // lamp nibble: ready, busy, pass and fail lit
constexpr int kNoLamps = 0x00;           // lamp nibble: dark
constexpr int kKeepLamps = -1;           // light code that changes nothing
constexpr uint8_t kSensorConfigReg = 0x01;  // temperature sensor: configuration register
constexpr uint8_t kBoardSensor = 0x94;      // board's own sensor on a normal board
constexpr uint8_t kExternalProbe = 0x90;    // external temperature probe
constexpr int kMaxDraws = 8;                // identifier draws before giving up

constexpr std::array<const char*, 2> kFactoryIds = {kFactoryAdapterId, kFactoryAdapterIdOther};

std::vector<std::string> SplitNames(const std::string& names, int32_t count) {
  std::vector<std::string> out;
  std::stringstream stream(names);
  std::string name;
  while (static_cast<int32_t>(out.size()) < count && std::getline(stream, name, ',')) {
    out.push_back(name);
  }
  return out;
}

std::string Hex64(uint64_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out(16, '0');
  for (int i = 15; i >= 0; --i) {
    out[static_cast<size_t>(i)] = kDigits[value & 0xF];
    value >>= 4;
  }
  return out;
}

uint64_t SystemRandom64() {
  static_assert(sizeof(std::random_device::result_type) >= 4);
  std::random_device device;
  uint64_t high = device() & 0xFFFFFFFFu;
  uint64_t low = device() & 0xFFFFFFFFu;
  return (high << 32) | low;
}

}  // namespace

AdapterIdentity::AdapterIdentity() : random_(SystemRandom64) {}

AdapterIdentity::AdapterIdentity(RandomSource random) : random_(std::move(random)) {}

GaugeControl& AdapterIdentity::Control(const char* operation) const {
  if (control_ == nullptr) {
    throw ComponentError(std::string("Adapter identification: ") + operation +
                         " needs a gauge control");
  }
  return *control_;
}

Status AdapterIdentity::ReadAdapterId(std::string& id) {
  if (control_ == nullptr) return kStatusNoGaugeControl;
  std::string read;
  Status status = control_->ReadAdapterId(read);
  if (status == kStatusOk) id = read;
  return status;
}

// The first draw gives the leading 16 digits (two statements: the order is fixed).
std::string AdapterIdentity::DrawIdentifier() {
  std::string id = Hex64(random_());
  return id + Hex64(random_());
}

Status AdapterIdentity::AssignAdapterId(std::string& id) {
  if (control_ == nullptr) return kStatusNoGaugeControl;
  std::vector<std::string> taken(kFactoryIds.begin(), kFactoryIds.end());
  int32_t count = 0;
  std::string names;
  control_->ListAdapters(kMaxListedAdapters, count, names);
  for (std::string& name : SplitNames(names, count)) taken.push_back(std::move(name));
  std::string present;
  if (control_->ReadAdapterId(present) == kStatusOk) taken.push_back(present);

  std::string fresh;
  for (int draw = 0; draw < kMaxDraws && fresh.empty(); ++draw) {
    std::string candidate = DrawIdentifier();
    if (std::ranges::find(taken, candidate) == taken.end()) fresh = candidate;
  }
  if (fresh.empty()) return kIdentityNoFreshId;

  Status status = control_->WriteAdapterId(fresh);
  if (status != kStatusOk) return status;
  std::string kept;
  status = control_->ReadAdapterId(kept);
  if (status != kStatusOk) return status;
  if (kept != fresh) return kIdentityNotKept;
  id = fresh;
  return kStatusOk;
}

int AdapterIdentity::LampsFor(int32_t code, bool flag) {
  if (code == kLightsIdentifyOn) return kAllLamps;
  if (code == kLightsIdentifyOff) return kNoLamps;
  if (code == kLightsOldFirmware) return flag ? kAllLamps : kNoLamps;
  return kKeepLamps;
}

Status AdapterIdentity::SetLamps(int32_t code, bool flag) {
  const int lamps = LampsFor(code, flag);
  if (lamps == kKeepLamps) return kStatusOk;
  uint8_t output = 0;
  if (control_->RegByteOp(kRegRead, kAddrCalBoard, kBoardPortReg, output) != kStatusOk) {
    return kStatusOk;  // no board answers: no lamps to light
  }
  uint8_t lit = static_cast<uint8_t>((output & kRelayBits) | (lamps << kLampShift));
  return control_->RegByteOp(kRegWrite, kAddrCalBoard, kBoardPortReg, lit);
}

void AdapterIdentity::FlashLights(int32_t code, int16_t timing, bool flag) {
  Control("FlashLights");
  last_timing_ = timing;
  Status status = SetLamps(code, flag);
  if (status != kStatusOk) {
    throw ComponentError("The station lights could not be set (bus status " +
                         std::to_string(status) + ")");
  }
}

int32_t AdapterIdentity::AdapterCount() {
  int32_t count = 0;
  std::string names;
  Control("AdapterCount").ListAdapters(kMaxListedAdapters, count, names);
  return count;
}

Status AdapterIdentity::OpenAdapterByIndex(int16_t index, int32_t light_code, int16_t timing) {
  if (control_ == nullptr) return kStatusNoGaugeControl;
  last_timing_ = timing;
  // With nothing of ours open the list order does not depend on what was open before.
  control_->CloseLink();
  int32_t count = 0;
  std::string names;
  control_->ListAdapters(kMaxListedAdapters, count, names);
  std::vector<std::string> listed = SplitNames(names, count);
  if (index < 0 || static_cast<size_t>(index) >= listed.size()) return kOpenFailed;
  if (control_->OpenAdapter(listed[static_cast<size_t>(index)]) == kOpenFailed) {
    return kOpenFailed;
  }
  return light_code == kLightsNone ? kStatusOk : SetLamps(light_code, false);
}

void AdapterIdentity::CloseAdapter() { Control("CloseAdapter").CloseLink(); }

int32_t AdapterIdentity::FirmwareAge() {
  const int32_t version = Control("FirmwareAge").AdapterFirmware();
  if (version < 0) throw ComponentError("The adapter's firmware version cannot be read");
  return version - kOldestAdapterFirmware;
}

bool AdapterIdentity::HasCalBoard() {
  uint8_t output = 0;
  return Control("HasCalBoard").RegByteOp(kRegRead, kAddrCalBoard, kBoardPortReg, output) ==
         kStatusOk;
}

bool AdapterIdentity::HasTempSensor(bool on_board) {
  uint8_t configuration = 0;
  const uint8_t sensor = on_board ? kBoardSensor : kExternalProbe;
  return Control("HasTempSensor").RegByteOp(kRegRead, sensor, kSensorConfigReg,
                                            configuration) == kStatusOk;
}

}  // namespace tester
