#pragma once
// What the controller tells whoever shows it (the main window, the headless console):
// every call follows a change of the controller's state, which the view reads back from
// the controller. All default to nothing.
#include <string>

#include "common/automation_contract.h"
#include "common/run_record.h"

namespace tester {

class ControllerView {
public:
  virtual ~ControllerView() = default;
  // Start button, caption, temperature-stop label, lamps, status list or the VTI button
  // changed.
  virtual void StateChanged() {}
  // Station `station` reported a status (its row shows it now).
  virtual void StationStatus(int /*station*/, const std::string& /*status*/) {}
  // Station `station`'s row changed otherwise (a serial number was issued to it).
  virtual void RowChanged(int /*station*/) {}
  // Station `station` completed (or was completed by the controller: engine gone, time
  // limit); its row holds the verdict now.
  virtual void StationCompleted(int /*station*/, const CompletionReport& /*report*/,
                                const RunRecord& /*record*/) {}
  // Something the operator should read that is no message box (a station's set-up notes).
  virtual void Note(const std::string& /*text*/) {}
  // Start-up failed: the view shows so until CloseRequested.
  virtual void StartupFailed() {}
  // The close timer fired: the view closes (and calls Controller::Shutdown).
  virtual void CloseRequested() {}
};

}  // namespace tester
