#pragma once
// What the station applies to the pack at this moment through its calibration board:
// the reference voltage source across the cell taps while the supply relay (output bit
// 0x08) is closed, the reference current through the pack while the load relay (bit
// 0x04) is closed, and the room temperature. Without a board, or with a relay open,
// the pack sees its own cells and no current.
#include <array>

namespace tester {

struct PackEnvironment {
  bool reference_voltage = false;    // supply relay closed: the taps see the reference source
  bool reference_current = false;    // load relay closed: the reference current flows
  std::array<double, 4> tap_mv{};    // reference source, cumulative: cell 1, 1..2, 1..3, 1..4
  double current_ma = 0.0;           // signed current through the sense resistor as the
                                     // gauge counts it (discharge negative); 0 when open
  double ambient_c = 25.0;           // temperature around the pack and the board sensors
};

}  // namespace tester
