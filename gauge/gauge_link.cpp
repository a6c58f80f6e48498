#include "gauge/gauge_link.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/status_codes.h"
#include "gauge/station_settings.h"

namespace tester {

namespace {

// RegByteOp modes of the adapter control.
constexpr int32_t kRegOpWrite = 1;  // write one byte to a register
constexpr int32_t kRegOpRead = 2;   // read one byte from a register

// OpenAdapter's answer for an adapter that could not be opened.
constexpr int kOpenAdapterFailed = -1;

// A two-byte register read asks for exactly this many bytes.
constexpr int16_t kRegWordBytes = 2;
// Largest block an adapter delivers in one SMBus block read (count byte is one byte).
constexpr std::size_t kMaxBlockBytes = 256;

constexpr double kSecondsPerDay = 86400.0;

// Joins two bus bytes into a word: high byte in bits 15..8, its bit 7 becoming the
// sign bit. Nothing but the bit pattern is carried over.
int16_t JoinWord(uint8_t high, uint8_t low) {
  return static_cast<int16_t>(static_cast<uint16_t>((high << 8) | low));
}

uint8_t HighByte(int16_t word) { return static_cast<uint8_t>(static_cast<uint16_t>(word) >> 8); }
uint8_t LowByte(int16_t word) { return static_cast<uint8_t>(static_cast<uint16_t>(word) & 0xFF); }

// A count reported by the control, limited to what the caller's buffer can hold.
std::size_t ClampCount(int16_t count, std::size_t capacity) {
  if (count <= 0) return 0;
  return std::min(static_cast<std::size_t>(count), capacity);
}

// Reads two consecutive registers; any other count than two is 772 and leaves the
// caller's bytes alone.
Status FetchRegPair(GaugeControl& control, uint8_t reg, uint8_t (&bytes)[kRegWordBytes],
                    uint8_t addr) {
  uint8_t received[kRegWordBytes] = {0, 0};
  int16_t count = kRegWordBytes;
  const Status status = control.GetRegBlock(reg, received, count, addr);
  if (status != 0) return status;
  if (count != kRegWordBytes) return kStatusRegCountMismatch;
  bytes[0] = received[0];
  bytes[1] = received[1];
  return 0;
}

}  // namespace

GaugeLink::GaugeLink(EventPump& pump, const StationSettings& settings, LinkVariant variant)
    : pump_(pump), settings_(settings), variant_(variant) {}

void GaugeLink::BindGaugeControl(GaugeControl* control) {
  control_ = control != nullptr ? control : &unbound_;
}

void GaugeLink::ReleaseGaugeControl() {
  control_->CloseLink();
  control_ = &unbound_;
}

// --- SMBus command interface ---

Status GaugeLink::WriteWord(uint8_t cmd, int16_t value, uint8_t addr) {
  const Status status = control_->PutWord(cmd, value, addr);
  if (status != 0) return status;
  return CheckBusStatus();
}

Status GaugeLink::WriteWordBytes(uint8_t cmd, uint8_t high, uint8_t low, uint8_t addr) {
  return WriteWord(cmd, JoinWord(high, low), addr);
}

// A length beyond the caller's buffer would send bytes that do not exist: only the
// bytes the buffer holds are sent (a negative length sends none).
Status GaugeLink::WriteBlock(uint8_t cmd, std::span<const uint8_t> buffer, int16_t length,
                             uint8_t addr) {
  const auto count = static_cast<int16_t>(ClampCount(length, buffer.size()));
  return control_->PutBlock(cmd, buffer, count, addr);
}

Status GaugeLink::SendCommandByte(uint8_t cmd, uint8_t addr) {
  const Status status = control_->PutCommand(cmd, addr);
  if (status != 0) return status;
  return CheckBusStatus();
}

Status GaugeLink::ReadWord(uint8_t cmd, int16_t& value, uint8_t addr) {
  return control_->GetWord(cmd, value, addr);
}

Status GaugeLink::ReadWordBytes(uint8_t cmd, uint8_t& high, uint8_t& low, uint8_t addr) {
  int16_t word = 0;
  const Status status = ReadWord(cmd, word, addr);
  if (status != 0) return status;
  high = HighByte(word);
  low = LowByte(word);
  return 0;
}

// The control fills a copy of the caller's buffer, so it sees the buffer's size and
// nothing it leaves beyond the received count reaches the caller. The engine then gives
// the gauge 120 ms, whether or not the transfer succeeded.
Status GaugeLink::ReadBlock(uint8_t cmd, std::span<uint8_t> buffer, int16_t& length,
                            uint8_t addr) {
  std::vector<uint8_t> copy(buffer.begin(), buffer.end());
  int16_t received = 0;
  const Status status = control_->GetBlock(cmd, copy, received, addr);
  const std::size_t count = ClampCount(received, buffer.size());
  std::copy_n(copy.begin(), count, buffer.begin());
  length = static_cast<int16_t>(count);
  if (variant_ == LinkVariant::Engine) WaitMs(kEngineBlockReadWaitMs);
  return status;
}

Status GaugeLink::ReadBlockText(uint8_t cmd, std::string& text, uint8_t addr, int mode) {
  text.clear();
  std::vector<uint8_t> bytes(kMaxBlockBytes, 0);
  int16_t received = 0;
  const Status status = control_->GetBlock(cmd, bytes, received, addr);
  if (status != 0) return status;
  const std::size_t count = ClampCount(received, bytes.size());
  for (std::size_t i = 0; i < count; ++i) {
    if (mode == 0) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
      text += hex;
    } else if (mode == 1) {
      text += static_cast<char>(bytes[i]);
    }
  }
  return status;
}

Status GaugeLink::CheckBusStatus() {
  WaitMs(settings_.USB_RESP_TIME);
  return control_->BusStatus();
}

