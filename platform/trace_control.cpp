#include "platform/trace_control.h"

#include <unistd.h>

#include "platform/trace_format.h"

namespace tester {
namespace {

// Placeholder in the trace path that becomes the process id, so that every engine
// process of a jig writes its own file.
constexpr std::string_view kPidPlaceholder = "{pid}";

std::string ExpandPid(std::string path) {
  const std::string pid = std::to_string(getpid());
  for (size_t at = path.find(kPidPlaceholder); at != std::string::npos;
       at = path.find(kPidPlaceholder, at + pid.size())) {
    path.replace(at, kPidPlaceholder.size(), pid);
  }
  return path;
}

// Stamps a line with the time its operation was issued: whole milliseconds since the
// trace was opened (the clock never goes backwards).
TraceEntry Stamped(TraceEntry entry, const EventPump& pump, int64_t opened_at_us) {
  entry.ms = (pump.Now() - opened_at_us) / kMicrosPerMs;
  return entry;
}

}  // namespace

TracingControl::TracingControl(std::unique_ptr<GaugeControl> inner, EventPump& pump,
                               const std::string& path)
    : inner_(std::move(inner)), pump_(pump), path_(ExpandPid(path)) {
  file_ = std::fopen(path_.c_str(), "w");
  opened_at_us_ = pump_.Now();
}

TracingControl::~TracingControl() {
  if (file_) std::fclose(file_);
}

// One line per operation, flushed at once: a crash of the station keeps every line
// of the operations before it.
void TracingControl::Emit(const std::string& line) {
  if (!file_) return;
  std::fputs(line.c_str(), file_);
  std::fputc('\n', file_);
  std::fflush(file_);
}

// Out-values are written as they stand after the call, also after a failure: the
// replay then hands the code under test exactly what it saw at the station.

BusStatus16 TracingControl::PutWord(uint8_t cmd, int16_t word, uint8_t addr) {
  TraceEntry entry = Stamped(TracePutWord(cmd, word, addr), pump_, opened_at_us_);
  BusStatus16 status = inner_->PutWord(cmd, word, addr);
  SetTraceResult(entry, status);
  Emit(FormatLine(entry));
  return status;
}

BusStatus16 TracingControl::GetWord(uint8_t cmd, int16_t& word, uint8_t addr) {
  TraceEntry entry = Stamped(TraceGetWord(cmd, addr), pump_, opened_at_us_);
  BusStatus16 status = inner_->GetWord(cmd, word, addr);
  SetTraceResult(entry, status);
  AddWordOut(entry, word);
  Emit(FormatLine(entry));
  return status;
}

BusStatus16 TracingControl::PutBlock(uint8_t cmd, std::span<const uint8_t> bytes, int16_t length,
                                     uint8_t addr) {
  TraceEntry entry = Stamped(TracePutBlock(cmd, bytes, length, addr), pump_, opened_at_us_);
  BusStatus16 status = inner_->PutBlock(cmd, bytes, length, addr);
  SetTraceResult(entry, status);
  Emit(FormatLine(entry));
  return status;
}

BusStatus16 TracingControl::GetBlock(uint8_t cmd, std::span<uint8_t> bytes, int16_t& length,
                                     uint8_t addr) {
  TraceEntry entry = Stamped(TraceGetBlock(cmd, addr), pump_, opened_at_us_);
  BusStatus16 status = inner_->GetBlock(cmd, bytes, length, addr);
  SetTraceResult(entry, status);
  AddBlockOut(entry, bytes, length);
  Emit(FormatLine(entry));
  return status;
}

int TracingControl::OpenAdapter(const std::string& name) {
  TraceEntry entry = Stamped(TraceOpenAdapter(name), pump_, opened_at_us_);
  int result = inner_->OpenAdapter(name);
  SetTraceResult(entry, result);
  Emit(FormatLine(entry));
  return result;
}

void TracingControl::CloseLink() {
  TraceEntry entry = Stamped(TraceCloseLink(), pump_, opened_at_us_);
  inner_->CloseLink();
  Emit(FormatLine(entry));
}

void TracingControl::ListAdapters(int32_t maximum, int32_t& count, std::string& names) {
  TraceEntry entry = Stamped(TraceListAdapters(maximum), pump_, opened_at_us_);
  inner_->ListAdapters(maximum, count, names);
  SetTraceResult(entry, count);
  AddNamesOut(entry, names);
  Emit(FormatLine(entry));
}

BusStatus16 TracingControl::PutCommand(uint8_t cmd, uint8_t addr) {
  TraceEntry entry = Stamped(TracePutCommand(cmd, addr), pump_, opened_at_us_);
  BusStatus16 status = inner_->PutCommand(cmd, addr);
  SetTraceResult(entry, status);
  Emit(FormatLine(entry));
  return status;
}

BusStatus16 TracingControl::RegByteOp(int32_t mode, uint8_t dev, uint8_t reg, uint8_t& value) {
  TraceEntry entry = Stamped(TraceRegByteOp(mode, dev, reg, value), pump_, opened_at_us_);
  BusStatus16 status = inner_->RegByteOp(mode, dev, reg, value);
  SetTraceResult(entry, status);
  if (mode == kRegByteReadMode) AddValueOut(entry, value);
  Emit(FormatLine(entry));
  return status;
}

BusStatus16 TracingControl::BusStatus() {
  TraceEntry entry = Stamped(TraceBusStatus(), pump_, opened_at_us_);
  BusStatus16 status = inner_->BusStatus();
  SetTraceResult(entry, status);
  Emit(FormatLine(entry));
  return status;
}

void TracingControl::Pause(int32_t ms) {
  TraceEntry entry = Stamped(TracePause(ms), pump_, opened_at_us_);
  inner_->Pause(ms);
  Emit(FormatLine(entry));
}

BusStatus16 TracingControl::GetRegBlock(uint8_t reg, std::span<uint8_t> bytes, int16_t& length,
                                        uint8_t addr) {
  TraceEntry entry = Stamped(TraceGetRegBlock(reg, addr, length), pump_, opened_at_us_);
  BusStatus16 status = inner_->GetRegBlock(reg, bytes, length, addr);
  SetTraceResult(entry, status);
  AddBlockOut(entry, bytes, length);
  Emit(FormatLine(entry));
  return status;
}

BusStatus16 TracingControl::PutRegBlock(uint8_t reg, std::span<const uint8_t> bytes,
                                        int16_t length, uint8_t addr) {
  TraceEntry entry = Stamped(TracePutRegBlock(reg, bytes, length, addr), pump_, opened_at_us_);
  BusStatus16 status = inner_->PutRegBlock(reg, bytes, length, addr);
  SetTraceResult(entry, status);
  Emit(FormatLine(entry));
  return status;
}

BusStatus16 TracingControl::SetBusMode(int16_t mode) {
  TraceEntry entry = Stamped(TraceSetBusMode(mode), pump_, opened_at_us_);
  BusStatus16 status = inner_->SetBusMode(mode);
  SetTraceResult(entry, status);
  Emit(FormatLine(entry));
  return status;
}

void TracingControl::AboutBox() {
  TraceEntry entry = Stamped(TraceAboutBox(), pump_, opened_at_us_);
  inner_->AboutBox();
  Emit(FormatLine(entry));
}

BusStatus16 TracingControl::ReadAdapterId(std::string& id) {
  TraceEntry entry = Stamped(TraceReadAdapterId(), pump_, opened_at_us_);
  BusStatus16 status = inner_->ReadAdapterId(id);
  SetTraceResult(entry, status);
  AddAdapterIdOut(entry, id);
  Emit(FormatLine(entry));
  return status;
}

BusStatus16 TracingControl::WriteAdapterId(const std::string& id) {
  TraceEntry entry = Stamped(TraceWriteAdapterId(id), pump_, opened_at_us_);
  BusStatus16 status = inner_->WriteAdapterId(id);
  SetTraceResult(entry, status);
  Emit(FormatLine(entry));
  return status;
}

int32_t TracingControl::AdapterFirmware() {
  TraceEntry entry = Stamped(TraceAdapterFirmware(), pump_, opened_at_us_);
  int32_t version = inner_->AdapterFirmware();
  SetTraceResult(entry, version);
  Emit(FormatLine(entry));
  return version;
}

}  // namespace tester
