#pragma once
// The reference-value (VTI) window without a window: one row per station with its entry
// boxes, the columns the calibration switches call for, the selected station's calibration
// mode (its board's lights flash and its name blinks while a box of its row has the focus),
// the sensor readings and the push of every row's values to the engines. The window frmVTI
// and the headless `--vti FILE` are views over it.
//
// Decisions of our own:
//  - No row is in calibration mode until a box gets the focus. The first focus always
//    selects its row, also row 5 (nCurStation's first value), and leaving a row switches
//    off only a board that was switched on: no light command goes to a station nobody
//    selected (with six or more stations the first focus would otherwise send the
//    lights-off command, which re-initialises the calibration board, to station 5).
//  - A station file whose reference values cannot be read is reported when the grid is
//    filled and its row's shown boxes stay empty, so nobody pushes zeros by accident: the
//    values must be entered before that row (and the rows after it) can be sent.
//  - While the values are being sent or the sensors read, a second apply, update or read
//    is ignored and the window does not close (Busy()).
//  - The lock: with a lock the grid can be edited while the lock is open or while it allows
//    reference values when locked (VTIAlwaysAllowed); also when the window opens.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/password_lock.h"
#include "common/tester_config.h"
#include "controller/vti_flags.h"
#include "controller/vti_host.h"
#include "controller/vti_layout.h"
#include "controller/vti_update.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"

namespace tester {

inline constexpr int64_t kVtiBlinkMs = 410;
inline constexpr int64_t kVtiReadTempWaitMs = 650;
inline constexpr int kVtiFirstCurStation = 5;

// Told about changes; every call defaults to nothing.
class VtiView {
public:
  virtual ~VtiView() = default;
  // Anything shown changed: read the grid's state again.
  virtual void Changed() {}
  // The values are being sent: the hourglass pointer, or back to the default.
  virtual void Busy(bool /*busy*/) {}
  // The sensors were read: the read button takes the focus.
  virtual void ReadTempDone() {}
};

// What the grid works with; everything outlives it.
struct VtiGridParts {
  VtiHost& host;
  EventPump& pump;
  OperatorDialogs& dialogs;
  // A fresh settings object for global.ini and the station files.
  std::function<std::unique_ptr<TesterConfig>()> make_config;
  std::string app_folder;
  clsPassword* lock = nullptr;  // null: no lock, always editable
};

struct VtiRow {
  std::string name;  // lblStation
  bool visible = false;
  bool name_red = false;
  int flags = 0;  // nTempSensArr
  VtiRowBoxes boxes;
  std::array<std::string, kVtiBoxes> text = {"", "", "", "", "", "0", "0", "0"};
  // Internal and external values given from outside (the headless file) are sent even
  // where the window shows no box for them.
  std::array<bool, kVtiBoxes> given{};
};

class VtiGrid {
public:
  VtiGrid(const VtiGridParts& parts, VtiView* view = nullptr);
  ~VtiGrid();
  VtiGrid(const VtiGrid&) = delete;
  VtiGrid& operator=(const VtiGrid&) = delete;

  // The main window's "Configure VTI": reads the sensors, builds the temperature flags,
  // shows the probed stations' readings and fills the grid (SetStations).
  void Open();
  void SetStations(const std::vector<VtiStation>& stations, int16_t nNumStations,
                   const VtiFlags& nTempSensArr);

  // --- The operator ---
  // A box of `row` got the focus.
  void FocusBox(int row);
  void SetText(int row, VtiBox box, const std::string& text);
  // A value given from outside for a box (see VtiRow::given).
  void GiveValue(int row, VtiBox box, const std::string& text);
  void ReadTemp();      // cmdReadTemp
  void Apply();         // cmdApply
  bool UpdateClose();   // cmdUpdClose: true when the window may close (and has been closed)
  bool ApplyVTI();
  void LockState(bool bCurrentlyLocked);
  // The window closes: the selected board's lights stop.
  void Close();

  // --- State, for the views ---
  int16_t NumStations() const { return nNumStations_; }
  const VtiRow& Row(int i) const { return rows_.at(i); }
  const VtiStation& Station(int i) const { return stations_.at(i); }
  const VtiHeaders& Headers() const { return headers_; }
  const VtiColumns& Columns() const { return columns_; }
  const VtiSwitches& Switches() const { return switches_; }
  int CurStation() const { return nCurStation_; }
  bool InCalMode() const { return in_cal_mode_; }
  bool FrameEnabled() const { return frame_enabled_; }
  std::string LockText() const;
  const std::string& StationIdText() const { return station_id_text_; }
  bool StationIdRed() const { return station_id_red_; }
  bool CalModeVisible() const { return in_cal_mode_; }  // lblStationID(0..1), the alert
  const std::string& AlertText() const { return alert_text_; }
  int AlertHeight() const;
  bool BlinkRunning() const { return tmrStation_ != kNoTimer; }
  bool ReadTempEnabled() const { return read_temp_enabled_; }
  bool ApplyEnabled() const { return apply_enabled_; }
  bool Busy() const { return busy_; }
  bool Closed() const { return closed_; }

private:
  void SelectStation(int i, bool bEnter);
  void Blink();
  void FillRow(int i, TesterConfig& config);
  void ShowReadings(const VtiTenths& internal, const VtiTenths& external);
  // The row's values as UpdateVTIConfig takes them; false with `why` at a box that holds
  // no valid number.
  bool RowValues(int i, VtiValues& v, std::string& why) const;
  std::string BoxName(VtiBox box) const;
  void Changed();

  VtiHost& host_;
  EventPump& pump_;
  OperatorDialogs& dialogs_;
  std::function<std::unique_ptr<TesterConfig>()> make_config_;
  std::string app_folder_;
  clsPassword* lock_;
  VtiView* view_;

  std::vector<VtiStation> stations_;
  std::array<VtiRow, kVtiRows> rows_;
  VtiHeaders headers_;
  VtiColumns columns_;
  VtiSwitches switches_;
  int16_t nNumStations_ = 0;
  int nCurStation_ = kVtiFirstCurStation;
  bool in_cal_mode_ = false;
  bool frame_enabled_ = false;  // disabled at design time
  bool locked_ = false;
  std::string station_id_text_;
  bool station_id_red_ = false;
  std::string alert_text_;
  TimerId tmrStation_ = kNoTimer;
  bool read_temp_enabled_ = true;
  bool apply_enabled_ = true;
  bool busy_ = false;
  bool closed_ = false;
};

}  // namespace tester
