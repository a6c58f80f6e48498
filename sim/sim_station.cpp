#include "sim/sim_station.h"

namespace tester {

SimStation::SimStation(const AdapterDescription& adapter, const EventPump& clock)
    : adapter_(adapter), clock_(clock), cal_board_(adapter), ambient_c_(adapter.ambient_c) {
  if (!adapter_.packs.empty()) pack_ = std::make_unique<PackModel>(adapter_.packs[0], clock_);
  cal_board_.Port().SetListener(
      [this](uint8_t before, uint8_t after) { OnPortWrite(before, after); });
  PushEnvironment();
}

bool SimStation::PutNextPackOn() {
  if (adapter_.packs.empty()) return false;
  pack_index_ = (pack_index_ + 1) % adapter_.packs.size();
  pack_ = std::make_unique<PackModel>(adapter_.packs[pack_index_], clock_);
  return true;
}

bool SimStation::NextPack() {
  if (!PutNextPackOn()) return false;
  pack_powered_ = cal_board_.Port().SupplyOn();
  PushEnvironment();
  return true;
}

void SimStation::OnPortWrite(uint8_t before, uint8_t after) {
  const bool power_on = (before & kPortSupplyRelay) == 0 && (after & kPortSupplyRelay) != 0;
  if (power_on) {
    if (pack_powered_) PutNextPackOn();
    pack_powered_ = true;
  }
  PushEnvironment();
}

void SimStation::SetAmbient(double celsius) {
  ambient_c_ = celsius;
  cal_board_.SetAmbient(celsius);
  PushEnvironment();
}

PackEnvironment SimStation::Environment() const {
  PackEnvironment environment;
  environment.ambient_c = ambient_c_;
  const CalBoardPort& port = cal_board_.Port();
  if (!cal_board_.Fitted()) return environment;
  if (port.SupplyOn()) {
    environment.reference_voltage = true;
    environment.tap_mv = adapter_.ref_tap_mv;
  }
  if (port.LoadOn()) {
    environment.reference_current = true;
    environment.current_ma = -adapter_.ref_current_ma;  // the load discharges the pack
  }
  return environment;
}

void SimStation::PushEnvironment() {
  if (pack_) pack_->SetEnvironment(Environment());
}

}  // namespace tester