// --- register-style interface ---

Status GaugeLink::WriteRegByte(uint8_t reg, uint8_t value, uint8_t addr) {
  uint8_t operand = value;
  return control_->RegByteOp(kRegOpWrite, addr, reg, operand);
}

Status GaugeLink::ReadRegByte(uint8_t reg, uint8_t& value, uint8_t addr) {
  return control_->RegByteOp(kRegOpRead, addr, reg, value);
}

Status GaugeLink::WriteRegWord(uint8_t reg, int16_t value, uint8_t addr) {
  return WriteRegBytes(reg, HighByte(value), LowByte(value), addr);
}

Status GaugeLink::WriteRegBytes(uint8_t reg, uint8_t b1, uint8_t b0, uint8_t addr) {
  const uint8_t bytes[kRegWordBytes] = {b0, b1};
  const Status status = control_->PutRegBlock(reg, bytes, kRegWordBytes, addr);
  if (status != 0) return status;
  return CheckBusStatus();
}

// The register holds the low byte first. The value is stored before the status check,
// as it was read whatever the check then says.
Status GaugeLink::ReadRegWord(uint8_t reg, int16_t& value, uint8_t addr) {
  uint8_t bytes[kRegWordBytes] = {0, 0};
  const Status status = FetchRegPair(*control_, reg, bytes, addr);
  if (status != 0) return status;
  value = JoinWord(bytes[1], bytes[0]);
  return CheckBusStatus();
}

Status GaugeLink::ReadRegWordBE(uint8_t reg, int16_t& value, uint8_t addr) {
  uint8_t bytes[kRegWordBytes] = {0, 0};
  const Status status = FetchRegPair(*control_, reg, bytes, addr);
  if (status != 0) return status;
  value = JoinWord(bytes[0], bytes[1]);
  return CheckBusStatus();
}

Status GaugeLink::ReadRegBytes(uint8_t reg, uint8_t& b1, uint8_t& b0, uint8_t addr) {
  uint8_t bytes[kRegWordBytes] = {0, 0};
  const Status status = FetchRegPair(*control_, reg, bytes, addr);
  if (status != 0) return status;
  b0 = bytes[0];
  b1 = bytes[1];
  return CheckBusStatus();
}

Status GaugeLink::WriteRegBlock(uint8_t reg, std::span<const uint8_t> buffer, int16_t length,
                                uint8_t addr) {
  const auto count = static_cast<int16_t>(ClampCount(length, buffer.size()));
  return control_->PutRegBlock(reg, buffer, count, addr);
}

// A request for more bytes than the buffer holds is cut to the buffer's size, so no
// backend is ever invited to deliver past it.
Status GaugeLink::ReadRegBlock(uint8_t reg, std::span<uint8_t> buffer, int16_t& length,
                               uint8_t addr) {
  std::vector<uint8_t> copy(buffer.begin(), buffer.end());
  int16_t count = static_cast<int16_t>(ClampCount(length, buffer.size()));
  const Status status = control_->GetRegBlock(reg, copy, count, addr);
  const std::size_t received = ClampCount(count, buffer.size());
  std::copy_n(copy.begin(), received, buffer.begin());
  length = static_cast<int16_t>(received);
  return status;
}

Status GaugeLink::RegByteCall(int32_t mode, uint8_t a, uint8_t b, uint8_t& c) {
  return control_->RegByteOp(mode, a, b, c);
}

// --- adapter, control and mode ---

int16_t GaugeLink::OpenFirstAdapter(std::string* opened) {
  int32_t count = 0;
  // The first name is an adapter no other station holds.
  const std::string first = FirstListedAdapter(*control_, count);
  if (count <= 0) return kFalse;
  if (control_->OpenAdapter(first) == kOpenAdapterFailed) return kFalse;
  if (opened != nullptr) *opened = first;
  return kTrue;
}

Status GaugeLink::SelectBusMode(int16_t mode) { return control_->SetBusMode(mode); }

void GaugeLink::AdapterPause(int32_t ms) { control_->Pause(ms); }

void GaugeLink::PauseBoth(int32_t ms) {
  AdapterPause(ms);
  WaitMs(ms);
}

// The pump serves events while it waits and never returns early.
void GaugeLink::WaitMs(int64_t ms) { pump_.WaitMs(ms); }

double GaugeLink::TimerNow() const { return SecondsSinceMidnight(pump_); }

double GaugeLink::ElapsedSeconds(double start) const {
  const double now = TimerNow();
  if (now < start) return now + kSecondsPerDay - start;
  return now - start;
}

// Waits `ms`, polls the bus status until it clears, waits `ms` again and accepts the
// quiet bus only if the status is still clear; otherwise polls again.
//
// Deliberate bound: a bus status that never clears would keep the station here forever,
// so polling stops once kBusIdleTimeoutMs have passed since the call began (or after as
// many polls, for a status wait of 0 ms that lets no time pass) and the last nonzero
// status is returned for the caller to pass on.
Status GaugeLink::WaitBusIdle(int32_t ms) {
  const int64_t began = pump_.Now();
  const int64_t limit_us = static_cast<int64_t>(kBusIdleTimeoutMs) * kMicrosPerMs;
  int polls = 0;
  auto exhausted = [&] { return pump_.Now() - began >= limit_us || polls >= kBusIdleTimeoutMs; };

  WaitMs(ms);
  for (;;) {
    Status status = CheckBusStatus();
    ++polls;
    while (status != 0) {
      if (exhausted()) return status;
      status = CheckBusStatus();
      ++polls;
    }
    WaitMs(ms);
    status = CheckBusStatus();
    ++polls;
    if (status == 0) return 0;
    if (exhausted()) return status;
  }
}

}  // namespace tester
