#pragma once
// One simulated station behind an adapter: the calibration board, the adapter's bus mode
// and the pack on the station, taken from the adapter's queue. A power cycle of the
// station supply brings the next pack of the queue; after the last one the queue starts
// over with fresh packs built from the same descriptions.
#include <memory>

#include "platform/event_pump.h"
#include "sim/cal_board_model.h"
#include "sim/jig.h"
#include "sim/pack_model.h"

namespace tester {

class SimStation {
public:
  SimStation(const AdapterDescription& adapter, const EventPump& clock);

  const AdapterDescription& Adapter() const { return adapter_; }
  // The pack on the station, or null when the adapter's queue is empty.
  PackModel* Pack() { return pack_.get(); }
  CalBoardModel& CalBoard() { return cal_board_; }
  int BusMode() const { return bus_mode_; }
  void SetBusMode(int mode) { bus_mode_ = mode; }
  // Position of the pack on the station in the adapter's queue.
  size_t PackIndex() const { return pack_index_; }

  // Takes the pack off and puts the next one of the queue on. False when the queue is empty.
  bool NextPack();

private:
  const AdapterDescription& adapter_;
  const EventPump& clock_;
  CalBoardModel cal_board_;
  int bus_mode_ = 0;
  size_t pack_index_ = 0;
  std::unique_ptr<PackModel> pack_;
};

}  // namespace tester
