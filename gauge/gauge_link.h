#pragma once
// The only road from the tester's logic to the gas gauge: the single transfers of
// both bus dialects with their waits and bus-status checks, the adapter and bus-mode
// operations, and the waits of the station clock. Composite operations (identity,
// ROM mode) are in gauge_identity.h and rom_mode.h.
//
// Statuses: 16-bit control statuses widen unchanged into Status (int32_t); 0 = success.
#include <cstdint>
#include <span>
#include <string>

#include "common/gauge_control.h"
#include "common/status_codes.h"
#include "gauge/unbound_control.h"
#include "platform/event_pump.h"

namespace tester {

struct StationSettings;

// Truth values of the probing procedures.
inline constexpr int16_t kTrue = -1;
inline constexpr int16_t kFalse = 0;

// The engine and the image reader carry the same procedures, except that the image
// reader's block read does not wait after the transfer.
enum class LinkVariant { Engine, ImageReader };

class GaugeLink {
public:
  GaugeLink(EventPump& pump, const StationSettings& settings,
            LinkVariant variant = LinkVariant::Engine);
  GaugeLink(const GaugeLink&) = delete;
  GaugeLink& operator=(const GaugeLink&) = delete;

  // Sets and clears the gauge control reference. Release closes the link first. While
  // none is bound, every transfer fails with kStatusNoGaugeControl (see UnboundControl).
  void BindGaugeControl(GaugeControl* control);
  void ReleaseGaugeControl();
  bool IsBound() const { return control_ != &unbound_; }
  GaugeControl& Control() { return *control_; }
  EventPump& Pump() { return pump_; }
  const StationSettings& Settings() const { return settings_; }
  LinkVariant Variant() const { return variant_; }

  // --- SMBus command interface ---
  Status WriteWord(uint8_t cmd, int16_t value, uint8_t addr);
  Status WriteWordBytes(uint8_t cmd, uint8_t high, uint8_t low, uint8_t addr);
  Status WriteBlock(uint8_t cmd, std::span<const uint8_t> buffer, int16_t length, uint8_t addr);
  Status SendCommandByte(uint8_t cmd, uint8_t addr);
  Status ReadWord(uint8_t cmd, int16_t& value, uint8_t addr);
  Status ReadWordBytes(uint8_t cmd, uint8_t& high, uint8_t& low, uint8_t addr);
  // Fills `buffer` from index 0 and stores the count received; the engine variant then
  // always waits 120 ms, also after a failed transfer.
  Status ReadBlock(uint8_t cmd, std::span<uint8_t> buffer, int16_t& length, uint8_t addr);
  // mode 0: bytes as two upper-case hex digits each; mode 1: bytes as characters;
  // other modes: empty text.
  Status ReadBlockText(uint8_t cmd, std::string& text, uint8_t addr, int mode);
  Status CheckBusStatus();

  // --- register-style interface ---
  Status WriteRegByte(uint8_t reg, uint8_t value, uint8_t addr);
  Status ReadRegByte(uint8_t reg, uint8_t& value, uint8_t addr);
  Status WriteRegWord(uint8_t reg, int16_t value, uint8_t addr);         // little-endian
  Status WriteRegBytes(uint8_t reg, uint8_t b1, uint8_t b0, uint8_t addr);  // sends b0, b1
  Status ReadRegWord(uint8_t reg, int16_t& value, uint8_t addr);          // little-endian
  Status ReadRegWordBE(uint8_t reg, int16_t& value, uint8_t addr);        // big-endian
  Status ReadRegBytes(uint8_t reg, uint8_t& b1, uint8_t& b0, uint8_t addr);
  Status WriteRegBlock(uint8_t reg, std::span<const uint8_t> buffer, int16_t length, uint8_t addr);
  // `length` in = bytes asked, out = bytes received.
  Status ReadRegBlock(uint8_t reg, std::span<uint8_t> buffer, int16_t& length, uint8_t addr);
  Status RegByteCall(int32_t mode, uint8_t a, uint8_t b, uint8_t& c);

  // --- adapter, control and mode ---
  // kTrue / kFalse; `opened` (may be null) receives the identifier of the adapter opened.
  int16_t OpenFirstAdapter(std::string* opened = nullptr);
  Status SelectBusMode(int16_t mode);
  void AdapterPause(int32_t ms);
  void PauseBoth(int32_t ms);
  void WaitMs(int64_t ms);
  double TimerNow() const;                       // seconds since midnight
  double ElapsedSeconds(double start) const;     // wraps at midnight
  // Waits for a quiet bus. Bounded: gives up once kBusIdleTimeoutMs have passed since
  // the call began and returns the last status polled (0 when the bus went quiet).
  Status WaitBusIdle(int32_t ms);

  static constexpr int kBusIdleTimeoutMs = 2000;
  static constexpr int kEngineBlockReadWaitMs = 120;

private:
  EventPump& pump_;
  const StationSettings& settings_;
  LinkVariant variant_;
  UnboundControl unbound_;
  GaugeControl* control_ = &unbound_;
};

}  // namespace tester
