#pragma once
// Adapter identification and station lights. Works through a gauge control it is handed:
// the caller sets the control before a use and clears it afterwards. Operations that return a
// status report their failures through it; the others throw ComponentError when they cannot
// be carried out (for example when no control is set).
#include <cstdint>
#include <string>

#include "common/status_codes.h"
#include "common/gauge_control.h"

namespace tester {

// Light codes handed to FlashLights and OpenAdapterByIndex.
inline constexpr int32_t kLightsNone = 0;          // open without lights (searching)
inline constexpr int32_t kLightsIdentifyOn = 385;  // identification lights of the station on
inline constexpr int32_t kLightsIdentifyOff = 136; // identification lights off
inline constexpr int32_t kLightsOldFirmware = 65;  // with flag true: board has old firmware
// Timing argument every caller passes along with a light code; its use is the component's.
inline constexpr int16_t kLightsTiming = 300;

class LinkpodID {
public:
  virtual ~LinkpodID() = default;

  // The write-only gauge-control reference: the control to work through, or nullptr to
  // clear it. Every other operation needs it set.
  virtual void SetGaugeControl(GaugeControl* control) = 0;

  // Identifier of the adapter open in the control, into `id`; 0 = success.
  virtual Status ReadAdapterId(std::string& id) = 0;
  // Gives the open adapter a new unique identifier and writes it into `id`; 0 = success.
  virtual Status AssignAdapterId(std::string& id) = 0;
  // Lights of the station: kLightsIdentifyOn / kLightsIdentifyOff, or kLightsOldFirmware
  // with `flag` true to mark a board whose adapter firmware is too old.
  virtual void FlashLights(int32_t code, int16_t timing, bool flag) = 0;
  // Number of attached adapters.
  virtual int32_t AdapterCount() = 0;
  // Opens adapter `index` (0-based) and shows `light_code` on it; 0 = opened.
  virtual Status OpenAdapterByIndex(int16_t index, int32_t light_code, int16_t timing) = 0;
  // Closes the adapter opened by OpenAdapterByIndex.
  virtual void CloseAdapter() = 0;
  // Age of the open adapter's firmware; negative = too old for the station.
  virtual int32_t FirmwareAge() = 0;
  // A calibration board answers on the open adapter.
  virtual bool HasCalBoard() = 0;
  // That temperature sensor answers: `on_board` true = the board's own sensor, false = the
  // external probe.
  virtual bool HasTempSensor(bool on_board) = 0;
};

}  // namespace tester
