// Temperatures: the boards' sensors, the probes that hand a station another board's
// temperature, the watch against the readings of the last reference-value update, and the
// reference-value operations of the VTI window.
#include <algorithm>
#include <cmath>
#include <limits>

#include "common/component_error.h"
#include "common/rounding.h"
#include "common/status_codes.h"
#include "controller/controller.h"
#include "controller/controller_texts.h"

namespace tester {
namespace {

// Degrees as tenths in 16 bits, ties to even, held at the ends of the range.
int16_t Tenths(float degrees) {
  const int64_t tenths = RoundToInt64(static_cast<double>(degrees * 10.0f));
  return static_cast<int16_t>(std::clamp<int64_t>(tenths, std::numeric_limits<int16_t>::min(),
                                                  std::numeric_limits<int16_t>::max()));
}

float Degrees(int16_t tenths) { return static_cast<float>(tenths / 10.0); }

}  // namespace

void Controller::EnableTempCheck(bool bEnable) {
  const bool on = bEnable && bVTIRequired_;
  if (on && tmrTempCheck_ == kNoTimer) {
    tmrTempCheck_ = pump_.StartTimer(kTempCheckIntervalMs, [this] { TempWatchCycle(); },
                                     TimerKind::kPeriodic);
  } else if (!on && tmrTempCheck_ != kNoTimer) {
    pump_.StopTimer(tmrTempCheck_);
    tmrTempCheck_ = kNoTimer;
  }
}

int32_t Controller::ReadBoardTemperatures() {
  int32_t status = 0;
  for (int i = 0; i < nNumBoards_; ++i) {
    StationSlot& slot = table_[i];
    if (!slot.oEngine || engine_gone_[i]) continue;  // out of the session
    if (slot.bITS) {
      int16_t n = 0;
      const int32_t result = slot.oEngine->CBReadTemperature(true, n);
      if (result != 0) {
        dialogs_.ShowMessage(kMsgIntTempError + slot.sStationName);
        status = result;
      } else {
        slot.sngIntTemp = Degrees(n);
      }
    }
    if (slot.bETS) {
      int16_t n = 0;
      const int32_t result = slot.oEngine->CBReadTemperature(false, n);
      if (result != 0) {
        dialogs_.ShowMessage(kMsgExtTempError + slot.sStationName);
        status = result;
      } else {
        slot.sngExtTemp = Degrees(n);
      }
    }
  }
  return status;
}

void Controller::TempWatchCycle() {
  int32_t status = 0;
  try {
    status = ReadBoardTemperatures();
  } catch (const ComponentError& error) {
    dialogs_.ShowMessage(error.what());
  }
  if (status != 0) dialogs_.ShowMessage(kMsgWatchReadError + std::to_string(status));
  CheckTempTolerance();
  Changed();
}

void Controller::CheckTempTolerance() {
  if (!bVTIRequired_) return;
  for (int i = 0; i < nNumBoards_; ++i) {
    // A station whose engine has ended is out of the session: its reading is no more.
    if (!table_[i].bITS || !table_[i].oEngine || engine_gone_[i]) continue;
    const float drift = std::fabs(table_[i].sngIntTemp - sngRefIntTemp_[i]);
    if (drift > sngTempTolerance_) {
      bTempBasedStop_ = true;
      UpdateStartButton();
    }
  }
  if (bTempBasedStop_) {
    lblTempBasedStop_ = kLabelTempBasedStop;
    Changed();
  }
}

int32_t Controller::ApplyProbeTemperatures() {
  if (!bVTIRequired_) return 0;
  const int32_t status = ReadBoardTemperatures();
  if (status != 0) return status;
  CheckTempTolerance();
  if (bTempBasedStop_) return kStatusTempDriftStop;
  int32_t result = 0;
  for (int i = 0; i < nNumBoards_; ++i) {
    const std::string& probe = table_[i].sProbe;
    if (probe.empty() || (probe[0] != 'I' && probe[0] != 'E')) continue;
    for (int j = 0; j < nNumBoards_; ++j) {
      if (probe.substr(1) != table_[j].sStationName) continue;
      if (!table_[i].oEngine || engine_gone_[i]) continue;
      const int16_t t =
          Tenths(probe[0] == 'I' ? table_[j].sngIntTemp : table_[j].sngExtTemp);
      result = table_[i].oEngine->SetTemperatureForCalibration(t);
      if (result != 0) dialogs_.ShowMessage(kMsgRefTempError + table_[j].sStationName);
    }
  }
  return result;
}

std::string Controller::UpdateVTI(int32_t nV, int32_t nV2, int32_t nV3, int32_t nV4, float nT,
                                  float nIT, float nET, int32_t nI,
                                  const std::string& sStationName) {
  std::string result;
  for (int i = 0; i < nNumBoards_; ++i) {
    StationSlot& slot = table_[i];
    if (slot.sStationName != sStationName) continue;
    if (!slot.oEngine || engine_gone_[i]) return "The station's engine has ended";
    try {
      result = slot.oEngine->UpdateVTIConfig(nV, nV2, nV3, nV4, nT, nIT, nET, nI);
      if (!result.empty()) return result;
      if (slot.bITS) {
        int16_t n = 0;
        if (slot.oEngine->CBReadTemperature(true, n) != 0) return kMsgOnBoardTempRead;
        TakeReferenceTemperature(i, Degrees(n));
      }
    } catch (const ComponentError& error) {
      return error.what();
    }
  }
  ReferencesUpdated();
  return result;
}

void Controller::TakeReferenceTemperature(int slot, float degrees) {
  sngRefIntTemp_.at(slot) = degrees;
  EnableTempCheck(true);
}

void Controller::ReferencesUpdated() {
  reminder_.ResetReminder();
  bTempBasedStop_ = false;
  lblTempBasedStop_.clear();
  UpdateStartButton();
  Changed();
}

std::vector<VtiStation> Controller::Stations() const {
  std::vector<VtiStation> stations;
  for (int i = 0; i < nNumBoards_; ++i) {
    const StationSlot& slot = table_[i];
    stations.push_back({i, slot.sStationName, app_folder_ + "\\" + slot.sStationName,
                        slot.bITS, slot.bETS, slot.sProbe,
                        engine_gone_[i] ? nullptr : slot.oEngine});
  }
  return stations;
}

int32_t Controller::ShowBoard(int slot, bool bShow) {
  if (slot < 0 || slot >= nNumBoards_ || !table_[slot].oEngine || engine_gone_[slot]) return -1;
  try {
    return table_[slot].oEngine->CBFlashLEDs(bShow);
  } catch (const ComponentError&) {
    return -1;
  }
}

std::optional<int32_t> Controller::ShowBoard(const std::string& sStationName, bool bShow) {
  for (int i = 0; i < nNumBoards_; ++i) {
    if (table_[i].sStationName != sStationName) continue;
    if (!table_[i].oEngine || engine_gone_[i]) return -1;
    try {
      return table_[i].oEngine->CBFlashLEDs(bShow);
    } catch (const ComponentError&) {
      return -1;
    }
  }
  return std::nullopt;
}

void Controller::ReadTempValues(VtiTenths& nIntTempx10, VtiTenths& nExtTempx10,
                                int16_t nNumBoards) {
  try {
    ReadBoardTemperatures();
  } catch (const ComponentError& error) {
    dialogs_.ShowMessage(error.what());
  }
  for (int i = 0; i < nNumBoards && i < kStationSlots; ++i) {
    nIntTempx10[i] = Tenths(table_[i].sngIntTemp);
    nExtTempx10[i] = Tenths(table_[i].sngExtTemp);
  }
}

}  // namespace tester
