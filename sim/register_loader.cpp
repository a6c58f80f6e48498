#include "sim/register_loader.h"

#include <algorithm>
#include <numeric>

#include "common/register_map.h"

namespace tester {
namespace {

constexpr uint8_t kRegDataEnd = 0x64;   // data registers end before the checksum

constexpr uint8_t kCmdProgramRow = 0x0A;  // [0x0A, r lo, r hi] + row bytes
constexpr uint8_t kCmdMassErase = 0x0C;   // + 0x83 0xDE at 0x04
constexpr uint8_t kCmdProbe = 0x0D;       // ready value to 0x04/0x05
constexpr uint8_t kCmdExit = 0x0F;        // run the firmware
constexpr uint8_t kCmdInterface = 0x16;   // + interface byte at 0x04: change the host interface
constexpr uint8_t kInterfaceMonowire = 0x05;  // the single-wire interface
constexpr uint8_t kMassEraseKey[2] = {0x83, 0xDE};
constexpr uint16_t kProbeReady = 0x00C8;  // 200: loader running and ready (> 100)
constexpr int kMaxReadCount = kRegDataEnd - regmap::kLoaderReadData;  // bytes 0x05..0x63

}  // namespace

void RegLoader::PutWordLE(uint8_t reg, uint16_t value) {
  regs_[reg] = static_cast<uint8_t>(value);
  regs_[reg + 1] = static_cast<uint8_t>(value >> 8);
}

uint16_t RegLoader::Param() const { return static_cast<uint16_t>(params_[0] | params_[1] << 8); }

SimStatus RegLoader::WriteRegs(uint8_t reg, std::span<const uint8_t> data) {
  if (core_.Busy()) return kSimBusy;
  if (data.empty() || reg + data.size() > regs_.size()) return kSimCommandNack;
  if (reg == regmap::kLoaderCommand) {
    StartCommand(data);
    return kSimOk;
  }
  if (reg == regmap::kLoaderChecksum) {
    uint16_t checksum = data[0];
    if (data.size() > 1) checksum = static_cast<uint16_t>(checksum | data[1] << 8);
    Execute(checksum);
    return kSimOk;
  }
  std::copy(data.begin(), data.end(), regs_.begin() + reg);
  if (reg >= regmap::kLoaderData && reg < kRegDataEnd) {
    sum_ = std::accumulate(data.begin(), data.end(), sum_);
    data_sent_ = true;
  }
  return kSimOk;
}

SimStatus RegLoader::ReadRegs(uint8_t reg, int count, std::vector<uint8_t>& data) {
  if (count <= 0 || reg + count > static_cast<int>(regs_.size())) return kSimCommandNack;
  if (core_.Busy()) {
    if (reg != regmap::kLoaderResult) return kSimBusy;
    data.assign(static_cast<size_t>(count), kSimLoaderBusy);
    return kSimOk;
  }
  data.assign(regs_.begin() + reg, regs_.begin() + reg + count);
  // The host has the loader's answer to an interface switch: the switch takes effect.
  if (reg <= regmap::kLoaderResult && reg + count > regmap::kLoaderResult) core_.CompleteMonowire();
  return kSimOk;
}

void RegLoader::StartCommand(std::span<const uint8_t> block) {
  command_ = block[0];
  params_[0] = block.size() > 1 ? block[1] : 0;
  params_[1] = block.size() > 2 ? block[2] : 0;
  sum_ = std::accumulate(block.begin(), block.end(), 0u);
  data_sent_ = false;
}

void RegLoader::Execute(uint16_t checksum) {
  if (checksum != static_cast<uint16_t>(sum_)) {
    regs_[regmap::kLoaderResult] = kSimLoaderBadChecksum;
    return;
  }
  regs_[regmap::kLoaderResult] = Run();
}

uint8_t RegLoader::Run() {
  switch (command_) {
    case regmap::kLoaderReadRow: return ReadInstructionRow(Param());
    case regmap::kLoaderWriteRow: return WriteInstructionRow(Param());
    case regmap::kLoaderEraseRow0:
      core_.Memory().EraseRow(0);
      ++core_.Counters().row_erases;
      core_.StartBusy(core_.Pack().timings.row_erase_ms);
      return kSimLoaderAccepted;
    case kCmdMassErase: return MassErase();
    case kCmdProgramRow: return ProgramRow(Param());
    case regmap::kLoaderSumFlash: return ComputeChecksum();
    case regmap::kLoaderReadFlash: return ReadDataFlash(Param());
    case kCmdProbe:
      PutWordLE(regmap::kLoaderData, kProbeReady);
      return kSimLoaderAccepted;
    case kCmdExit:
      core_.LeaveRom();
      return kSimLoaderAccepted;
    case kCmdInterface: return SwitchInterface();
    default: return kSimLoaderFailed;
  }
}

uint8_t RegLoader::ReadInstructionRow(int row) {
  if (row >= kSimInstructionRows) return kSimLoaderFailed;
  const InstructionRow& bytes = core_.Memory().Row(row);
  std::copy(bytes.begin(), bytes.end(), regs_.begin() + regmap::kLoaderData);
  PutWordLE(regmap::kLoaderChecksum, static_cast<uint16_t>(std::accumulate(bytes.begin(), bytes.end(), 0u)));
  return kSimLoaderAccepted;
}

uint8_t RegLoader::WriteInstructionRow(int row) {
  std::span<const uint8_t> bytes(regs_.data() + regmap::kLoaderData, kSimRowBytes);
  if (!core_.Memory().ProgramRow(row, bytes)) return kSimLoaderFailed;
  ++core_.Counters().row_writes;
  core_.StartBusy(core_.Pack().timings.row_program_ms);
  return kSimLoaderAccepted;
}

uint8_t RegLoader::MassErase() {
  if (regs_[regmap::kLoaderData] != kMassEraseKey[0] || regs_[regmap::kLoaderData + 1] != kMassEraseKey[1]) {
    return kSimLoaderFailed;
  }
  core_.Memory().EraseDataFlash();
  ++core_.Counters().mass_erases;
  core_.StartBusy(core_.Pack().timings.mass_erase_ms);
  return kSimLoaderAccepted;
}

uint8_t RegLoader::ProgramRow(int row) {
  const PackDescription& pack = core_.Pack();
  const auto& bad = pack.defects.bad_rows;
  core_.StartBusy(pack.timings.row_program_ms);
  if (std::find(bad.begin(), bad.end(), row) != bad.end()) return kSimLoaderFailed;
  std::span<const uint8_t> bytes(regs_.data() + regmap::kLoaderData, static_cast<size_t>(pack.row_size));
  if (!core_.Memory().ProgramDataFlash(row * pack.row_size, bytes)) return kSimLoaderFailed;
  ++core_.Counters().rows_programmed;
  return kSimLoaderAccepted;
}

uint8_t RegLoader::ComputeChecksum() {
  const PackDescription& pack = core_.Pack();
  uint16_t sum = core_.Memory().Checksum(pack.image_span);
  if (pack.defects.bad_checksum) ++sum;
  PutWordLE(regmap::kLoaderData, sum);
  ++core_.Counters().checksums;
  core_.StartBusy(pack.timings.checksum_ms);
  return kSimLoaderAccepted;
}

uint8_t RegLoader::ReadDataFlash(int address) {
  int count = regs_[regmap::kLoaderData];
  int offset = address - kSimDataFlashBase;
  if (count > kMaxReadCount || offset < 0 || offset + count > kSimDataFlashSize) {
    return kSimLoaderFailed;
  }
  auto flash = core_.Memory().DataFlash();
  std::copy(flash.begin() + offset, flash.begin() + offset + count, regs_.begin() + regmap::kLoaderReadData);
  uint32_t sum = std::accumulate(flash.begin() + offset, flash.begin() + offset + count, 0u);
  PutWordLE(regmap::kLoaderChecksum, static_cast<uint16_t>(count + sum));
  return kSimLoaderAccepted;
}

// Only the Monowire interface is known, and its byte must have come with this command (a
// stale byte at 0x04 from an earlier command does not count).
uint8_t RegLoader::SwitchInterface() {
  if (!data_sent_ || regs_[regmap::kLoaderData] != kInterfaceMonowire) return kSimLoaderFailed;
  if (core_.Pack().defects.monowire_refused) return kSimLoaderFailed;
  core_.RequestMonowire();
  return kSimLoaderAccepted;
}

}  // namespace tester
