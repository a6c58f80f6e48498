#pragma once
// What a calibration procedure works with on one station: the gauge link (with the
// station's settings record and event pump), the calibration board and the operator's
// dialogs. One per station, owned by the engine; passed by reference, never global.
#include "calibration/cal_board.h"
#include "calibration/cal_types.h"
#include "gauge/gauge_link.h"
#include "platform/dialogs.h"

namespace tester {

struct CalContext {
  GaugeLink& link;
  CalBoard& board;
  OperatorDialogs& dialogs;
  // When set, a host-computed calibration leaves here the coefficients it computed (for
  // the run's record); never read by the procedures.
  CalibrationResults* results = nullptr;
};

}  // namespace tester
