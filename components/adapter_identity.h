#pragma once
// Adapter identification and station lights over the gauge control it is handed.
//
// How each operation works:
//  - ReadAdapterId: the identifier stored in the open adapter (the control's ReadAdapterId),
//    written into `id` only on success; the control's status is the result.
//  - AssignAdapterId: a new identifier of 32 upper-case hexadecimal digits (16 bytes) drawn
//    from the operating system's random source (std::random_device), so two processes or two
//    runs never draw the same one. A draw equal to a name the control lists, to the open
//    adapter's present identifier or to one of the two factory identifiers is drawn again.
//    The identifier is written (the control's WriteAdapterId) and read back; a read-back that
//    differs is kIdentityNotKept, never a success.
//  - FlashLights: the station's four status lamps, bits 4-7 of the calibration board's output
//    byte (0xC0, register 0x44). The byte is read and only the lamp nibble changes: bits 0-3
//    hold the load and supply relays, and switching the supply would power the pack (on the
//    virtual jig an off-to-on change even brings the next pack). Codes: kLightsIdentifyOn
//    lights all four lamps; kLightsIdentifyOff darkens them; kLightsOldFirmware with the flag
//    true lights all four (the operator is told every lamp is on to find the station), with
//    the flag false darkens them. Any other code changes nothing. The lamps stay steady: the
//    timing argument is kept (LastTiming) but not used, since blinking would need a timer
//    that outlives the call, and this component owns none. A station whose board does not
//    answer the read has no lamps to light: nothing happens. A board that answers the read
//    but refuses the write is a ComponentError.
//  - AdapterCount: the count the control's ListAdapters reports (asked for up to 16).
//  - OpenAdapterByIndex: closes any adapter open on the control, lists the adapters, opens the
//    index-th name (0-based), then shows `light_code` through FlashLights when it is not
//    kLightsNone. 0 = opened; -1 when the index is outside the list or the adapter cannot be
//    opened; a lamp write the board refuses gives that bus status (the adapter stays open).
//  - CloseAdapter: the control's CloseLink.
//  - FirmwareAge: the open adapter's firmware version minus kOldestAdapterFirmware, so
//    negative = older than the station supports. A control that cannot tell the version is
//    a ComponentError.
//  - HasCalBoard: a read of the board's output register succeeds.
//  - HasTempSensor: a read of the sensor's configuration register (1) succeeds. True asks for
//    the board's own sensor at its normal-board address 0x94 only; false for the external
//    probe at 0x90. An advanced board carries its own sensor at 0x92 instead, and is told
//    apart exactly by answering HasCalBoard but not HasTempSensor(true): the station set-up
//    marks such a board advanced from that answer, so 0x92 is deliberately not asked here.
//
// Without a control, the operations that return a status return kStatusNoGaugeControl; the
// others throw ComponentError.
#include <cstdint>
#include <functional>
#include <string>

#include "common/linkpod_id.h"

namespace tester {

// Statuses of this component (beside those of the control, passed on unchanged).
inline constexpr Status kIdentityNotKept = 0x0201;   // identifier read back differs from written
inline constexpr Status kIdentityNoFreshId = 0x0202; // every draw matched an identifier in use

class AdapterIdentity final : public LinkpodID {
public:
  // 64 random bits per call.
  using RandomSource = std::function<uint64_t()>;

  // Draws identifiers from std::random_device.
  AdapterIdentity();
  // Draws identifiers from `random` (tests).
  explicit AdapterIdentity(RandomSource random);

  void SetGaugeControl(GaugeControl* control) override { control_ = control; }
  Status ReadAdapterId(std::string& id) override;
  Status AssignAdapterId(std::string& id) override;
  void FlashLights(int32_t code, int16_t timing, bool flag) override;
  int32_t AdapterCount() override;
  Status OpenAdapterByIndex(int16_t index, int32_t light_code, int16_t timing) override;
  void CloseAdapter() override;
  int32_t FirmwareAge() override;
  bool HasCalBoard() override;
  bool HasTempSensor(bool on_board) override;

  // The timing argument last handed to FlashLights or OpenAdapterByIndex (0 before any).
  int16_t LastTiming() const { return last_timing_; }

private:
  GaugeControl& Control(const char* operation) const;
  // Lamp nibble for a light code, or -1 when the code changes nothing.
  static int LampsFor(int32_t code, bool flag);
  // Sets the lamp nibble, keeping bits 0-3. 0 also when no board answers.
  Status SetLamps(int32_t code, bool flag);
  std::string DrawIdentifier();

  GaugeControl* control_ = nullptr;
  RandomSource random_;
  int16_t last_timing_ = 0;
};

}  // namespace tester
