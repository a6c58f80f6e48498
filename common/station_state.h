#pragma once
// A station as its operator sees it — status text, lamp, title, running or idle, the last
// serial number and the last run's record — kept from the run's reports, so that every
// front end (console run, batch, automation server, station window, controller row) reads
// one state instead of re-deriving it from the events.
//
// It sits in the stream of events: it updates itself, then hands every event on to the
// next listener (which may be none). Observers hear of every change after it is made.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/automation_contract.h"

namespace tester {

class StationState final : public SingleSiteEvents {
public:
  explicit StationState(SingleSiteEvents* next = nullptr) : next_(next) {}

  // A status with the busy lamp marks the station running; the completion ends that.
  void CurrentStatus(const std::string& sStatus, int32_t nStatus) override;
  // Handed on; without a next listener the proposal stands. The number the run will write
  // becomes Serial().
  void RequestSerialNo(int32_t& nSerial) override;
  void Completed(const CompletionReport& report, const RunRecord& record) override;
  void SetWindowTitle(const std::string& sTitle) override;

  // Called after each change.
  void OnChange(std::function<void()> observer) { observers_.push_back(std::move(observer)); }

  const std::string& StatusText() const { return status_text_; }
  // StatusType of the lamp: vb_cbReady before any run, vb_cbbusy while running, vb_cbPASS
  // or vb_cbfail once the verdict is in.
  int32_t Lamp() const { return lamp_; }
  const std::string& Title() const { return title_; }
  bool Running() const { return running_; }
  // The serial number of the current or last run: the one handed out, then the one the
  // completion says was written ("0" when none); empty before any.
  const std::string& Serial() const { return serial_; }
  const std::optional<CompletionReport>& LastCompletion() const { return completion_; }
  const std::optional<RunRecord>& LastRecord() const { return record_; }
  // Forgets the last verdict (a front end starting a new run).
  void ClearVerdict();

private:
  void Changed();

  SingleSiteEvents* next_;
  std::vector<std::function<void()>> observers_;
  std::string status_text_;
  int32_t lamp_ = vb_cbReady;
  std::string title_;
  bool running_ = false;
  std::string serial_;
  std::optional<CompletionReport> completion_;
  std::optional<RunRecord> record_;
};

}  // namespace tester
