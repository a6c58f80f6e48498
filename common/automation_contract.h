#pragma once
// The engine's automation object, written once: its members (what the controller and the
// station window call) and its events (what a run tells whoever drives it). The engine's
// SingleSite implements the members, the automation server serves them and raises the
// events as notifications, the client implements the members across the process boundary
// and hands the events to the controller, the test fakes implement them too. Qt-free.
//
// Parameters the member writes back (by reference) are non-const references; the other
// by-reference parameters travel too but come back unchanged, so they are taken by value
// or const reference here.
#include <cstdint>
#include <optional>
#include <string>

#include "common/run_record.h"

namespace tester {

// The ProgID the controller creates engines by.
inline constexpr const char* kSingleSiteProgId = "PolytrakS.SingleSite";

// StatusType: the states of a station, the bits of the calibration board's status lights
// and the lamps of the station window.
inline constexpr int32_t vb_cbReady = 1;
inline constexpr int32_t vb_cbbusy = 2;
inline constexpr int32_t vb_cbPASS = 4;
inline constexpr int32_t vb_cbfail = 8;

// The verdict of one run. nErrCode 0 = pass, else the station error code of the step that
// failed; nExtErrCode the status of the failing operation.
struct CompletionReport {
  std::string sSerial;        // serial number written, in decimal; "0" when none
  int32_t nErrCode = 0;
  int32_t nExtErrCode = 0;
  std::string sLogFile;       // the station's log file
  std::string sCustomLogStr;  // free text for the log, empty from the run itself
  bool operator==(const CompletionReport&) const = default;
};

class SingleSiteMembers {
public:
  virtual ~SingleSiteMembers() = default;

  virtual int32_t AttachLinkpod(std::string& sLinkpodID) = 0;
  virtual int32_t DetachLinkpod(const std::string& sLinkpodName) = 0;
  // true: run to the end; false or nullopt (a Null variant): start the run and return.
  virtual int32_t Execute(std::optional<bool> bWaitTillComplete) = 0;
  virtual void SetIniFile(const std::string& sIniFileToUse) = 0;
  virtual int32_t InitCacheFromSetup() = 0;
  // Why the last InitCacheFromSetup refused the station (its result kStatusSettingsRefused
  // or an image refusal), a line each; empty when it did not. On the wire it travels as
  // "message" in InitCacheFromSetup's result.
  virtual std::string SetupMessage() = 0;
  virtual std::string UpdateVTIConfig(int32_t nV, int32_t nV2, int32_t nV3, int32_t nV4,
                                      float nT, float nIT, float nET, int32_t nI) = 0;
  virtual int32_t CBFlashLEDs(bool bFlash) = 0;
  virtual int32_t CBReadTemperature(bool bInternal, int16_t& nTempx10) = 0;
  virtual int32_t SetTemperatureForCalibration(int16_t nTempx10) = 0;
  virtual void Quit() = 0;
  virtual std::string VersionSS() = 0;                // read-only property
  virtual bool m_bCalEnabled() = 0;                   // property get
  virtual void set_m_bCalEnabled(bool value) = 0;     // property put
  virtual int32_t SetToMonowireMode(int16_t nMonowireMode) = 0;
};

// A run reports in this order: status texts as its steps begin (each with the status the
// station's lights show), at most one serial-number request per write, and exactly one
// completion at the end.
class SingleSiteEvents {
public:
  virtual ~SingleSiteEvents() = default;
  // A step begins (or the verdict is shown): the text, with the lights' status.
  virtual void CurrentStatus(const std::string& sStatus, int32_t nStatus) = 0;
  // The run is about to write a serial number and proposes `nSerial`; the answer written
  // into it is the number written into the gauge. An answer that cannot be given throws
  // (e.g. ComponentError from the serial counter); the run then writes no number.
  virtual void RequestSerialNo(int32_t& nSerial) = 0;
  // The run's verdict, exactly once per run, with the run's record as it stands at the
  // verdict (the steps after it, ROM entry and power-off, are not in it yet).
  virtual void Completed(const CompletionReport& report, const RunRecord& record) = 0;
  // The station's title changed (image file and target description).
  virtual void SetWindowTitle(const std::string& sTitle) = 0;
};

}  // namespace tester
