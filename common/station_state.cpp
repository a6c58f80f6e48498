#include "common/station_state.h"

#include <utility>

namespace tester {

void StationState::CurrentStatus(const std::string& sStatus, int32_t nStatus) {
  status_text_ = sStatus;
  if (nStatus == vb_cbbusy && !running_) {
    running_ = true;
    serial_.clear();
    completion_.reset();
  }
  if (nStatus != 0) lamp_ = nStatus;
  Changed();
  if (next_ != nullptr) next_->CurrentStatus(sStatus, nStatus);
}

void StationState::RequestSerialNo(int32_t& nSerial) {
  if (next_ != nullptr) next_->RequestSerialNo(nSerial);
  serial_ = std::to_string(nSerial);
  Changed();
}

void StationState::Completed(const CompletionReport& report, const RunRecord& record) {
  running_ = false;
  lamp_ = report.nErrCode == 0 ? vb_cbPASS : vb_cbfail;
  serial_ = report.sSerial;
  completion_ = report;
  record_ = record;
  Changed();
  if (next_ != nullptr) next_->Completed(report, record);
}

void StationState::SetWindowTitle(const std::string& sTitle) {
  title_ = sTitle;
  Changed();
  if (next_ != nullptr) next_->SetWindowTitle(sTitle);
}

void StationState::ClearVerdict() {
  completion_.reset();
  lamp_ = vb_cbReady;
  Changed();
}

void StationState::Changed() {
  for (const auto& observer : observers_) observer();
}

}  // namespace tester
