#pragma once
// Tracing decorator: wraps any gauge-control backend and writes one line per
// operation, in call order, in the documented trace format (docs/trace-format.md):
//   <ms> <Operation> <name>=<value> ... [-> <result> <out-name>=<value> ...]
// <ms> is whole milliseconds of the station clock since the trace was opened.
#include <cstdio>
#include <memory>
#include <string>

#include "platform/event_pump.h"
#include "common/gauge_control.h"

namespace tester {

class TracingControl final : public GaugeControl {
public:
  // Takes ownership of `inner`. Lines go to `path` (truncated on open); `{pid}` in the
  // path is replaced by the process id. Check Ok() after construction.
  TracingControl(std::unique_ptr<GaugeControl> inner, EventPump& pump, const std::string& path);
  ~TracingControl() override;

  bool Ok() const { return file_ != nullptr; }
  const std::string& Path() const { return path_; }
  GaugeControl& Inner() { return *inner_; }

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

private:
  void Emit(const std::string& line);

  std::unique_ptr<GaugeControl> inner_;
  EventPump& pump_;
  std::string path_;
  std::FILE* file_ = nullptr;
  int64_t opened_at_us_ = 0;
};

}  // namespace tester
