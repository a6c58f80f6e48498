#include "sim/pack_model.h"

#include "common/gauge_control.h"
#include "sim/cal_layout.h"
#include "sim/memory_builder.h"

namespace tester {
namespace {

constexpr int kBusModeSmbus = 0;     // adapter speaks SMBus
constexpr int kBusModeRegister = 1;  // adapter speaks the register bus of the set-5 loader

bool IsRegisterGauge(int family) { return family == 6 || family == 7; }

PackDescription WithCalClasses(PackDescription description) {
  AddCalClasses(description);
  return description;
}

// The pack's memory with plausible nominal calibration coefficients where its data flash
// holds configuration (or the pack asks for them); explicit data-flash bytes still win.
GaugeMemory BuildCalibratedMemory(const PackDescription& pack) {
  GaugeMemory memory = BuildPackMemory(pack);
  bool nominal = pack.truth.nominal_cal < 0 ? pack.data_flash.seed != 0 : pack.truth.nominal_cal;
  if (!nominal) return memory;
  StoreNominalCalibration(pack, memory);
  for (const BytePatch& patch : pack.data_flash.patches) {
    memory.StoreDataFlash(patch.offset, patch.bytes);
  }
  return memory;
}

}  // namespace

PackModel::PackModel(const PackDescription& description, const EventPump& clock)
    : description_(WithCalClasses(description)),
      core_(description_, clock, BuildCalibratedMemory(description_)),
      smbus_gauge_(core_),
      smbus_loader_(core_),
      reg_gauge_(core_),
      reg_loader_(core_) {
  core_.AttachEnvironment(&environment_);
}

bool PackModel::IsGaugeAddress(uint8_t addr) {
  return addr == kAddrSmbusGauge || addr == kAddrRegGauge || addr == kAddrRegLoader;
}

SimStatus PackModel::BeginTransfer() {
  int number = ++core_.Counters().transfers;
  const PackDefects& defects = description_.defects;
  if (defects.unresponsive) return kSimAddressNack;
  if (defects.fail_at == number) return kSimInjectedError;
  if (defects.fail_from > 0 && number >= defects.fail_from) return kSimInjectedError;
  return kSimOk;
}

void PackModel::NoteWrite() {
  if (description_.defects.bus_stuck) bus_stuck_ = true;
}

BusDevice* PackModel::Route(uint8_t addr, int bus_mode) {
  if (core_.Monowire()) return nullptr;
  return core_.Mode() == GaugeMode::kFirmware ? RouteFirmware(addr, bus_mode)
                                              : RouteLoader(addr, bus_mode);
}

BusDevice* PackModel::RouteFirmware(uint8_t addr, int bus_mode) {
  if (IsRegisterGauge(description_.family)) {
    return addr == kAddrRegGauge ? &reg_gauge_ : nullptr;
  }
  return addr == kAddrSmbusGauge && bus_mode == kBusModeSmbus ? &smbus_gauge_ : nullptr;
}

BusDevice* PackModel::RouteLoader(uint8_t addr, int bus_mode) {
  int family = description_.family;
  if (!UsesRegisterLoader(family)) {
    return addr == kAddrSmbusGauge && bus_mode == kBusModeSmbus ? &smbus_loader_ : nullptr;
  }
  if (addr != kAddrRegLoader || !core_.LoaderStarted()) return nullptr;
  // The command-set 5 loader is wired to the adapter's register bus only.
  if (family == 5 && bus_mode != kBusModeRegister) return nullptr;
  return &reg_loader_;
}

}  // namespace tester
