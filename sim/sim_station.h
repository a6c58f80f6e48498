#pragma once
// One simulated station behind an adapter: the calibration board, the adapter's bus mode
// and the pack on the station, taken from the adapter's queue.
//
// Packs change as an operator changes them: a pack that has been powered is taken off
// while the supply is off, and the next supply power-on (output bit 0x08 going from 0
// to 1) finds the next pack of the queue. A pack that has never been powered is not
// skipped: the first power-on after the station was created, or after NextPack put a
// pack on with the supply off, powers the pack already there. After the last pack the
// queue starts over with fresh packs built from the same descriptions.
//
// The station keeps the pack told what the board applies to it (PackModel::SetEnvironment)
// after every write of the board's output byte and whenever a pack comes on.
#include <memory>

#include "platform/event_pump.h"
#include "sim/cal_board_model.h"
#include "sim/jig.h"
#include "sim/pack_environment.h"
#include "sim/pack_model.h"

namespace tester {

class SimStation {
public:
  SimStation(const AdapterDescription& adapter, const EventPump& clock);
  SimStation(const SimStation&) = delete;
  SimStation& operator=(const SimStation&) = delete;

  const AdapterDescription& Adapter() const { return adapter_; }
  // The pack on the station, or null when the adapter's queue is empty.
  PackModel* Pack() { return pack_.get(); }
  CalBoardModel& CalBoard() { return cal_board_; }
  int BusMode() const { return bus_mode_; }
  void SetBusMode(int mode) { bus_mode_ = mode; }
  // Position of the pack on the station in the adapter's queue.
  size_t PackIndex() const { return pack_index_; }

  // Takes the pack off and puts the next one of the queue on, whatever the supply does
  // (a test or a bench that changes packs itself). False when the queue is empty.
  bool NextPack();

  // The room temperature changes: the board's sensors and the pack follow.
  void SetAmbient(double celsius);
  double Ambient() const { return ambient_c_; }

  // What the board applies to the pack now: the reference source while the supply relay
  // is closed, the load current (as the gauge counts it, negative) while the load relay is
  // closed, the room temperature always. Without a board, no reference and no current.
  PackEnvironment Environment() const;

private:
  void OnPortWrite(uint8_t before, uint8_t after);
  bool PutNextPackOn();
  void PushEnvironment();

  const AdapterDescription& adapter_;
  const EventPump& clock_;
  CalBoardModel cal_board_;
  int bus_mode_ = 0;
  size_t pack_index_ = 0;
  std::unique_ptr<PackModel> pack_;
  bool pack_powered_ = false;  // the pack on the station has had the supply on
  double ambient_c_;
};

}  // namespace tester
