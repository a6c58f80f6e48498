#include "platform/replay_control.h"

#include <algorithm>
#include <iostream>

#include "platform/atomic_file.h"

namespace tester {

struct ReplayControl::Impl {
  Impl(std::vector<TraceLine> trace, EventPump& clock, std::ostream& out)
      : lines(std::move(trace)), pump(clock), report(out) {}

  // The recorded line answering `call`, or null once the run has left the recorded path.
  // The first call that differs from the next line (or finds the trace used up) is
  // reported once; from then on nothing is answered.
  const TraceEntry* Answer(const TraceEntry& call) {
    if (diverged) return nullptr;
    const std::string got = FormatRequest(call);
    if (next == lines.size()) {
      Diverge("expected end of trace / got " + got);
      return nullptr;
    }
    const TraceLine& line = lines[next];
    if (FormatRequest(line.entry) != got) {
      Diverge("expected " + line.text + " / got " + got);
      return nullptr;
    }
    ++next;
    return &line.entry;
  }

  void Diverge(std::string text) {
    diverged = true;
    divergence = std::move(text);
    report << divergence << std::endl;
  }

  std::vector<TraceLine> lines;
  size_t next = 0;
  EventPump& pump;
  std::ostream& report;
  bool diverged = false;
  std::string divergence;
};

namespace {

// The recorded status of a transfer line (the reader has checked it fits 16 bits).
BusStatus16 RecordedStatus(const TraceEntry& entry) {
  return static_cast<BusStatus16>(entry.result.value_or(0));
}

// Copies the recorded bytes into the caller's buffer, never past its end; the length
// reported is the recorded one, as the device sent it.
void FillBlock(const TraceEntry& recorded, std::span<uint8_t> bytes, int16_t& length) {
  std::vector<uint8_t> data = OutData(recorded);
  std::copy_n(data.begin(), std::min(data.size(), bytes.size()), bytes.begin());
  length = OutLength(recorded);
}

}  // namespace

ReplayControl::ReplayControl(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

ReplayControl::~ReplayControl() = default;

std::unique_ptr<ReplayControl> ReplayControl::FromText(const std::string& text, EventPump& pump,
                                                       std::string& error,
                                                       std::ostream* report) {
  std::optional<std::vector<TraceLine>> lines = ParseTrace(text, error);
  if (!lines) return nullptr;
  std::ostream& out = report ? *report : std::cerr;
  return std::unique_ptr<ReplayControl>(
      new ReplayControl(std::make_unique<Impl>(std::move(*lines), pump, out)));
}

std::unique_ptr<ReplayControl> ReplayControl::FromFile(const std::string& path, EventPump& pump,
                                                       std::string& error,
                                                       std::ostream* report) {
  std::optional<std::string> text = ReadWholeFile(path, &error);
  if (!text) return nullptr;
  std::unique_ptr<ReplayControl> replay = FromText(*text, pump, error, report);
  if (!replay) error = path + ": " + error;
  return replay;
}

bool ReplayControl::Diverged() const { return impl_->diverged; }

const std::string& ReplayControl::Divergence() const { return impl_->divergence; }

bool ReplayControl::Complete() const {
  return !impl_->diverged && impl_->next == impl_->lines.size();
}

std::vector<std::string> ReplayControl::Remaining() const {
  std::vector<std::string> remaining;
  for (size_t i = impl_->next; i < impl_->lines.size(); ++i) {
    remaining.push_back(impl_->lines[i].text);
  }
  return remaining;
}

const std::vector<TraceLine>& ReplayControl::Lines() const { return impl_->lines; }

// Out-values come from the recorded line whatever its status, as the tracer wrote them.
// After a divergence out-values are left alone, except block lengths, which become 0
// (nothing was received) because some callers use the length without looking at the
// status.

BusStatus16 ReplayControl::PutWord(uint8_t cmd, int16_t word, uint8_t addr) {
  const TraceEntry* recorded = impl_->Answer(TracePutWord(cmd, word, addr));
  return recorded ? RecordedStatus(*recorded) : kDivergedStatus;
}

BusStatus16 ReplayControl::GetWord(uint8_t cmd, int16_t& word, uint8_t addr) {
  const TraceEntry* recorded = impl_->Answer(TraceGetWord(cmd, addr));
  if (!recorded) return kDivergedStatus;
  word = OutWord(*recorded);
  return RecordedStatus(*recorded);
}

BusStatus16 ReplayControl::PutBlock(uint8_t cmd, std::span<const uint8_t> bytes, int16_t length,
                                    uint8_t addr) {
  const TraceEntry* recorded = impl_->Answer(TracePutBlock(cmd, bytes, length, addr));
  return recorded ? RecordedStatus(*recorded) : kDivergedStatus;
}

BusStatus16 ReplayControl::GetBlock(uint8_t cmd, std::span<uint8_t> bytes, int16_t& length,
                                    uint8_t addr) {
  const TraceEntry* recorded = impl_->Answer(TraceGetBlock(cmd, addr));
  if (!recorded) {
    length = 0;
    return kDivergedStatus;
  }
  FillBlock(*recorded, bytes, length);
  return RecordedStatus(*recorded);
}

int ReplayControl::OpenAdapter(const std::string& name) {
  const TraceEntry* recorded = impl_->Answer(TraceOpenAdapter(name));
  return recorded ? recorded->result.value_or(-1) : -1;
}

void ReplayControl::CloseLink() { impl_->Answer(TraceCloseLink()); }

void ReplayControl::ListAdapters(int32_t maximum, int32_t& count, std::string& names) {
  const TraceEntry* recorded = impl_->Answer(TraceListAdapters(maximum));
  if (!recorded) {
    count = 0;
    names.clear();
    return;
  }
  count = recorded->result.value_or(0);
  names = OutNames(*recorded);
}

BusStatus16 ReplayControl::PutCommand(uint8_t cmd, uint8_t addr) {
  const TraceEntry* recorded = impl_->Answer(TracePutCommand(cmd, addr));
  return recorded ? RecordedStatus(*recorded) : kDivergedStatus;
}

BusStatus16 ReplayControl::RegByteOp(int32_t mode, uint8_t dev, uint8_t reg, uint8_t& value) {
  const TraceEntry* recorded = impl_->Answer(TraceRegByteOp(mode, dev, reg, value));
  if (!recorded) return kDivergedStatus;
  if (mode == kRegByteReadMode) value = OutValue(*recorded);
  return RecordedStatus(*recorded);
}

BusStatus16 ReplayControl::BusStatus() {
  const TraceEntry* recorded = impl_->Answer(TraceBusStatus());
  return recorded ? RecordedStatus(*recorded) : kDivergedStatus;
}

// The pause passes on the station clock even after a divergence: polling loops that
// pause between failed probes then still reach their time limit on a virtual clock.
void ReplayControl::Pause(int32_t ms) {
  impl_->Answer(TracePause(ms));
  impl_->pump.WaitMs(ms);
}

BusStatus16 ReplayControl::GetRegBlock(uint8_t reg, std::span<uint8_t> bytes, int16_t& length,
                                       uint8_t addr) {
  const TraceEntry* recorded = impl_->Answer(TraceGetRegBlock(reg, addr, length));
  if (!recorded) {
    length = 0;
    return kDivergedStatus;
  }
  FillBlock(*recorded, bytes, length);
  return RecordedStatus(*recorded);
}

BusStatus16 ReplayControl::PutRegBlock(uint8_t reg, std::span<const uint8_t> bytes,
                                       int16_t length, uint8_t addr) {
  const TraceEntry* recorded = impl_->Answer(TracePutRegBlock(reg, bytes, length, addr));
  return recorded ? RecordedStatus(*recorded) : kDivergedStatus;
}

BusStatus16 ReplayControl::SetBusMode(int16_t mode) {
  const TraceEntry* recorded = impl_->Answer(TraceSetBusMode(mode));
  return recorded ? RecordedStatus(*recorded) : kDivergedStatus;
}

void ReplayControl::AboutBox() { impl_->Answer(TraceAboutBox()); }

BusStatus16 ReplayControl::ReadAdapterId(std::string& id) {
  const TraceEntry* recorded = impl_->Answer(TraceReadAdapterId());
  if (!recorded) return kDivergedStatus;
  id = OutAdapterId(*recorded);
  return RecordedStatus(*recorded);
}

BusStatus16 ReplayControl::WriteAdapterId(const std::string& id) {
  const TraceEntry* recorded = impl_->Answer(TraceWriteAdapterId(id));
  return recorded ? RecordedStatus(*recorded) : kDivergedStatus;
}

// After a divergence the version is unknown, as from a backend that cannot tell.
int32_t ReplayControl::AdapterFirmware() {
  const TraceEntry* recorded = impl_->Answer(TraceAdapterFirmware());
  return recorded ? recorded->result.value_or(-1) : -1;
}

}  // namespace tester
