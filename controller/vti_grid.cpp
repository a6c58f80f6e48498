#include "controller/vti_grid.h"

#include <algorithm>
#include <optional>

#include "common/component_error.h"
#include "controller/vti_geometry.h"
#include "controller/vti_number.h"
#include "controller/vti_texts.h"

namespace tester {
namespace {

constexpr int kTempSensorsLine = 200;

// Restores a flag when the scope ends, however it ends.
class Flag {
public:
  explicit Flag(bool& flag) : flag_(flag) { flag_ = true; }
  ~Flag() { flag_ = false; }
  Flag(const Flag&) = delete;
  Flag& operator=(const Flag&) = delete;

private:
  bool& flag_;
};

}  // namespace

VtiGrid::VtiGrid(const VtiGridParts& parts, VtiView* view)
    : host_(parts.host),
      pump_(parts.pump),
      dialogs_(parts.dialogs),
      make_config_(parts.make_config),
      app_folder_(parts.app_folder),
      lock_(parts.lock),
      view_(view) {
  locked_ = lock_ != nullptr && lock_->IsLocked();
  frame_enabled_ = !locked_ || (lock_ != nullptr && lock_->VTIAlwaysAllowed());
}

VtiGrid::~VtiGrid() { pump_.StopTimer(tmrStation_); }

void VtiGrid::Open() {
  std::vector<VtiStation> stations = host_.Stations();
  const auto count = static_cast<int16_t>(std::min<std::size_t>(stations.size(), kVtiRows));
  VtiTenths internal{};
  VtiTenths external{};
  host_.ReadTempValues(internal, external, count);
  for (int i = 0; i < count; ++i) {
    if (stations[i].sProbe.empty()) continue;
    rows_[i].text[kBoxIT] = VtiTenthsText(internal[i]);
    rows_[i].text[kBoxET] = VtiTenthsText(external[i]);
  }
  SetStations(stations, count, BuildTempSensorFlags(stations));
}

void VtiGrid::SetStations(const std::vector<VtiStation>& stations, int16_t nNumStations,
                          const VtiFlags& nTempSensArr) {
  stations_ = stations;
  nNumStations = std::clamp<int16_t>(nNumStations, 0,
                                     static_cast<int16_t>(std::min<std::size_t>(
                                         stations_.size(), kVtiRows)));
  std::unique_ptr<TesterConfig> config = make_config_();
  config->IniFile = app_folder_ + "\\global.ini";
  try {
    config->LoadGlobalConfig();
  } catch (const ComponentError& error) {
    dialogs_.ShowMessage(error.what());
  }
  switches_ = SwitchesOf(*config);
  columns_ = LayoutColumns(switches_);
  nCurStation_ = kVtiFirstCurStation;
  PlaceHeaders(columns_, headers_);
  for (int i = 0; i < nNumStations; ++i) {
    rows_[i].flags = nTempSensArr[i];
    FillRow(i, *config);
  }
  nNumStations_ = nNumStations;
  Changed();
}

void VtiGrid::FillRow(int i, TesterConfig& config) {
  VtiRow& row = rows_[i];
  row.name = stations_[i].sStationName;
  row.visible = true;
  config.IniFile = stations_[i].station_file;
  config.RefVoltage1 = config.RefVoltage2 = config.RefVoltage3 = config.RefVoltage4 = 0;
  config.RefTemperature = 0;
  config.RefCurrent = 0;
  std::string unreadable;
  try {
    config.LoadVTIConfig();
  } catch (const ComponentError& error) {
    unreadable = error.what();
  }
  ShowVoltageColumns(i, switches_, row.boxes, headers_);
  ShowCurrentColumn(i, switches_, columns_, row.boxes, headers_);
  ShowTemperatureColumns(i, row.flags, switches_, columns_, row.boxes, headers_);
  row.text[kBoxV] = VtiText(config.RefVoltage1);
  row.text[kBoxV2] = VtiText(config.RefVoltage2);
  row.text[kBoxV3] = VtiText(config.RefVoltage3);
  row.text[kBoxV4] = VtiText(config.RefVoltage4);
  row.text[kBoxT] = VtiText(config.RefTemperature);
  row.text[kBoxI] = VtiText(config.RefCurrent);
  if (unreadable.empty()) return;
  for (int b : {kBoxV, kBoxV2, kBoxV3, kBoxV4, kBoxI, kBoxT}) {
    if (row.boxes.visible[b]) row.text[b].clear();
  }
  dialogs_.ShowMessage(kMsgVtiUnreadable + row.name + kMsgVtiUnreadableTail + unreadable);
}

void VtiGrid::FocusBox(int row) {
  if (row < 0 || row >= nNumStations_ || closed_) return;
  if (in_cal_mode_ && row == nCurStation_) return;
  if (in_cal_mode_) SelectStation(nCurStation_, false);
  SelectStation(row, true);
}

void VtiGrid::SelectStation(int i, bool bEnter) {
  if (bEnter) nCurStation_ = i;
  VtiRow& row = rows_[i];
  if (host_.ShowBoard(stations_[i].slot, bEnter) != 0) dialogs_.ShowMessage(kMsgFlashLeds);
  station_id_red_ = false;
  row.name_red = false;
  pump_.StopTimer(tmrStation_);
  tmrStation_ = kNoTimer;
  if (bEnter) {
    station_id_text_ = row.name;
    alert_text_ = std::string(kVtiAlertIntro) + columns_.sCalSources;
    if (row.boxes.bTempSensorRow) alert_text_ += kVtiTempSensors;
    tmrStation_ = pump_.StartTimer(kVtiBlinkMs, [this] { Blink(); }, TimerKind::kPeriodic);
  }
  in_cal_mode_ = bEnter;
  Changed();
}

void VtiGrid::Blink() {
  station_id_red_ = !station_id_red_;
  rows_[nCurStation_].name_red = station_id_red_;
  Changed();
}

int VtiGrid::AlertHeight() const {
  int height = kVtiAlertHeight + columns_.alert_extra_height;
  if (in_cal_mode_ && rows_[nCurStation_].boxes.bTempSensorRow) height += kTempSensorsLine;
  return height;
}

void VtiGrid::SetText(int row, VtiBox box, const std::string& text) {
  if (row < 0 || row >= kVtiRows || box < 0 || box >= kVtiBoxes) return;
  rows_[row].text[box] = text;
}

void VtiGrid::GiveValue(int row, VtiBox box, const std::string& text) {
  SetText(row, box, text);
  if (row >= 0 && row < kVtiRows && box >= 0 && box < kVtiBoxes) rows_[row].given[box] = true;
}

void VtiGrid::ShowReadings(const VtiTenths& internal, const VtiTenths& external) {
  for (int i = 0; i < nNumStations_; ++i) {
    rows_[i].text[kBoxIT] = VtiTenthsText(internal[i]);
    rows_[i].text[kBoxET] = VtiTenthsText(external[i]);
  }
}

void VtiGrid::ReadTemp() {
  if (busy_ || closed_) return;
  Flag busy(busy_);
  read_temp_enabled_ = false;
  Changed();
  pump_.WaitMs(kVtiReadTempWaitMs);
  VtiTenths internal{};
  VtiTenths external{};
  host_.ReadTempValues(internal, external, nNumStations_);
  ShowReadings(internal, external);
  read_temp_enabled_ = true;
  Changed();
  if (view_ != nullptr) view_->ReadTempDone();
}

std::string VtiGrid::BoxName(VtiBox box) const {
  switch (box) {
    case kBoxV: case kBoxV2: case kBoxV3: case kBoxV4:
      return headers_.volt_caption[box - kBoxV];
    case kBoxI: return "Current";
    case kBoxT: return "Temperature";
    case kBoxIT: return "Internal";
    default: return "External";
  }
}

bool VtiGrid::RowValues(int i, VtiValues& v, std::string& why) const {
  const VtiRow& row = rows_[i];
  std::string reason;
  auto whole = [&](VtiBox box, int32_t& out) {
    const std::optional<int16_t> value = VtiToInt16(row.text[box], reason);
    if (!value) why = row.name + ", " + BoxName(box) + ": " + reason;
    out = value.value_or(0);
    return value.has_value();
  };
  auto single = [&](VtiBox box, float& out) {
    const std::optional<float> value = VtiToSingle(row.text[box], reason);
    if (!value) why = row.name + ", " + BoxName(box) + ": " + reason;
    out = value.value_or(0.0f);
    return value.has_value();
  };
  if (!whole(kBoxV, v.nV) || !whole(kBoxV2, v.nV2) || !whole(kBoxV3, v.nV3) ||
      !whole(kBoxV4, v.nV4) || !whole(kBoxI, v.nI) || !single(kBoxT, v.nT)) {
    return false;
  }
  v.nIT = v.nET = v.nT;
  if ((row.boxes.visible[kBoxIT] || row.given[kBoxIT]) && !single(kBoxIT, v.nIT)) return false;
  if ((row.boxes.visible[kBoxET] || row.given[kBoxET]) && !single(kBoxET, v.nET)) return false;
  return true;
}

bool VtiGrid::ApplyVTI() {
  if (busy_ || closed_) return false;
  Flag busy(busy_);
  if (view_ != nullptr) view_->Busy(true);
  bool result = true;
  for (int i = 0; i < nNumStations_ && rows_[i].visible; ++i) {
    VtiValues values;
    std::string why;
    if (!RowValues(i, values, why)) {
      dialogs_.ShowMessage(kMsgVtiInvalid + why);
      result = false;
      break;
    }
    const std::string text = UpdateVTI(host_, values, rows_[i].name);
    if (!text.empty()) {
      dialogs_.ShowMessage(kMsgVtiUpdateError + text);
      result = false;
    }
  }
  if (view_ != nullptr) view_->Busy(false);
  return result;
}

void VtiGrid::Apply() {
  if (busy_ || closed_) return;
  apply_enabled_ = false;
  Changed();
  ApplyVTI();
  apply_enabled_ = true;
  Changed();
}

bool VtiGrid::UpdateClose() {
  if (busy_ || closed_) return false;
  if (!ApplyVTI()) return false;
  Close();
  return true;
}

void VtiGrid::LockState(bool bCurrentlyLocked) {
  locked_ = bCurrentlyLocked;
  frame_enabled_ = !bCurrentlyLocked || (lock_ != nullptr && lock_->VTIAlwaysAllowed());
  Changed();
}

std::string VtiGrid::LockText() const {
  if (!locked_) return {};
  return frame_enabled_ ? kVtiLockedButAllowed : kVtiLocked;
}

void VtiGrid::Close() {
  if (closed_) return;
  if (in_cal_mode_) SelectStation(nCurStation_, false);
  pump_.StopTimer(tmrStation_);
  tmrStation_ = kNoTimer;
  closed_ = true;
}

void VtiGrid::Changed() {
  if (view_ != nullptr) view_->Changed();
}

}  // namespace tester
