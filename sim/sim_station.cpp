#include "sim/sim_station.h"

namespace tester {

SimStation::SimStation(const AdapterDescription& adapter, const EventPump& clock)
    : adapter_(adapter), clock_(clock), cal_board_(adapter) {
  if (!adapter_.packs.empty()) pack_ = std::make_unique<PackModel>(adapter_.packs[0], clock_);
}

bool SimStation::NextPack() {
  if (adapter_.packs.empty()) return false;
  pack_index_ = (pack_index_ + 1) % adapter_.packs.size();
  pack_ = std::make_unique<PackModel>(adapter_.packs[pack_index_], clock_);
  return true;
}

}  // namespace tester
