#pragma once
// An adapter control that fails by throwing, the way an outside control that lost its
// adapter can: a word write is taken, every read and block transfer throws.
#include <stdexcept>
#include <string>

#include "common/gauge_control.h"

namespace tester::test {

class ThrowingControl final : public GaugeControl {
public:
  BusStatus16 PutWord(uint8_t, int16_t, uint8_t) override { return 0; }
  BusStatus16 GetWord(uint8_t, int16_t&, uint8_t) override { Gone(); }
  BusStatus16 PutBlock(uint8_t, std::span<const uint8_t>, int16_t, uint8_t) override { Gone(); }
  BusStatus16 GetBlock(uint8_t, std::span<uint8_t>, int16_t&, uint8_t) override { Gone(); }
  int OpenAdapter(const std::string&) override { return -1; }
  void CloseLink() override {}
  void ListAdapters(int32_t, int32_t& count, std::string&) override { count = 0; }
  BusStatus16 PutCommand(uint8_t, uint8_t) override { return 0; }
  BusStatus16 RegByteOp(int32_t, uint8_t, uint8_t, uint8_t&) override { return 0; }
  BusStatus16 BusStatus() override { return 0; }
  void Pause(int32_t) override {}
  BusStatus16 GetRegBlock(uint8_t, std::span<uint8_t>, int16_t&, uint8_t) override { Gone(); }
  BusStatus16 PutRegBlock(uint8_t, std::span<const uint8_t>, int16_t, uint8_t) override {
    return 0;
  }
  BusStatus16 SetBusMode(int16_t) override { return 0; }
  void AboutBox() override {}

private:
  [[noreturn]] static void Gone() { throw std::runtime_error("adapter gone"); }
};

}  // namespace tester::test
