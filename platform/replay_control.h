#pragma once
// Replay backend: answers every operation from a recorded trace. Each call is turned
// into its trace line (request part) and compared with the next line of the trace,
// timestamps ignored. On the first difference the operation fails and
// "expected <line> / got <line>" is reported on the error stream; every later
// operation fails too (the run has left the recorded path).
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_pump.h"
#include "common/gauge_control.h"
#include "platform/trace_format.h"

namespace tester {

class ReplayControl final : public GaugeControl {
public:
  // Status a transfer returns once the run has left the recorded path.
  static constexpr BusStatus16 kDivergedStatus = -2;

  // Parses a trace; on a malformed line returns null and sets `error` (naming the line).
  // `Pause` lines make the clock wait their milliseconds.
  static std::unique_ptr<ReplayControl> FromText(const std::string& text, EventPump& pump,
                                                 std::string& error,
                                                 std::ostream* report = nullptr);
  static std::unique_ptr<ReplayControl> FromFile(const std::string& path, EventPump& pump,
                                                 std::string& error,
                                                 std::ostream* report = nullptr);

  // True once an operation differed from the trace.
  bool Diverged() const;
  // The first difference as reported ("expected ... / got ..."), empty when none.
  const std::string& Divergence() const;
  // True when every line of the trace has been answered and nothing diverged.
  bool Complete() const;
  // Trace lines not yet answered.
  std::vector<std::string> Remaining() const;
  // The parsed trace, with the recorded timestamps (replay itself does not compare them).
  const std::vector<TraceLine>& Lines() const;

  BusStatus16 PutWord(uint8_t cmd, int16_t word, uint8_t addr) override;
  BusStatus16 GetWord(uint8_t cmd, int16_t& word, uint8_t addr) override;
  BusStatus16 PutBlock(uint8_t cmd, std::span<const uint8_t> bytes, int16_t length,
                       uint8_t addr) override;
  BusStatus16 GetBlock(uint8_t cmd, std::span<uint8_t> bytes, int16_t& length,
                       uint8_t addr) override;
  int OpenAdapter(const std::string& name) override;
  void CloseLink() override;
  void ListAdapters(int32_t maximum, int32_t& count, std::string& names) override;
  BusStatus16 PutCommand(uint8_t cmd, uint8_t addr) override;
  BusStatus16 RegByteOp(int32_t mode, uint8_t dev, uint8_t reg, uint8_t& value) override;
  BusStatus16 BusStatus() override;
  void Pause(int32_t ms) override;
  BusStatus16 GetRegBlock(uint8_t reg, std::span<uint8_t> bytes, int16_t& length,
                          uint8_t addr) override;
  BusStatus16 PutRegBlock(uint8_t reg, std::span<const uint8_t> bytes, int16_t length,
                          uint8_t addr) override;
  BusStatus16 SetBusMode(int16_t mode) override;
  void AboutBox() override;
  BusStatus16 ReadAdapterId(std::string& id) override;
  BusStatus16 WriteAdapterId(const std::string& id) override;
  int32_t AdapterFirmware() override;

  ~ReplayControl() override;

private:
  struct Impl;
  explicit ReplayControl(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace tester
