#pragma once
// The control a gauge link talks to while no real one is bound: every transfer fails with
// kStatusNoGaugeControl, no adapter can be opened, and nothing waits. It turns a call made
// before an adapter was attached into a failed step instead of a crash.
#include "common/status_codes.h"
#include "common/gauge_control.h"

namespace tester {

class UnboundControl final : public GaugeControl {
public:
  static constexpr BusStatus16 kStatus = static_cast<BusStatus16>(kStatusNoGaugeControl);

  BusStatus16 PutWord(uint8_t, int16_t, uint8_t) override { return kStatus; }
  BusStatus16 GetWord(uint8_t, int16_t&, uint8_t) override { return kStatus; }
  BusStatus16 PutBlock(uint8_t, std::span<const uint8_t>, int16_t, uint8_t) override {
    return kStatus;
  }
  BusStatus16 GetBlock(uint8_t, std::span<uint8_t>, int16_t& length, uint8_t) override {
    length = 0;
    return kStatus;
  }
  int OpenAdapter(const std::string&) override { return -1; }
  void CloseLink() override {}
  void ListAdapters(int32_t, int32_t& count, std::string& names) override {
    count = 0;
    names.clear();
  }
  BusStatus16 PutCommand(uint8_t, uint8_t) override { return kStatus; }
  BusStatus16 RegByteOp(int32_t, uint8_t, uint8_t, uint8_t&) override { return kStatus; }
  BusStatus16 BusStatus() override { return kStatus; }
  void Pause(int32_t) override {}
  BusStatus16 GetRegBlock(uint8_t, std::span<uint8_t>, int16_t& length, uint8_t) override {
    length = 0;
    return kStatus;
  }
  BusStatus16 PutRegBlock(uint8_t, std::span<const uint8_t>, int16_t, uint8_t) override {
    return kStatus;
  }
  BusStatus16 SetBusMode(int16_t) override { return kStatus; }
  void AboutBox() override {}
};

}  // namespace tester
