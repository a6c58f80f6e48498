#pragma once
// Test doubles shared by the trace and replay tests: a stepping clock and a gauge
// backend with fixed answers.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/event_pump.h"
#include "common/gauge_control.h"

namespace tester::testing_support {

// A clock that only moves when told to; waits advance it by their length.
class StepClock final : public EventPump {
public:
  int64_t Now() const override { return now_us_; }
  void WaitMs(int64_t ms) override {
    ++waits;
    if (ms > 0) now_us_ += ms * kMicrosPerMs;
  }
  void PumpOnce() override {}
  void Elapse(int64_t micros) override { now_us_ += micros; }
  CivilDate Today() const override { return {}; }
  // The trace tests start no timers; one started here never fires.
  TimerId StartTimer(int64_t, std::function<void()>, TimerKind) override { return ++timers; }
  void StopTimer(TimerId) override {}

  void AdvanceUs(int64_t micros) { now_us_ += micros; }
  int waits = 0;
  TimerId timers = 0;

private:
  int64_t now_us_ = 7LL * 3600 * 1'000'000;  // 07:00, far from zero on purpose
};

// A backend that answers every operation with fixed values and counts the calls.
class FixedGauge final : public GaugeControl {
public:
  BusStatus16 status = 0;           // status of every transfer
  int16_t word = 0x0800;            // GetWord answer
  std::vector<uint8_t> block{0x08, 0x00};  // GetBlock / GetRegBlock answer
  uint8_t reg_value = 0x00;         // RegByteOp mode 2 answer
  int open_result = 0;
  std::string adapters = "A,B";
  int calls = 0;

  BusStatus16 PutWord(uint8_t, int16_t, uint8_t) override { return Count(status); }
  BusStatus16 GetWord(uint8_t, int16_t& out, uint8_t) override {
    out = word;
    return Count(status);
  }
  BusStatus16 PutBlock(uint8_t, std::span<const uint8_t>, int16_t, uint8_t) override {
    return Count(status);
  }
  BusStatus16 GetBlock(uint8_t, std::span<uint8_t> bytes, int16_t& length, uint8_t) override {
    Fill(bytes, length);
    return Count(status);
  }
  int OpenAdapter(const std::string&) override { return Count(open_result); }
  void CloseLink() override { Count(0); }
  void ListAdapters(int32_t, int32_t& count, std::string& names) override {
    count = static_cast<int32_t>(std::count(adapters.begin(), adapters.end(), ',') + 1);
    names = adapters;
    Count(0);
  }
  BusStatus16 PutCommand(uint8_t, uint8_t) override { return Count(status); }
  BusStatus16 RegByteOp(int32_t mode, uint8_t, uint8_t, uint8_t& value) override {
    if (mode == 2) value = reg_value;
    return Count(status);
  }
  BusStatus16 BusStatus() override { return Count(status); }
  void Pause(int32_t) override { Count(0); }
  BusStatus16 GetRegBlock(uint8_t, std::span<uint8_t> bytes, int16_t& length,
                          uint8_t) override {
    Fill(bytes, length);
    return Count(status);
  }
  BusStatus16 PutRegBlock(uint8_t, std::span<const uint8_t>, int16_t, uint8_t) override {
    return Count(status);
  }
  BusStatus16 SetBusMode(int16_t) override { return Count(status); }
  void AboutBox() override { Count(0); }

private:
  template <typename T>
  T Count(T value) {
    ++calls;
    return value;
  }
  void Fill(std::span<uint8_t> bytes, int16_t& length) {
    std::copy_n(block.begin(), std::min(block.size(), bytes.size()), bytes.begin());
    length = static_cast<int16_t>(block.size());
  }
};

}  // namespace tester::testing_support
